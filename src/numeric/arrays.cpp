#include "numeric/arrays.h"

#include <bit>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>

#include "numeric/hooks.h"
#include "numeric/memory.h"

extern "C" {
MIRTEX_API INITMEM initmem = {0, 0, {0, 0, 0, 0, 0}};
}

namespace mirtex {

namespace {

constexpr int kMaxRank = 4;

// Where things lie in a block: 2N+2 header words, the pointer slots padded
// to an even count (so the elements start 16-byte aligned, as COMPLEX wants
// it), then the elements.
struct Layout {
    int rank = 0;
    int64_t extents[kMaxRank] = {};
    int64_t element_size = 0;
    int64_t slots = 0;     // pointer slots including the pad
    int64_t elements = 0;  // m1 x ... x mN
    int64_t bytes = 0;

    int64_t data_offset() const { return (2 * rank + 2 + slots) * 8; }
};

bool mul(int64_t a, int64_t b, int64_t& out) { return !__builtin_mul_overflow(a, b, &out); }
bool add(int64_t a, int64_t b, int64_t& out) { return !__builtin_add_overflow(a, b, &out); }

// The layout of an array, or false when the extents are not 1 to 4 values of
// at least 1 or the block would not fit in 63 bits.
bool make_layout(int rank, const int64_t* m, int64_t element_size, Layout& out) {
    if (rank < 1 || rank > kMaxRank || element_size < 1) return false;
    Layout l;
    l.rank = rank;
    l.element_size = element_size;
    l.elements = 1;
    for (int k = 0; k < rank; ++k) {
        if (m[k] < 1) return false;
        l.extents[k] = m[k];
        if (!mul(l.elements, m[k], l.elements)) return false;
    }
    // One table per pointer level: m1 slots for level 1, m1*m2 for level 2,
    // m1*m2*m3 for level 3 (nested: P = m1 (m2 (m3 + 1) + 1) for N = 4).
    int64_t p = 0, tables = 1;
    for (int k = 0; k + 1 < rank; ++k) {
        if (!mul(tables, m[k], tables) || !add(p, tables, p)) return false;
    }
    if (!add(p, p & 1, l.slots)) return false;
    int64_t data = 0;
    if (!mul(l.elements, element_size, data)) return false;
    if (!add(2 * rank + 2, l.slots, l.bytes) || !mul(l.bytes, 8, l.bytes) || !add(l.bytes, data, l.bytes))
        return false;
    out = l;
    return true;
}

// Pointer slots hold addresses; they are written and read as raw words so
// that one builder serves every element type and rank.
char* load(const char* slot) {
    char* p;
    std::memcpy(&p, slot, sizeof p);
    return p;
}
void store(char* slot, const char* p) { std::memcpy(slot, &p, sizeof p); }
// An address moved by a byte offset, which may leave the block: the origin
// shift points before the table when the lower bound is positive.
char* moved(char* p, int64_t bytes) {
    return reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(p) + static_cast<uintptr_t>(bytes));
}

int64_t* words(void* block) { return static_cast<int64_t*>(block); }

// Lays out the tables depth first: a table takes the next m[level] slots,
// then its entries are filled in order, each with its own sub-table or, at
// the last pointer level, with the next row of elements.
struct TableBuilder {
    const Layout& l;
    char* slot;
    char* data;

