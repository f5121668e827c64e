#include "cache/cache.h"

#include <cstring>

#include "numeric/memory.h"

extern "C" {
#define MIRTEX_DEFINE_ROOT(kind) MIRTEX_API CACHE* root_##kind = nullptr;
MIRTEX_CACHE_ROOTS(MIRTEX_DEFINE_ROOT)
#undef MIRTEX_DEFINE_ROOT
}

namespace mirtex {
namespace {

// A fresh array of n elements, or null for n == 0.  ok turns false when the
// memory cannot be obtained.
template <typename T>
T* obtain(int n, bool& ok) {
    if (n <= 0) return nullptr;
    T* p = static_cast<T*>(g_malloc(static_cast<long>(n) * static_cast<long>(sizeof(T))));
    if (p == nullptr) ok = false;
    return p;
}

template <typename T>
void release(T* p) {
    if (p != nullptr) g_free(reinterpret_cast<char*>(p));
}

template <typename T>
void copy(T* dst, const T* src, int n) {
    if (n > 0) std::memcpy(dst, src, static_cast<std::size_t>(n) * sizeof(T));
}

// Bit-for-bit equality of one key part: same length, same bytes.  Bytes,
// not values: 0.0 and -0.0 are different keys, and a NaN equals itself.
template <typename T>
bool same_part(const T* a, int na, const T* b, int nb) {
    if (na != nb) return false;
    return na <= 0 || std::memcmp(a, b, static_cast<std::size_t>(na) * sizeof(T)) == 0;
}

bool same_key(const CACHE* node, const int* ipar, int n_ipar, const double* dpar, int n_dpar) {
    return same_part(node->ipar, node->n_ipar, ipar, n_ipar) && same_part(node->dpar, node->n_dpar, dpar, n_dpar);
}

// The caller's result buffer for a hit: the one it has when its count fits,
// else a new one of the node's size (the old one is released by commit()).
template <typename T>
struct Outgoing {
    T** buffer;
    int* count;
    T* fresh = nullptr;
    bool replace = false;

    Outgoing(T** b, int* c, int wanted, bool& ok) : buffer(b), count(c) {
        if (*buffer != nullptr && *count == wanted) return;
        replace = true;
        fresh = obtain<T>(wanted, ok);
    }
    void commit(const T* src, int n) {
        if (replace) {
            release(*buffer);
            *buffer = fresh;
        }
        *count = n;
        copy(*buffer, src, n);
    }
    void abandon() { release(fresh); }
};

// Replace a node's stored results.  When the new results cannot be held,
// the node keeps its old ones: the same key always solves to the same
// results, so they are still the right answer.
template <typename T>
void replace_results(T*& stored, int& stored_n, const T* src, int n) {
    if (n != stored_n) {
        bool ok = true;
        T* fresh = obtain<T>(n, ok);
        if (!ok) return;
        release(stored);
        stored = fresh;
        stored_n = n;
    }
    copy(stored, src, n);
}

}  // namespace
}  // namespace mirtex

extern "C" {

MIRTEX_API CACHE* cache_alloc(int n_ipar, int n_dpar, int n_ipar_out, int n_dpar_out) {
    using namespace mirtex;
    bool ok = true;
    auto* node = static_cast<CACHE*>(g_malloc(static_cast<long>(sizeof(CACHE))));
    if (node == nullptr) return nullptr;
    std::memset(node, 0, sizeof(CACHE));
    node->ipar = obtain<int>(n_ipar, ok);
    node->dpar = obtain<double>(n_dpar, ok);
    node->ipar_out = obtain<int>(n_ipar_out, ok);
    node->dpar_out = obtain<double>(n_dpar_out, ok);
    if (!ok) {
        // All or nothing: a node with a missing array would crash its
        // first copy.
        release(node->ipar);
        release(node->dpar);
        release(node->ipar_out);
        release(node->dpar_out);
        release(node);
        return nullptr;
    }
    return node;
}

MIRTEX_API CACHE* cache(CACHE* root, int* found, const char* mode, const int* ipar, int n_ipar,
                        const double* dpar, int n_dpar, int** ipar_out, int* n_ipar_out, double** dpar_out,
                        int* n_dpar_out) {
    using namespace mirtex;
    const bool lookup = mode != nullptr && std::strcmp(mode, "r") == 0;

    CACHE* last = nullptr;
    CACHE* node = root;
    while (node != nullptr && !same_key(node, ipar, n_ipar, dpar, n_dpar)) {
        last = node;
        node = node->next;
    }

    if (lookup) {
        *found = 0;
        if (node == nullptr) return root;
        // Both buffers are obtained before either is touched, so that when
        // memory runs out the caller sees an ordinary miss with its buffers
        // as they were.
        bool ok = true;
        Outgoing<int> ints(ipar_out, n_ipar_out, node->n_ipar_out, ok);
        Outgoing<double> reals(dpar_out, n_dpar_out, node->n_dpar_out, ok);
        if (!ok) {
            ints.abandon();
            reals.abandon();
            return root;
        }
        ints.commit(node->ipar_out, node->n_ipar_out);
        reals.commit(node->dpar_out, node->n_dpar_out);
        *found = 1;
        return root;
    }

    if (node != nullptr) {
        *found = 1;
        replace_results(node->ipar_out, node->n_ipar_out, *ipar_out, *n_ipar_out);
        replace_results(node->dpar_out, node->n_dpar_out, *dpar_out, *n_dpar_out);
        return root;
    }

    *found = 0;
    // When no node can be obtained the chain stays as it is; the driver's
    // look-up that follows every store then misses and reports the memory
    // shortage.
    CACHE* fresh = cache_alloc(n_ipar, n_dpar, *n_ipar_out, *n_dpar_out);
    if (fresh == nullptr) return root;
    fresh->n_ipar = n_ipar > 0 ? n_ipar : 0;
    fresh->n_dpar = n_dpar > 0 ? n_dpar : 0;
    fresh->n_ipar_out = *n_ipar_out > 0 ? *n_ipar_out : 0;
    fresh->n_dpar_out = *n_dpar_out > 0 ? *n_dpar_out : 0;
    copy(fresh->ipar, ipar, n_ipar);
    copy(fresh->dpar, dpar, n_dpar);
    copy(fresh->ipar_out, *ipar_out, *n_ipar_out);
    copy(fresh->dpar_out, *dpar_out, *n_dpar_out);
    if (last == nullptr) return fresh;
    last->next = fresh;
    return root;
}

}  // extern "C"
