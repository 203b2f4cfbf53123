#pragma once
// The compiler builtins the code uses, behind plain names: GCC and Clang have them on
// every target the project builds for (Linux, and Windows through clang), and a compiler
// without them fails here rather than at each use. Each is one instruction or a few.
#if !defined(__GNUC__) && !defined(__clang__)
#error "core/builtins.hpp needs GCC or Clang builtins"
#endif

namespace core {

// Whether a + b, a - b or a * b (of any integer types) does not fit `*out`; `*out` gets
// the result wrapped to its type either way.
template <typename A, typename B, typename R>
constexpr bool add_overflow(A a, B b, R* out) {
    return __builtin_add_overflow(a, b, out);
}
template <typename A, typename B, typename R>
constexpr bool sub_overflow(A a, B b, R* out) {
    return __builtin_sub_overflow(a, b, out);
}
template <typename A, typename B, typename R>
constexpr bool mul_overflow(A a, B b, R* out) {
    return __builtin_mul_overflow(a, b, out);
}

// A hint that the memory at `p` is read soon; no effect on what the program does.
inline void prefetch(const void* p) { __builtin_prefetch(p); }

}  // namespace core
