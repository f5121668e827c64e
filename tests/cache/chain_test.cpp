// The in-memory result chains: keys match bit for bit, stores append or
// overwrite, look-ups copy results into the caller's buffers and reuse them
// when they fit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "cache/cache.h"
#include "numeric/memory.h"
#include "support/fresh_process.h"

namespace {

// The caller's side of the cache: a key, result buffers obtained the way
// the work vectors are, and the chain root it keeps.
struct Caller {
    std::vector<int> ipar;
    std::vector<double> dpar;
    int* ipar_out = nullptr;
    int n_ipar_out = 0;
    double* dpar_out = nullptr;
    int n_dpar_out = 0;

    Caller(std::vector<int> i, std::vector<double> d) : ipar(std::move(i)), dpar(std::move(d)) {}
    ~Caller() {
        g_free(reinterpret_cast<char*>(ipar_out));
        g_free(reinterpret_cast<char*>(dpar_out));
    }

    void set_results(const std::vector<int>& i, const std::vector<double>& d) {
        g_free(reinterpret_cast<char*>(ipar_out));
        g_free(reinterpret_cast<char*>(dpar_out));
        ipar_out = i.empty() ? nullptr : static_cast<int*>(g_malloc(static_cast<long>(i.size() * sizeof(int))));
        dpar_out = d.empty() ? nullptr : static_cast<double*>(g_malloc(static_cast<long>(d.size() * sizeof(double))));
        if (!i.empty()) std::memcpy(ipar_out, i.data(), i.size() * sizeof(int));
        if (!d.empty()) std::memcpy(dpar_out, d.data(), d.size() * sizeof(double));
        n_ipar_out = static_cast<int>(i.size());
        n_dpar_out = static_cast<int>(d.size());
    }

