// The work buffer of the 3D estimator: when the heap refuses it the estimator
// returns -2 and has written nothing, neither record, cofactors nor points.
//
// A count of 2^32 - 1 pairs asks for about 100 GB (float) or 200 GB (double).
// In a plain build the request is refused in a child process whose address
// space is limited; under AddressSanitizer (which reserves a large address
// space itself) the sanitizer's allocator is told to refuse large blocks and
// to return null instead of aborting. The pointer array is tiny: the
// estimator must not read a single pair before it holds its buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "twins3d.hpp"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VQ_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VQ_TEST_ASAN 1
#endif

#if defined(VQ_TEST_ASAN)
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=4096";
}
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using vq_test::Twin;

constexpr uint32_t kHugeCount = 0xFFFFFFFFu;
constexpr unsigned char kSentinel = 0xA5;

// Calls the estimator with a count no heap can serve; true when it returned
// -2 and every byte of record, cofactors and points is untouched.
template <class T>
bool refuses_without_writing() {
    T points[6];
    std::memset(points, kSentinel, sizeof points);
    T* const pointers[2] = {points, points + 3};
    typename Twin<T>::Record record;
    std::memset(&record, kSentinel, sizeof record);
    float cofactors[9];
    std::memset(cofactors, kSentinel, sizeof cofactors);

    const int32_t status = Twin<T>::fit(pointers, kHugeCount, &record, 1, 0, cofactors);

    auto untouched = [](const void* p, std::size_t size) {
        const unsigned char* bytes = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < size; ++i)
            if (bytes[i] != kSentinel) return false;
        return true;
    };
    return status == -2 && untouched(points, sizeof points) && untouched(&record, sizeof record) &&
           untouched(cofactors, sizeof cofactors);
}

template <class T>
class WorkBuffer : public ::testing::Test {};
using Twins = ::testing::Types<float, double>;
TYPED_TEST_SUITE(WorkBuffer, Twins);

TYPED_TEST(WorkBuffer, RefusedBufferReportsMinusTwoAndWritesNothing) {
#if defined(VQ_TEST_ASAN)
    EXPECT_TRUE(refuses_without_writing<TypeParam>());
#else
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit = {rlim_t(1) << 32, rlim_t(1) << 32};  // 4 GiB of address space
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
        _exit(refuses_without_writing<TypeParam>() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the estimator crashed: it used the pairs without a buffer";
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

}  // namespace
