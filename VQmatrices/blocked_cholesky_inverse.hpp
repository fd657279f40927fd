#pragma once
#include "cholesky_inverse.hpp"
namespace vq::VQ_PATH {
template <class T> std::int32_t blocked_invert_by_cholesky(T* a, std::size_t n) { return reference::invert_by_cholesky(a, n); }
}