    CACHE* call(CACHE* root, const char* mode, int& found) {
        return cache(root, &found, mode, ipar.data(), static_cast<int>(ipar.size()), dpar.data(),
                     static_cast<int>(dpar.size()), &ipar_out, &n_ipar_out, &dpar_out, &n_dpar_out);
    }
    // Store (mode "w") and return the new root.
    CACHE* store(CACHE* root, const std::vector<int>& i, const std::vector<double>& d, int* found = nullptr) {
        set_results(i, d);
        int f = -1;
        root = call(root, "w", f);
        if (found) *found = f;
        return root;
    }
    bool lookup(CACHE* root) {
        int found = -1;
        EXPECT_EQ(call(root, "r", found), root);
        EXPECT_TRUE(found == 0 || found == 1);
        return found == 1;
    }
    std::vector<double> reals() const { return {dpar_out, dpar_out + n_dpar_out}; }
    std::vector<int> ints() const { return {ipar_out, ipar_out + n_ipar_out}; }
};

int chain_length(const CACHE* root) {
    int n = 0;
    for (; root != nullptr; root = root->next) ++n;
    return n;
}

const std::vector<int> kLineInts{4, 8, 6, 20, 40, 2, 1, 0, 3};
const std::vector<double> kLineReals{1e-6, 2e-6, 12.9, 1e-4, 0.0, 2.44e-8, 5e-4, 0.0, 1.0, 3.5};

TEST(CacheChain, EmptyChainMissesAndLeavesBuffersAlone) {
    Caller c(kLineInts, kLineReals);
    c.set_results({7}, {1.5, 2.5});
    int* ibuf = c.ipar_out;
    double* dbuf = c.dpar_out;
    int found = -1;
    EXPECT_EQ(c.call(nullptr, "r", found), nullptr);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(c.ipar_out, ibuf);
    EXPECT_EQ(c.dpar_out, dbuf);
    EXPECT_EQ(c.ints(), (std::vector<int>{7}));
    EXPECT_EQ(c.reals(), (std::vector<double>{1.5, 2.5}));
}

TEST(CacheChain, StoresAppendInOrderAndOverwriteWithoutGrowth) {
    CACHE*& root = root_line;  // chains live in the exported roots, as the drivers keep them
    Caller a(kLineInts, kLineReals);
    int found = -1;
    root = a.store(root, {}, {1.0, 2.0}, &found);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(found, 0);
    CACHE* first = root;

    Caller b(kLineInts, {1.0});
    Caller c({1, 2, 3}, kLineReals);
    EXPECT_EQ(b.store(root, {}, {3.0}), first);
    EXPECT_EQ(c.store(root, {9}, {4.0}), first);
    ASSERT_EQ(chain_length(root), 3);
    EXPECT_EQ(root->next->dpar_out[0], 3.0);
    EXPECT_EQ(root->next->next->dpar_out[0], 4.0);
    EXPECT_EQ(root->next->next->next, nullptr);

    // Storing b's key again replaces its results in place.
    EXPECT_EQ(b.store(root, {5, 6}, {30.0, 31.0, 32.0}, &found), first);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(chain_length(root), 3);

    Caller probe(kLineInts, {1.0});
    ASSERT_TRUE(probe.lookup(root));
    EXPECT_EQ(probe.ints(), (std::vector<int>{5, 6}));
    EXPECT_EQ(probe.reals(), (std::vector<double>{30.0, 31.0, 32.0}));
    Caller other(kLineInts, kLineReals);
    ASSERT_TRUE(other.lookup(root));
    EXPECT_EQ(other.reals(), (std::vector<double>{1.0, 2.0}));
}

TEST(CacheChain, KeysMatchBitForBit) {
    MIRTEX_FRESH_PROCESS();
    std::vector<double> last = kLineReals;
    last.back() = std::nextafter(last.back(), 10.0);
    std::vector<double> negzero = kLineReals;
    negzero[4] = -0.0;
    std::vector<int> longer = kLineInts;
    longer.push_back(0);
    std::vector<int> shorter(kLineInts.begin(), kLineInts.end() - 1);
    std::vector<double> nan = kLineReals;
    nan[7] = std::nan("");

    const std::vector<std::pair<std::vector<int>, std::vector<double>>> keys{
        {kLineInts, kLineReals}, {kLineInts, last}, {kLineInts, negzero}, {longer, kLineReals},
        {shorter, kLineReals},   {kLineInts, {}},   {kLineInts, nan},
    };
    CACHE*& root = root_line;  // chains live in the exported roots, as the drivers keep them
    for (std::size_t k = 0; k < keys.size(); ++k) {
        Caller c(keys[k].first, keys[k].second);
        int found = -1;
        root = c.store(root, {}, {static_cast<double>(k)}, &found);
        EXPECT_EQ(found, 0) << "key " << k << " matched an earlier one";
    }
    EXPECT_EQ(chain_length(root), static_cast<int>(keys.size()));
    for (std::size_t k = 0; k < keys.size(); ++k) {
        Caller c(keys[k].first, keys[k].second);
        ASSERT_TRUE(c.lookup(root)) << "key " << k;
        EXPECT_EQ(c.reals(), (std::vector<double>{static_cast<double>(k)})) << "key " << k;
    }
}

TEST(CacheChain, LookupReusesFittingBuffersAndResizesOthers) {
    CACHE*& root = root_line;  // chains live in the exported roots, as the drivers keep them
    Caller s(kLineInts, kLineReals);
    root = s.store(root, {1, 2}, {0.5, 0.25, 0.125});

    // Buffers of the right size are filled in place: a hit at every
    // frequency point allocates nothing.
    Caller fits(kLineInts, kLineReals);
    fits.set_results({0, 0}, {0.0, 0.0, 0.0});
    int* ibuf = fits.ipar_out;
    double* dbuf = fits.dpar_out;
    ASSERT_TRUE(fits.lookup(root));
    EXPECT_EQ(fits.ipar_out, ibuf);
    EXPECT_EQ(fits.dpar_out, dbuf);
    EXPECT_EQ(fits.ints(), (std::vector<int>{1, 2}));
    EXPECT_EQ(fits.reals(), (std::vector<double>{0.5, 0.25, 0.125}));

    // Wrong sizes and missing buffers are replaced and the counts corrected.
    Caller wrong(kLineInts, kLineReals);
    wrong.set_results({0, 0, 0, 0, 0}, {0.0});
    ASSERT_TRUE(wrong.lookup(root));
    EXPECT_EQ(wrong.ints(), (std::vector<int>{1, 2}));
    EXPECT_EQ(wrong.reals(), (std::vector<double>{0.5, 0.25, 0.125}));
    Caller none(kLineInts, kLineReals);
    ASSERT_TRUE(none.lookup(root));
    EXPECT_EQ(none.reals(), (std::vector<double>{0.5, 0.25, 0.125}));

    // A stored count of 0 leaves the caller with no buffer and count 0.
    Caller empty_results({3, 3, 3}, {});
    root = empty_results.store(root, {}, {});
    Caller had(empty_results.ipar, {});
    had.set_results({4, 4}, {4.0});
    ASSERT_TRUE(had.lookup(root));
    EXPECT_EQ(had.ipar_out, nullptr);
    EXPECT_EQ(had.n_ipar_out, 0);
    EXPECT_EQ(had.dpar_out, nullptr);
    EXPECT_EQ(had.n_dpar_out, 0);
}

}  // namespace
