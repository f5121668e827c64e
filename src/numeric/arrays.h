// Dimensioned arrays: doubles (d), ints (i) and COMPLEX (C) of 1 to 4
// dimensions, each index running over an inclusive range lo..hi of its own.
//
// An array is one block from g_malloc, 64-bit words throughout:
//
//   word 0          total size of the block in bytes
//   words 1 .. 2N   lo1, hi1, lo2, hi2, ... (signed 64-bit)
//   word 2N+1       the access pointer
//   then            the row-pointer tables (N >= 2), depth first, padded to
//                   an even number of slots
//   then            the elements, last index fastest
//
// The types d1..d4, i1..i4, C1..C4 are the access-pointer types: d3 is
// double***, so with `d3 a` the expression a[i][j][k] is the element, for
// every index inside its bounds (the tables and the access pointer are
// shifted by the lower bounds).  The caller's handle is a pointer to the
// block, typed as a pointer to the access-pointer type:
//
//     d3* pot = NULL;                       // no array
//     initmem_d3(&pot, 1, nx, 1, nz, 1, ny, 0.0);
//     if (pot) {
//         d3 p = pot[2 * 3 + 1];            // word 2N+1; or mirtex::access(pot)
//         p[1][1][1] = 1.0;
//         ofree_d3(&pot);                   // pot is NULL again
//     }
//
// Failures are reported through Error_Message (silent) and change nothing;
// test the handle for null after initmem.
#pragma once

#include <stdint.h>

#include "mirtex/mirtex.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef double* d1;
typedef double** d2;
typedef double*** d3;
typedef double**** d4;
typedef int* i1;
typedef int** i2;
typedef int*** i3;
typedef int**** i4;
typedef COMPLEX* C1;
typedef COMPLEX** C2;
typedef COMPLEX*** C3;
typedef COMPLEX**** C4;

// Process-wide byte counts of the arrays, and the extents m1..mN (0
// terminated) of the array being created.  Scratch shared by all callers.
typedef struct INITMEM {
    int64_t current_bytes;
    int64_t peak_bytes;
    int32_t extents[5];
} INITMEM;

MIRTEX_API extern INITMEM initmem;

// A block for an array of the given extents (0 terminated, 1 to 4 of them)
// and element size, with its size word and unshifted pointer tables; null
// when no memory.  Counts the bytes.
MIRTEX_API void* speich_malloc(int* extents, int element_size);

MIRTEX_API void setmem_d(double* p, int n, double v);
MIRTEX_API void setmem_i(int* p, int n, int v);
MIRTEX_API void setmem_C(COMPLEX* p, int n, COMPLEX v);
MIRTEX_API void zeromem_d(double* p, int n);
MIRTEX_API void zeromem_i(int* p, int n);
MIRTEX_API void zeromem_C(COMPLEX* p, int n);
MIRTEX_API void copymem_d(double* dst, double* src, int n);
MIRTEX_API void copymem_i(int* dst, int* src, int n);
MIRTEX_API void copymem_C(COMPLEX* dst, COMPLEX* src, int n);

// initmem_<k><N>(handle address, lo1, hi1, ..., loN, hiN, fill value)
// ofree_<k><N>(handle address): releases, handle becomes null
// overify_<k><N>(handle address): 1 when the header is sound, 0 otherwise
#define MIRTEX_ARRAY_FAMILY(K, T)                                                                  \
    MIRTEX_API void initmem_##K##1(K##1 * *h, int lo1, int hi1, T v);                              \
    MIRTEX_API void initmem_##K##2(K##2 * *h, int lo1, int hi1, int lo2, int hi2, T v);            \
    MIRTEX_API void initmem_##K##3(K##3 * *h, int lo1, int hi1, int lo2, int hi2, int lo3,         \
                                   int hi3, T v);                                                  \
    MIRTEX_API void initmem_##K##4(K##4 * *h, int lo1, int hi1, int lo2, int hi2, int lo3,         \
                                   int hi3, int lo4, int hi4, T v);                                \
    MIRTEX_API void ofree_##K##1(K##1 * *h);                                                       \
    MIRTEX_API void ofree_##K##2(K##2 * *h);                                                       \
    MIRTEX_API void ofree_##K##3(K##3 * *h);                                                       \
    MIRTEX_API void ofree_##K##4(K##4 * *h);                                                       \
    MIRTEX_API int overify_##K##1(K##1 * *h);                                                      \
    MIRTEX_API int overify_##K##2(K##2 * *h);                                                      \
    MIRTEX_API int overify_##K##3(K##3 * *h);                                                      \
    MIRTEX_API int overify_##K##4(K##4 * *h);