    char* table(int level) {
        char* t = slot;
        slot += l.extents[level] * 8;
        for (int64_t i = 0; i < l.extents[level]; ++i) {
            char* target;
            if (level == l.rank - 2) {
                target = data;
                data += l.extents[l.rank - 1] * l.element_size;
            } else {
                target = table(level + 1);
            }
            store(t + 8 * i, target);
        }
        return t;
    }
};

// Origin shift of a table and its sub-tables, deepest level first: an entry
// at level k then points lo(k+1) slots (or loN elements) before its target,
// so that indexing with the bound itself lands on the first one.
void shift_table(const Layout& l, const int64_t* lo, char* t, int level) {
    for (int64_t i = 0; i < l.extents[level]; ++i) {
        char* e = load(t + 8 * i);
        if (level < l.rank - 2) {
            shift_table(l, lo, e, level + 1);
            store(t + 8 * i, moved(e, -lo[level + 1] * 8));
        } else {
            store(t + 8 * i, moved(e, -lo[l.rank - 1] * l.element_size));
        }
    }
}

void report(const char* routine, const char* text) {
    const std::string s = std::string(routine) + ": " + text;
    Error_Message(s.c_str(), "Continue");
}

// Element-kind traits: the fill routine and the zero-test of a fill value.
template <class T>
struct Kind;
template <>
struct Kind<double> {
    static void set(double* p, int n, double v) { setmem_d(p, n, v); }
};
template <>
struct Kind<int> {
    static void set(int* p, int n, int v) { setmem_i(p, n, v); }
};
template <>
struct Kind<COMPLEX> {
    static void set(COMPLEX* p, int n, COMPLEX v) { setmem_C(p, n, v); }
};

template <class T>
void fill(T* p, int64_t n, T v) {
    // The setters count in int; a grid of more elements is filled in parts.
    while (n > 0) {
        const int part = n > INT_MAX ? INT_MAX : static_cast<int>(n);
        Kind<T>::set(p, part, v);
        p += part;
        n -= part;
    }
}

template <class H, class T>
void create_array(H** h, const char* routine, int rank, const int* bounds, T v) {
    if (h == nullptr) return report(routine, "Nil pointer!");
    if (*h != nullptr) return report(routine, "Not a nil pointer!");
    // Every index range must hold at least one value and its extent must fit
    // the extent list; an empty or reversed range is refused outright.
    int64_t lo[kMaxRank], m[kMaxRank];
    for (int k = 0; k < rank; ++k) {
        lo[k] = bounds[2 * k];
        m[k] = static_cast<int64_t>(bounds[2 * k + 1]) - lo[k] + 1;
        if (m[k] < 1 || m[k] > INT_MAX) return report(routine, "Bad index range!");
    }
    // The extents of the array being created are shown in initmem; solver
    // runs side by side create arrays at once, so the block is made from a
    // copy of its own.
    int32_t extents[kMaxRank + 1];
    for (int k = 0; k < rank; ++k) extents[k] = static_cast<int32_t>(m[k]);
    extents[rank] = 0;
    {
        static std::mutex shown;
        const std::lock_guard<std::mutex> lock(shown);
        std::memcpy(initmem.extents, extents, sizeof(int32_t) * static_cast<std::size_t>(rank + 1));
    }

    void* block = speich_malloc(extents, static_cast<int>(sizeof(T)));
    if (block == nullptr) return report(routine, "Out of memory!");
    *h = static_cast<H*>(block);
    int64_t* w = words(block);
    for (int k = 0; k < 2 * rank; ++k) w[1 + k] = bounds[k];

    Layout l;
    make_layout(rank, m, sizeof(T), l);  // speich_malloc made the same one
    char* base = static_cast<char*>(block);
    fill(reinterpret_cast<T*>(base + l.data_offset()), l.elements, v);

    char* top = reinterpret_cast<char*>(w + 2 * rank + 1);
    if (rank >= 2) shift_table(l, lo, load(top), 0);
    store(top, moved(load(top), -lo[0] * (rank >= 2 ? 8 : l.element_size)));
}

// The three header checks of ofree and overify; true when all pass.
bool check_header(const void* block, const char* routine, const char* size_routine, int rank,
                  int64_t element_size) {
    if (block == nullptr) {
        report(routine, "Nil pointer!");
        return false;
    }
    const int64_t* w = static_cast<const int64_t*>(block);
    if (w[0] <= 0) {
        report(routine, "size <= 0!");
        return false;
    }
    int64_t m[kMaxRank];
    bool sane = true;
    for (int k = 0; k < rank; ++k) {
        sane = sane && !__builtin_sub_overflow(w[2 + 2 * k], w[1 + 2 * k], &m[k]) &&
               !__builtin_add_overflow(m[k], 1, &m[k]);
    }
    Layout l;
    if (!sane || !make_layout(rank, m, element_size, l) || l.bytes != w[0]) {
        report(size_routine, "size not correct!");
        return false;
    }
    return true;
}

template <class H>
void free_array(H** h, const char* routine, int rank, int64_t element_size) {
    if (!check_header(h ? *h : nullptr, routine, routine, rank, element_size)) return;
    __atomic_fetch_sub(&initmem.current_bytes, words(*h)[0], __ATOMIC_RELAXED);
    g_free(reinterpret_cast<char*>(*h));
    *h = nullptr;
}

}  // namespace

int64_t array_block_bytes(int rank, const int64_t* extents, int64_t element_size) {
    Layout l;
    return make_layout(rank, extents, element_size, l) ? l.bytes : -1;
}

}  // namespace mirtex

using mirtex::check_header;
using mirtex::create_array;
using mirtex::free_array;

