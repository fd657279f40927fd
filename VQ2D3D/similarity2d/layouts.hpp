// Pair readers for the input layouts of the 2D similarity estimators.
//
// Walks keep the current point as an integer address and ADD the byte stride
// once per point visited; nothing is multiplied per pair. Address arithmetic
// is done on uintptr_t, so a stride holding a negative number in two's
// complement wraps to a walk towards lower addresses with defined behaviour.
// Points are copied out with memcpy, so they need not be aligned for T.
// A reader touches no memory when n is 0.
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

// Byte distance between consecutive points of a plain array of points.
template <class T> constexpr uint64_t kPackedPointStride = 2 * sizeof(T);

// One walk in which source and destination points alternate, one stride apart.
template <class T> struct AlternatingWalk {
    Address start;
    uint64_t stride;

    template <class F> void visit(uint32_t n, F&& f) const {
        Address at = start;
        for (uint32_t i = 0; i < n; ++i) {
            const Point2<T> source = load_point<T>(at);
            at += stride;
            const Point2<T> destination = load_point<T>(at);
            at += stride;
            f(source, destination);
        }
    }
};

// Two walks side by side, one for the source points and one for the
// destination points, each with its own stride.
template <class T> struct ParallelWalks {
    Address source_start;
    uint64_t source_stride;
    Address destination_start;
    uint64_t destination_stride;

    template <class F> void visit(uint32_t n, F&& f) const {
        Address s = source_start;
        Address d = destination_start;
        for (uint32_t i = 0; i < n; ++i) {
            f(load_point<T>(s), load_point<T>(d));
            s += source_stride;
            d += destination_stride;
        }
    }
};

// 2n pointers, source and destination alternating. The pointer array is read
// afresh on every pass.
template <class T> struct PointerPairs {
    const T* const* pointers;

    template <class F> void visit(uint32_t n, F&& f) const {
        for (uint32_t i = 0; i < n; ++i) {
            const T* source = pointers[2 * static_cast<std::size_t>(i)];
            const T* destination = pointers[2 * static_cast<std::size_t>(i) + 1];
            f(load_point<T>(address_of(source)), load_point<T>(address_of(destination)));
        }
    }
};

}  // namespace vq
