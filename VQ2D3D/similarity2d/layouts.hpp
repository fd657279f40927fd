// Pair readers for the input layouts of the 2D similarity estimators.
//
// Walks keep the current point as an integer address and ADD the byte stride
// once per point visited; nothing is multiplied per pair. Address arithmetic
// is done on uintptr_t, so a stride holding a negative number in two's
// complement wraps to a walk towards lower addresses with defined behaviour.
// Points are copied out with memcpy, so they need not be aligned for T.
// A reader touches no memory when n is 0.
//
// Each reader's layout is walked by its Cursor alone: next(s, d) gives the
// byte addresses of the next source and destination point. visit_addresses(n,
// f) hands f those of pairs 0 .. n-1 in order; visit(n, f) loads the points
// there and hands them on. The vector kernels load the points themselves.
#pragma once

#include <cstdint>
#include <cstring>

#include "fit_core.hpp"

namespace vq {

using Address = std::uintptr_t;

template <class T> Address address_of(const T* p) {
    return reinterpret_cast<Address>(p);
}

template <class T> Point2<T> load_point(Address at) {
    T xy[2];
    std::memcpy(xy, reinterpret_cast<const void*>(at), sizeof xy);
    return {xy[0], xy[1]};
}

// Readers derive from this (CRTP) for their visits; Reader::cursor() walks.
template <class T, class Reader> struct PairVisits {
    template <class F> void visit_addresses(uint32_t n, F&& f) const {
        auto cursor = static_cast<const Reader&>(*this).cursor();
        for (uint32_t i = 0; i < n; ++i) {
            Address source, destination;
            cursor.next(source, destination);
            f(source, destination);
        }
    }
    template <class F> void visit(uint32_t n, F&& f) const {
        visit_addresses(n, [&f](Address source, Address destination) {
            f(load_point<T>(source), load_point<T>(destination));
        });
    }
};

// Byte distance between consecutive points of a plain array of points.
template <class T> constexpr uint64_t kPackedPointStride = 2 * sizeof(T);

// One walk in which source and destination points alternate, one stride apart.
template <class T> struct AlternatingWalk : PairVisits<T, AlternatingWalk<T>> {
    Address start;
    uint64_t stride;
    AlternatingWalk(Address start_, uint64_t stride_) : start(start_), stride(stride_) {}

    struct Cursor {
        Address at;
        uint64_t stride;
        void next(Address& source, Address& destination) {
            source = at;
            at += stride;
            destination = at;
            at += stride;
        }
    };
    Cursor cursor() const { return {start, stride}; }
};

// Two walks side by side, one for the source points and one for the
// destination points, each with its own stride.
template <class T> struct ParallelWalks : PairVisits<T, ParallelWalks<T>> {
    Address source_start;
    uint64_t source_stride;
    Address destination_start;
    uint64_t destination_stride;
    ParallelWalks(Address s, uint64_t s_stride, Address d, uint64_t d_stride)
        : source_start(s), source_stride(s_stride), destination_start(d), destination_stride(d_stride) {}

    struct Cursor {
        Address s, d;
        uint64_t s_stride, d_stride;
        void next(Address& source, Address& destination) {
            source = s;
            destination = d;
            s += s_stride;
            d += d_stride;
        }
    };
    Cursor cursor() const { return {source_start, destination_start, source_stride, destination_stride}; }
};

// 2n pointers, source and destination alternating. The pointer array is read
// afresh on every pass.
template <class T> struct PointerPairs : PairVisits<T, PointerPairs<T>> {
    const T* const* pointers;
    explicit PointerPairs(const T* const* p) : pointers(p) {}

    struct Cursor {
        const T* const* next_pair;
        void next(Address& source, Address& destination) {
            source = address_of(next_pair[0]);
            destination = address_of(next_pair[1]);
            next_pair += 2;
        }
    };
    Cursor cursor() const { return {pointers}; }
};

}  // namespace vq