extern "C" {

MIRTEX_API void* speich_malloc(int* extents, int element_size) {
    int rank = 0;
    int64_t m[mirtex::kMaxRank] = {};
    bool listed = extents != nullptr;
    while (listed && rank <= mirtex::kMaxRank && extents[rank] != 0) {
        if (rank == mirtex::kMaxRank || extents[rank] < 0) listed = false;
        else m[rank] = extents[rank], ++rank;
    }
    if (!listed || rank == 0 || element_size < 1) {
        Error_Message("speich_malloc: Bad extent list!", "Continue");
        return nullptr;
    }
    mirtex::Layout l;
    void* block = mirtex::make_layout(rank, m, element_size, l) ? g_malloc(l.bytes) : nullptr;
    if (block == nullptr) {
        Error_Message("malloc returns nil pointer!", "Continue");
        return nullptr;
    }
    char* base = static_cast<char*>(block);
    int64_t* w = mirtex::words(block);
    w[0] = l.bytes;
    char* data = base + l.data_offset();
    char* top = data;
    if (rank >= 2) {
        mirtex::TableBuilder b{l, reinterpret_cast<char*>(w + 2 * rank + 2), data};
        top = b.table(0);
    }
    mirtex::store(reinterpret_cast<char*>(w + 2 * rank + 1), top);
    // Atomic: solver runs side by side create and release arrays at once.
    const int64_t now = __atomic_add_fetch(&initmem.current_bytes, l.bytes, __ATOMIC_RELAXED);
    int64_t peak = __atomic_load_n(&initmem.peak_bytes, __ATOMIC_RELAXED);
    while (now > peak &&
           !__atomic_compare_exchange_n(&initmem.peak_bytes, &peak, now, true, __ATOMIC_RELAXED, __ATOMIC_RELAXED)) {
    }
    return block;
}

// A fill value of +0 clears the bytes; every other value, -0 included, is
// stored as given (a comparison with 0.0 would turn -0 into +0).
MIRTEX_API void setmem_d(double* p, int n, double v) {
    if (std::bit_cast<uint64_t>(v) == 0) return zeromem_d(p, n);
    for (int i = 0; i < n; ++i) p[i] = v;
}
MIRTEX_API void setmem_i(int* p, int n, int v) {
    if (v == 0) return zeromem_i(p, n);
    for (int i = 0; i < n; ++i) p[i] = v;
}
MIRTEX_API void setmem_C(COMPLEX* p, int n, COMPLEX v) {
    if (std::bit_cast<uint64_t>(v.real) == 0 && std::bit_cast<uint64_t>(v.imag) == 0) return zeromem_C(p, n);
    for (int i = 0; i < n; ++i) p[i] = v;
}

MIRTEX_API void zeromem_d(double* p, int n) {
    if (n > 0) std::memset(p, 0, sizeof(double) * static_cast<size_t>(n));
}
MIRTEX_API void zeromem_i(int* p, int n) {
    if (n > 0) std::memset(p, 0, sizeof(int) * static_cast<size_t>(n));
}
MIRTEX_API void zeromem_C(COMPLEX* p, int n) {
    if (n > 0) std::memset(p, 0, sizeof(COMPLEX) * static_cast<size_t>(n));
}

MIRTEX_API void copymem_d(double* dst, double* src, int n) {
    if (n > 0) std::memmove(dst, src, sizeof(double) * static_cast<size_t>(n));
}
MIRTEX_API void copymem_i(int* dst, int* src, int n) {
    if (n > 0) std::memmove(dst, src, sizeof(int) * static_cast<size_t>(n));
}
MIRTEX_API void copymem_C(COMPLEX* dst, COMPLEX* src, int n) {
    if (n > 0) std::memmove(dst, src, sizeof(COMPLEX) * static_cast<size_t>(n));
}

// The family members: kind letter K, element type T, and the name the size
// message of overify carries (one member has always spelt it differently).
#define MIRTEX_ARRAY_MEMBERS(K, T, N, VERIFY_SIZE_NAME, PARAMS, ...)                              \
    MIRTEX_API void initmem_##K##N(K##N** h, PARAMS, T v) {                                        \
        const int bounds[] = {__VA_ARGS__};                                                        \
        create_array(h, "initmem_" #K #N, N, bounds, v);                                           \
    }                                                                                              \
    MIRTEX_API void ofree_##K##N(K##N** h) { free_array(h, "ofree_" #K #N, N, sizeof(T)); }      \
    MIRTEX_API int overify_##K##N(K##N** h) {                                                      \
        return check_header(h ? *h : nullptr, "overify_" #K #N, VERIFY_SIZE_NAME, N, sizeof(T)) ? 1 \
                                                                                               : 0; \
    }
#define MIRTEX_B1 int lo1, int hi1
#define MIRTEX_B2 MIRTEX_B1, int lo2, int hi2
#define MIRTEX_B3 MIRTEX_B2, int lo3, int hi3
#define MIRTEX_B4 MIRTEX_B3, int lo4, int hi4
#define MIRTEX_KIND(K, T, I3_NAME)                                                                 \
    MIRTEX_ARRAY_MEMBERS(K, T, 1, "overify_" #K "1", MIRTEX_B1, lo1, hi1)                        \
    MIRTEX_ARRAY_MEMBERS(K, T, 2, "overify_" #K "2", MIRTEX_B2, lo1, hi1, lo2, hi2)              \
    MIRTEX_ARRAY_MEMBERS(K, T, 3, I3_NAME, MIRTEX_B3, lo1, hi1, lo2, hi2, lo3, hi3)              \
    MIRTEX_ARRAY_MEMBERS(K, T, 4, "overify_" #K "4", MIRTEX_B4, lo1, hi1, lo2, hi2, lo3, hi3, lo4, hi4)
MIRTEX_KIND(d, double, "overify_d3")
MIRTEX_KIND(i, int, "ofverify_i3")
MIRTEX_KIND(C, COMPLEX, "overify_C3")
#undef MIRTEX_KIND
#undef MIRTEX_ARRAY_MEMBERS
}