MIRTEX_ARRAY_FAMILY(d, double)
MIRTEX_ARRAY_FAMILY(i, int)
MIRTEX_ARRAY_FAMILY(C, COMPLEX)
#undef MIRTEX_ARRAY_FAMILY

#ifdef __cplusplus
}  // extern "C"

#include <cstddef>
#include <utility>

namespace mirtex {

// Levels of indirection of an access-pointer type: 3 for d3, i3 and C3.
template <class A>
constexpr int pointer_depth = 0;
template <class A>
constexpr int pointer_depth<A*> = 1 + pointer_depth<A>;

// The access pointer of a live handle (word 2N+1 of its block).
template <class A>
A access(A* h) {
    return h[2 * pointer_depth<A> + 1];
}

// Bounds and size of a live handle, dim counted from 1.
inline int64_t block_bytes(const void* h) { return static_cast<const int64_t*>(h)[0]; }
inline int64_t lower_bound(const void* h, int dim) { return static_cast<const int64_t*>(h)[2 * dim - 1]; }
inline int64_t upper_bound(const void* h, int dim) { return static_cast<const int64_t*>(h)[2 * dim]; }

// Bytes of the block of an array with the given extents and element size,
// or -1 when an extent is below 1, there are not 1 to 4 of them, or the
// size does not fit in 63 bits.
int64_t array_block_bytes(int rank, const int64_t* extents, int64_t element_size);

// The pointer type with N levels of indirection to T (Ptr<double, 3> is d3).
template <class T, int N>
struct PtrOf {
    using type = typename PtrOf<T, N - 1>::type*;
};
template <class T>
struct PtrOf<T, 0> {
    using type = T;
};
template <class T, int N>
using Ptr = typename PtrOf<T, N>::type;

// The family members under one overloaded name each, chosen by the handle.
#define MIRTEX_ARRAY_OVERLOADS(K, T)                                                               \
    inline void create(K##1 * *h, int lo1, int hi1, T v) { initmem_##K##1(h, lo1, hi1, v); }      \
    inline void create(K##2 * *h, int lo1, int hi1, int lo2, int hi2, T v) {                       \
        initmem_##K##2(h, lo1, hi1, lo2, hi2, v);                                                  \
    }                                                                                              \
    inline void create(K##3 * *h, int lo1, int hi1, int lo2, int hi2, int lo3, int hi3, T v) {     \
        initmem_##K##3(h, lo1, hi1, lo2, hi2, lo3, hi3, v);                                        \
    }                                                                                              \
    inline void create(K##4 * *h, int lo1, int hi1, int lo2, int hi2, int lo3, int hi3, int lo4,   \
                       int hi4, T v) {                                                             \
        initmem_##K##4(h, lo1, hi1, lo2, hi2, lo3, hi3, lo4, hi4, v);                              \
    }                                                                                              \
    inline void release(K##1 * *h) { ofree_##K##1(h); }                                            \
    inline void release(K##2 * *h) { ofree_##K##2(h); }                                            \
    inline void release(K##3 * *h) { ofree_##K##3(h); }                                            \
    inline void release(K##4 * *h) { ofree_##K##4(h); }
MIRTEX_ARRAY_OVERLOADS(d, double)
MIRTEX_ARRAY_OVERLOADS(i, int)
MIRTEX_ARRAY_OVERLOADS(C, COMPLEX)
#undef MIRTEX_ARRAY_OVERLOADS

// Owns one dimensioned array for a scope: created by the family's initmem,
// released by its ofree.  Empty (false) when it could not be created.
//     DimArray<double, 2> z(1, n, 1, m, 0.0);
//     if (!z) return 1;
//     z[i][j] = ...;
template <class T, int N>
class DimArray {
public:
    template <class... Args>
    explicit DimArray(Args... bounds_then_fill) {
        static_assert(sizeof...(Args) == 2 * N + 1, "lo and hi of every index, then the fill value");
        create(&h_, bounds_then_fill...);
    }
    DimArray(const DimArray&) = delete;
    DimArray& operator=(const DimArray&) = delete;
    DimArray(DimArray&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    DimArray& operator=(DimArray&& o) noexcept {
        std::swap(h_, o.h_);
        return *this;
    }
    ~DimArray() {
        if (h_) release(&h_);
    }

    explicit operator bool() const { return h_ != nullptr; }
    Ptr<T, N>* handle() const { return h_; }
    Ptr<T, N> access() const { return h_[2 * N + 1]; }
    Ptr<T, N - 1> operator[](std::ptrdiff_t i) const { return access()[i]; }

private:
    Ptr<T, N>* h_ = nullptr;
};

}  // namespace mirtex

#endif
