// Dimensioned arrays: block sizes and layout, indexing through the access
// pointer, the byte counts, and every failure path (reported, state kept).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "numeric/numeric.h"
#include "support/fresh_process.h"

namespace {

using mirtex::last_error_message;

// Independent statement of the block size: 2N+2 header words, the pointer
// slots rounded up to even, then the elements.
int64_t expected_bytes(const std::vector<int64_t>& m, int64_t e) {
    const std::size_t n = m.size();
    int64_t p = 0;
    if (n == 2) p = m[0];
    if (n == 3) p = m[0] * (m[1] + 1);
    if (n == 4) p = m[0] * (m[1] * (m[2] + 1) + 1);
    int64_t elements = 1;
    for (int64_t x : m) elements *= x;
    return (2 * static_cast<int64_t>(n) + 2 + p + (p % 2)) * 8 + elements * e;
}

char* bytes_of(const void* p) { return const_cast<char*>(static_cast<const char*>(p)); }

// Element i1..iN through the access pointer.
template <class A>
auto* element(A a, const int64_t* i) {
    if constexpr (mirtex::pointer_depth<A> == 1) return &a[i[0]];
    else return element(a[i[0]], i + 1);
}

template <class H, class T, std::size_t... K>
void create(H** h, const std::vector<int>& b, T v, std::index_sequence<K...>) {
    mirtex::create(h, b[K]..., v);
}

// Creates an array of T with the bounds (lo1, hi1, ...), checks its size,
// the byte counts, the bounds in the header and that the access pointer
// reaches every element at its row-major place in one contiguous run, each
// holding the fill value; then frees it and checks the counts fall back.
template <class T, int N>
void check_shape(const std::vector<int>& b, T fill) {
    SCOPED_TRACE(::testing::Message() << "rank " << N << ", lo1 " << b[0] << ", hi1 " << b[1]);
    std::vector<int64_t> m;
    for (int k = 0; k < N; ++k) m.push_back(b[2 * k + 1] - b[2 * k] + 1);
    const int64_t before = initmem.current_bytes;
    mirtex::Ptr<T, N>* h = nullptr;
    create(&h, b, fill, std::make_index_sequence<2 * N>());
    ASSERT_NE(h, nullptr);
    const int64_t size = expected_bytes(m, sizeof(T));
    EXPECT_EQ(mirtex::block_bytes(h), size);
    EXPECT_EQ(initmem.current_bytes, before + size);
    EXPECT_GE(initmem.peak_bytes, initmem.current_bytes);
    for (int k = 0; k < N; ++k) {
        EXPECT_EQ(mirtex::lower_bound(h, k + 1), b[2 * k]);
        EXPECT_EQ(mirtex::upper_bound(h, k + 1), b[2 * k + 1]);
        EXPECT_EQ(initmem.extents[k], m[k]);
    }
    EXPECT_EQ(initmem.extents[N], 0);

    int64_t elements = 1;
    for (int64_t x : m) elements *= x;
    char* data = bytes_of(h) + size - elements * static_cast<int64_t>(sizeof(T));
    EXPECT_EQ((data - bytes_of(h)) % 16, 0) << "elements start an even number of words in";
    int64_t idx[N];
    for (int64_t flat = 0; flat < elements; ++flat) {
        int64_t rest = flat;
        for (int k = N - 1; k >= 0; --k) idx[k] = b[2 * k] + rest % m[k], rest /= m[k];
        T* e = element(mirtex::access(h), idx);
        ASSERT_EQ(bytes_of(e), data + flat * static_cast<int64_t>(sizeof(T)));
        ASSERT_EQ(std::memcmp(e, &fill, sizeof(T)), 0);
    }
    mirtex::release(&h);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(initmem.current_bytes, before);
}

// One-element ranges, lower bounds 0, 1 and negative, odd and even table
// slot counts.
template <class T>
void check_family(T fill) {
    for (auto b : std::vector<std::vector<int>>{{1, 1}, {0, 0}, {1, 7}, {-3, 4}}) check_shape<T, 1>(b, fill);
    for (auto b : std::vector<std::vector<int>>{{1, 1, 1, 1}, {0, 0, 0, 0}, {1, 3, 1, 5}, {0, 3, 1, 3}, {-2, 2, -1, 0}})
        check_shape<T, 2>(b, fill);
    for (auto b : std::vector<std::vector<int>>{
             {1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0}, {1, 3, 1, 2, 1, 5}, {0, 2, 0, 1, 0, 3}, {1, 5, 0, 3, -1, 1}})
        check_shape<T, 3>(b, fill);
    for (auto b : std::vector<std::vector<int>>{
             {1, 1, 1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0}, {1, 3, 1, 2, 1, 3, 1, 2}, {0, 2, 1, 1, -1, 1, 0, 4}})
        check_shape<T, 4>(b, fill);
}

TEST(DimArrays, EveryKindAndRankHasTheFormulaSizeAndReachesEveryElement) {
    check_family<double>(2.5);
    check_family<double>(0.0);
    check_family<int>(-7);
    check_family<int>(0);
    check_family<COMPLEX>(COMPLEX{1.5, -0.25});
    check_family<COMPLEX>(COMPLEX{0.0, 0.0});
    EXPECT_EQ(initmem.current_bytes, 0);
    EXPECT_EQ(last_error_message().count, 0);
}

TEST(DimArrays, WorkedSizes) {
    MIRTEX_FRESH_PROCESS();
    d1* a = nullptr;
    initmem_d1(&a, 1, 10, 0.0);
    C1* c = nullptr;
    initmem_C1(&c, 0, 4, COMPLEX{1, 1});
    i2* n = nullptr;
    initmem_i2(&n, 1, 3, 1, 5, 1);  // m1 = 3: tables padded to 4 slots
    EXPECT_EQ(mirtex::block_bytes(a), 32 + 8 * 10);
    EXPECT_EQ(mirtex::block_bytes(c), 32 + 16 * 5);
    EXPECT_EQ(mirtex::block_bytes(n), 48 + 8 * 4 + 4 * 15);
    EXPECT_EQ(initmem.current_bytes, 112 + 112 + 140);
    EXPECT_EQ(initmem.peak_bytes, 364);
    ofree_d1(&a);
    ofree_C1(&c);
    EXPECT_EQ(initmem.current_bytes, 140);
    EXPECT_EQ(initmem.peak_bytes, 364) << "the peak never falls";
    ofree_i2(&n);
    EXPECT_EQ(initmem.current_bytes, 0);
}

// The tables lie depth first right after the header: the level-1 table, then
// for each of its entries that entry's table and the tables below it.
TEST(DimArrays, PointerTablesLieDepthFirst) {
    d4* h = nullptr;
    const int m1 = 2, m2 = 3, m3 = 2, m4 = 4;
    initmem_d4(&h, 1, m1, 0, m2 - 1, 5, 4 + m3, -1, m4 - 2, 0.0);
    ASSERT_NE(h, nullptr);
    char* tables = bytes_of(h) + 10 * 8;
    d4 a = mirtex::access(h);
    EXPECT_EQ(bytes_of(a + 1), tables);
    for (int i = 0; i < m1; ++i) {
        const int64_t l2 = m1 + i * (m2 + m2 * m3);
        EXPECT_EQ(bytes_of(a[1 + i] + 0), tables + 8 * l2);
        for (int j = 0; j < m2; ++j) EXPECT_EQ(bytes_of(a[1 + i][j] + 5), tables + 8 * (l2 + m2 + j * m3));
    }
    ofree_d4(&h);

    d3* g = nullptr;
    initmem_d3(&g, 0, 2, 1, 4, 1, 1, 1.0);
    d3 b = mirtex::access(g);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(bytes_of(b[i] + 1), bytes_of(g) + 8 * (8 + 3 + 4 * i));
    ofree_d3(&g);
}

TEST(DimArrays, FillValuesAreStoredExactly) {
    // -0.0 is a value of its own: it must not come back as +0.0.
    d2* z = nullptr;
    initmem_d2(&z, 1, 3, 1, 3, -0.0);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_TRUE(std::signbit(mirtex::access(z)[i][j]));
    ofree_d2(&z);
    C1* c = nullptr;
    initmem_C1(&c, 1, 3, COMPLEX{0.0, -0.0});
    EXPECT_TRUE(std::signbit(mirtex::access(c)[2].imag));
    ofree_C1(&c);

    double row[5] = {9, 9, 9, 9, 9};
    setmem_d(row, 3, 0.0);
    EXPECT_EQ(row[2], 0.0);
    EXPECT_EQ(row[3], 9.0) << "only n elements";
}

// A refused call reports once through the silent hook, with the button
// "Continue", and changes no handle, count or extent.
TEST(DimArrays, RefusedCallsReportAndChangeNothing) {
    d3* h = nullptr;
    initmem_d3(&h, 1, 2, 1, 2, 1, 2, 4.0);
    d3* live = h;
    const int64_t counted = initmem.current_bytes;
    const long reports = last_error_message().count;
    initmem_d3(&h, 1, 9, 1, 9, 1, 9, 1.0);
    EXPECT_EQ(last_error_message().text, "initmem_d3: Not a nil pointer!");
    EXPECT_EQ(last_error_message().button, "Continue");
    EXPECT_EQ(h, live);
    EXPECT_EQ(mirtex::access(h)[2][2][2], 4.0);

    d1* a = nullptr;
    initmem_d1(&a, 5, 4, 0.0);  // empty range
    EXPECT_EQ(last_error_message().text, "initmem_d1: Bad index range!");
    i2* b = nullptr;
    initmem_i2(&b, 1, 2, INT_MIN, INT_MAX, 0);  // 2^32 values do not fit an extent
    EXPECT_EQ(last_error_message().text, "initmem_i2: Bad index range!");
    EXPECT_TRUE(a == nullptr && b == nullptr);
    EXPECT_EQ(last_error_message().count, reports + 3);
    EXPECT_EQ(initmem.current_bytes, counted);
    EXPECT_EQ(initmem.extents[0], 2);

    ofree_d3(&h);
    ofree_d3(&h);  // the handle reads null after a release
    EXPECT_EQ(last_error_message().text, "ofree_d3: Nil pointer!");
    EXPECT_EQ(last_error_message().count, reports + 4);
    EXPECT_EQ(initmem.current_bytes, 0);
}

TEST(DimArrays, DamagedHeaderIsNotFreed) {
    i3* h = nullptr;
    initmem_i3(&h, 1, 2, 1, 3, 1, 4, 5);
    int64_t* w = reinterpret_cast<int64_t*>(h);
    const int64_t size = w[0];
    const int64_t counted = initmem.current_bytes;

    w[0] = size + 8;
    EXPECT_EQ(overify_i3(&h), 0);
    EXPECT_EQ(last_error_message().text, "ofverify_i3: size not correct!");
    ofree_i3(&h);
    EXPECT_EQ(last_error_message().text, "ofree_i3: size not correct!");
    EXPECT_EQ(h, reinterpret_cast<i3*>(w));
    EXPECT_EQ(initmem.current_bytes, counted);

    w[0] = 0;
    ofree_i3(&h);
    EXPECT_EQ(last_error_message().text, "ofree_i3: size <= 0!");
    EXPECT_EQ(overify_i3(&h), 0);
    EXPECT_EQ(last_error_message().text, "overify_i3: size <= 0!");

    w[0] = size;
    w[6] = 1000000;  // upper bound of index 3
    ofree_i3(&h);
    EXPECT_EQ(last_error_message().text, "ofree_i3: size not correct!");
    w[6] = 4;
    w[5] = INT64_MIN;  // a bound no arithmetic on it may overflow
    EXPECT_EQ(overify_i3(&h), 0);
    w[5] = 1;

    const long reports = last_error_message().count;
    EXPECT_EQ(overify_i3(&h), 1);
    EXPECT_EQ(last_error_message().count, reports) << "a sound header is not reported";
    ofree_i3(&h);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(initmem.current_bytes, counted - size);
    EXPECT_EQ(overify_d1(nullptr), 0);
    EXPECT_EQ(last_error_message().text, "overify_d1: Nil pointer!");
}

TEST(DimArrays, OutOfMemoryLeavesTheHandleNullAndTheCountsAlone) {
    MIRTEX_FRESH_PROCESS();
    d2* h = nullptr;
    mirtex::fail_g_malloc_after(0);
    const long reports = last_error_message().count;
    initmem_d2(&h, 1, 10, 1, 10, 1.0);
    mirtex::fail_g_malloc_after(-1);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(last_error_message().text, "initmem_d2: Out of memory!");
    EXPECT_EQ(last_error_message().count, reports + 2) << "speich_malloc reports first";
    EXPECT_EQ(initmem.current_bytes, 0);
    EXPECT_EQ(initmem.peak_bytes, 0);

    // A block whose size does not fit in 63 bits is never asked for.
    C4* huge = nullptr;
    initmem_C4(&huge, 0, INT_MAX - 1, 0, INT_MAX - 1, 0, INT_MAX - 1, 0, 10, COMPLEX{0, 0});
    EXPECT_EQ(huge, nullptr);
    EXPECT_EQ(last_error_message().text, "initmem_C4: Out of memory!");
}

TEST(DimArrays, SpeichMallocBuildsUnshiftedTables) {
    int extents[] = {3, 2, 0};
    void* block = speich_malloc(extents, 8);
    ASSERT_NE(block, nullptr);
    int64_t* w = static_cast<int64_t*>(block);
    EXPECT_EQ(w[0], 48 + 32 + 48);
    EXPECT_EQ(initmem.current_bytes, w[0]);
    char** top = reinterpret_cast<char**>(w[5]);
    EXPECT_EQ(bytes_of(top), bytes_of(block) + 48);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(top[i], bytes_of(block) + 80 + 16 * i);
    initmem.current_bytes -= w[0];
    g_free(static_cast<char*>(block));

    int too_many[] = {1, 1, 1, 1, 1, 0};
    EXPECT_EQ(speich_malloc(too_many, 8), nullptr);
    EXPECT_EQ(last_error_message().text, "speich_malloc: Bad extent list!");
}

TEST(DimArrays, ScopedArrayReleasesItself) {
    {
        mirtex::DimArray<COMPLEX, 2> y(1, 4, 1, 4, COMPLEX{0, 0});
        ASSERT_TRUE(y);
        y[4][4] = COMPLEX{1, 2};
        mirtex::DimArray<COMPLEX, 2> moved = std::move(y);
        EXPECT_FALSE(y);
        EXPECT_EQ(moved[4][4].imag, 2.0);
        EXPECT_GT(initmem.current_bytes, 0);
    }
    EXPECT_EQ(initmem.current_bytes, 0);
}

TEST(InteractiveHooks, AnswerWithoutAsking) {
    int v = 0;
    Read_Value("Number of sweeps?", &v);
    EXPECT_EQ(v, 9999);
    EXPECT_EQ(Question_2("Continue?", "Yes", "No"), 2);
    EXPECT_EQ(On_Error_Retry("Retry?"), 0);
}

}  // namespace
