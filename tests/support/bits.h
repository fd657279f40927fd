/* The one value comparison of the tests, in C so that the C99 golden runner
 * and the C++ tests share it.
 *
 * Two results are the same when their bits are equal, or when both are NaN.
 * The sign and payload of a NaN are not compared: where two NaNs meet in one
 * operation the processor passes on the first operand's, and compilers order
 * the operands of + and * freely, so no source fixes which NaN comes out.
 * Signed zeros and infinities are compared by their bits. */
#ifndef VQ_TEST_BITS_H
#define VQ_TEST_BITS_H

#include <stdint.h>
#include <string.h>

static inline int vq_same_float(float a, float b) {
    uint32_t x, y;
    memcpy(&x, &a, sizeof x);
    memcpy(&y, &b, sizeof y);
    return x == y || (a != a && b != b);
}

static inline int vq_same_double(double a, double b) {
    uint64_t x, y;
    memcpy(&x, &a, sizeof x);
    memcpy(&y, &b, sizeof y);
    return x == y || (a != a && b != b);
}

#endif /* VQ_TEST_BITS_H */
