// What the picture loops need to run vectorised on whatever machine they
// meet: the compiler builds the marked loops twice, for AVX2 and for the
// x86-64 baseline, and picks at load time; hand-written paths ask first.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VELVARO_X86_VECTORS 1
#endif

#if defined(VELVARO_X86_VECTORS) && !defined(__clang__)
#define VELVARO_VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define VELVARO_VECTOR_CLONES
#endif

namespace velvaro::engine {

#if defined(VELVARO_X86_VECTORS)
inline const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
inline const bool kHaveSsse3 = __builtin_cpu_supports("ssse3");
#else
inline constexpr bool kHaveAvx2 = false;
inline constexpr bool kHaveSsse3 = false;
#endif

}  // namespace velvaro::engine
