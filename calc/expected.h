#pragma once

// std::expected where the standard library offers it. Clang up to 16 cannot read libstdc++ 12's <expected>,
// so clang-tidy and the fuzzer's clang build get the same interface from tl::expected.

#include <version>

#if defined(__cpp_lib_expected)
#include <expected>
namespace tarvol {
using std::expected;
using std::unexpected;
} // namespace tarvol
#else
#include <tl/expected.hpp>
namespace tarvol {
using tl::expected;
using tl::unexpected;
} // namespace tarvol
#endif
