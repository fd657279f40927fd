// Pair readers for the input layouts of the 2D similarity estimators.
//
// Walks keep the current point as an integer address and ADD the byte stride
// once per point visited; nothing is multiplied per pair. Address arithmetic
// is done on uintptr_t, so a stride holding a negative number in two's
// complement wraps to a walk towards lower addresses with defined behaviour.
// Points are copied out with memcpy, so they need not be aligned for T.
// A reader touches no memory when n is 0.
//
// Each reader walks its layout once, in visit_addresses(n, f), which hands f
// the byte addresses of source and destination point i for i = 0 .. n-1;
// visit(n, f) loads the two points there and hands them on. The vector
// kernels take the addresses and load the points themselves.
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

// The points at the addresses a reader visits, loaded and handed to f.
template <class T, class Reader, class F> void visit_points(const Reader& reader, uint32_t n, F& f) {
    reader.visit_addresses(n, [&f](Address source, Address destination) {
        f(load_point<T>(source), load_point<T>(destination));
    });
}

// Byte distance between consecutive points of a plain array of points.
template <class T> constexpr uint64_t kPackedPointStride = 2 * sizeof(T);

// One walk in which source and destination points alternate, one stride apart.
template <class T> struct AlternatingWalk {
    Address start;
    uint64_t stride;

    template <class F> void visit_addresses(uint32_t n, F&& f) const {
        Address at = start;
        for (uint32_t i = 0; i < n; ++i) {
            const Address source = at;
            at += stride;
            const Address destination = at;
            at += stride;
            f(source, destination);
        }
    }
    template <class F> void visit(uint32_t n, F&& f) const { visit_points<T>(*this, n, f); }
};

// Two walks side by side, one for the source points and one for the
// destination points, each with its own stride.
template <class T> struct ParallelWalks {
    Address source_start;
    uint64_t source_stride;
    Address destination_start;
    uint64_t destination_stride;

    template <class F> void visit_addresses(uint32_t n, F&& f) const {
        Address s = source_start;
        Address d = destination_start;
        for (uint32_t i = 0; i < n; ++i) {
            f(s, d);
            s += source_stride;
            d += destination_stride;
        }
    }
    template <class F> void visit(uint32_t n, F&& f) const { visit_points<T>(*this, n, f); }
};

// 2n pointers, source and destination alternating. The pointer array is read
// afresh on every pass.
template <class T> struct PointerPairs {
    const T* const* pointers;

    template <class F> void visit_addresses(uint32_t n, F&& f) const {
        for (uint32_t i = 0; i < n; ++i) {
            const T* source = pointers[2 * static_cast<std::size_t>(i)];
            const T* destination = pointers[2 * static_cast<std::size_t>(i) + 1];
            f(address_of(source), address_of(destination));
        }
    }
    template <class F> void visit(uint32_t n, F&& f) const { visit_points<T>(*this, n, f); }
};

}  // namespace vq
