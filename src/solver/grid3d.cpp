#include "solver/grid3d.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "binding/messages.h"
#include "solver/sweep.h"

extern "C" {
MIRTEX_API thread_local d3* pit0 = nullptr;
MIRTEX_API thread_local d3* pit1 = nullptr;
MIRTEX_API thread_local d3* pit2 = nullptr;
MIRTEX_API thread_local d3* pit4 = nullptr;
MIRTEX_API thread_local d3 pit_0 = nullptr;
MIRTEX_API thread_local d3 pit_1 = nullptr;
MIRTEX_API thread_local d3 pit_2 = nullptr;
MIRTEX_API thread_local d3 pit_4 = nullptr;
}

namespace mirtex::solver {

namespace {

// Per thread: each names that thread's own grid.
thread_local d3** const kHandles[kBandCount] = {&pit0, &pit1, &pit2, &pit4};
thread_local d3* const kAccess[kBandCount] = {&pit_0, &pit_1, &pit_2, &pit_4};

constexpr std::int64_t kDefaultLimitMB = 4096;
constexpr std::int64_t kMB = 1024 * 1024;

std::vector<DielectricBlock>& blocks() {
    // Each thread's grid has its own.
    thread_local std::vector<DielectricBlock> list;
    return list;
}

std::string caption() {
    return std::string(mirtex::run_label(), static_cast<std::size_t>(mirtex::run_label_length()));
}

}  // namespace

const std::vector<DielectricBlock>& dielectric_blocks() {
    return blocks();
}

GridSize grid_size(const BandStack& st, int ny) {
    GridSize g;
    for (int b = 0; b < kBandCount; ++b) {
        const std::int64_t planes = ny > 0 ? band_planes(b, ny) : 1;
        const std::int64_t columns = st.columns(b), rows = st.rows(b);
        const std::int64_t nodes = columns * rows * planes;
        g.nodes += nodes;
        // Elements, the row-pointer tables and the header of the array; the
        // plan keeps one line per row and column (per row in a cross-section).
        g.bytes += nodes * 8 + columns * (rows + 1) * 8 + 64;
        g.bytes += static_cast<std::int64_t>(Plan::kBytesPerLine) * (ny > 0 ? columns * rows : rows);
    }
    return g;
}

std::int64_t grid_limit_bytes() {
    const char* text = std::getenv("MIRTEX_GRID_LIMIT_MB");
    if (text != nullptr && *text != '\0') {
        errno = 0;
        char* end = nullptr;
        const long long mb = std::strtoll(text, &end, 10);
        // A value that is not a positive whole number of megabytes is no
        // limit a user meant: keep the default.
        if (errno == 0 && *end == '\0' && mb > 0 && mb < (INT64_MAX / kMB)) return mb * kMB;
        // Said once per process: the limit is asked for at every solve.
        static const bool told = [&] {
            mirtex::send_info("WARNING: MIRTEX_GRID_LIMIT_MB=%s is not a positive whole number of megabytes; the "
                              "limit is %lld MB",
                              text, static_cast<long long>(kDefaultLimitMB));
            return true;
        }();
        (void)told;
    }
    return kDefaultLimitMB * kMB;
}

bool grid_allowed(const BandStack& st, int ny) {
    const GridSize g = grid_size(st, ny);
    const std::int64_t limit = grid_limit_bytes();
    if (g.bytes <= limit) return true;
    const std::string box = ny > 0 ? format("%d columns x %d planes", st.columns(kBand0), band_planes(kBand0, ny))
                                   : format("%d columns", st.columns(kBand0));
    send_error(
        "ERROR: %s: grid of %lld nodes (fine band %s) needs %lld MB, above the limit of %lld MB "
        "(MIRTEX_GRID_LIMIT_MB)! Failed to Calculate Element!",
        caption().c_str(), static_cast<long long>(g.nodes), box.c_str(),
        static_cast<long long>((g.bytes + kMB - 1) / kMB), static_cast<long long>(limit / kMB));
    return false;
}

long sweep_cap3(const BandStack& st, int ny) {
    long n = std::max(st.columns(kBand0), band_planes(kBand0, ny));
    long rows = 0;
    for (int b = 0; b < kBandCount; ++b) rows += st.rows(b);
    n = std::max(n, rows);
    return 1000 + 50 * n;
}

BandGrid3::BandGrid3(const BandStack& st, int ny) : st_(st), ny_(ny) {
    blocks().clear();
    if (!grid_allowed(st, ny)) {
        status_ = kFailed;
        return;
    }
    for (int b = kBandCount - 1; b >= 0; --b) {
        if (*kHandles[b] != nullptr) {  // another solve holds the grids
            release();
            return;
        }
        initmem_d3(kHandles[b], 1, st.columns(b), 1, st.rows(b), 1, band_planes(b, ny), 0.05);
        if (*kHandles[b] == nullptr) {
            release();
            return;
        }
        owned_[b] = true;
        *kAccess[b] = access(*kHandles[b]);
    }
    status_ = 0;
}

BandGrid3::~BandGrid3() {
    release();
    blocks().clear();
}

void BandGrid3::add_dielectric(int c1, int c2, int y1, int y2, double z1, double z2, double eps) {
    blocks().push_back({c1, c2, y1, y2, z1, z2, eps});
}

void BandGrid3::release() {
    for (int b = 0; b < kBandCount; ++b) {
        if (!owned_[b]) continue;
        ofree_d3(kHandles[b]);
        *kAccess[b] = nullptr;
        owned_[b] = false;
    }
}

namespace {

void ground_band(const BandStack& st, int ny, int b, bool end_wall) {
    d3 p = *kAccess[b];
    const int X = st.columns(b), R = st.rows(b), Y = band_planes(b, ny);
    for (int r = 1; r <= R; ++r)
        for (int y = 1; y <= Y; ++y) p[1][r][y] = p[X][r][y] = 0.0;
    auto zero_row = [&](int r) {
        for (int x = 1; x <= X; ++x)
            for (int y = 1; y <= Y; ++y) p[x][r][y] = 0.0;
    };
    // The bottom ground is the lowest row of the deepest lower band present,
    // the cover the top row of band 4 (of band 2 without coarsest rows).
    if ((b == kBand4 && st.m4 > 0) || (b == kBand2 && st.m4 == 0 && st.m2 > 0) ||
        (b == kBand1 && st.m4 == 0 && st.m2 == 0))
        zero_row(1);
    if (b == kBand4 && st.n5() > 0) zero_row(st.n4);
    if (b == kBand2 && st.n5() == 0) zero_row(st.m2 + 2);
    if (end_wall)
        for (int x = 1; x <= X; ++x)
            for (int r = 1; r <= R; ++r) p[x][r][Y] = 0.0;
}

}  // namespace

void BandGrid3::ground(bool end_wall) {
    for (int b = 0; b < kBandCount; ++b) ground_band(st_, ny_, b, end_wall);
}

void BandGrid3::paint(int x1, int x2, int y1, int y2, double v, bool plane_only) {
    paint_rows(x1, x2, y1, y2, 3, plane_only ? 3 : st_.metal_top_row(), v);
}

void BandGrid3::paint_rows(int x1, int x2, int y1, int y2, int r1, int r2, double v) {
    x1 = std::max(x1, 1);
    x2 = std::min(x2, st_.columns(kBand0));
    y1 = std::max(y1, 1);
    y2 = std::min(y2, band_planes(kBand0, ny_));
    r1 = std::max(r1, 1);
    r2 = std::min(r2, st_.rows(kBand0));
    d3 p = pit_0;
    for (int x = x1; x <= x2; ++x)
        for (int r = r1; r <= r2; ++r)
            for (int y = y1; y <= y2; ++y) p[x][r][y] = v;
}

void BandGrid3::mirror_side_walls(bool low, bool high, bool band0_only) {
    for (int b = 0; b < (band0_only ? 1 : kBandCount); ++b) {
        d3 p = *kAccess[b];
        const int X = st_.columns(b), R = st_.rows(b), Y = band_planes(b, ny_);
        for (int r = 1; r <= R; ++r)
            for (int y = 1; y <= Y; ++y) {
                if (low) p[1][r][y] = p[2][r][y];
                if (high) p[X][r][y] = p[X - 1][r][y];
            }
    }
}

void BandGrid3::refill_band0(bool end_wall) {
    d3 p = pit_0;
    const int X = st_.columns(kBand0), R = st_.rows(kBand0), Y = band_planes(kBand0, ny_);
    for (int x = 1; x <= X; ++x)
        for (int r = 1; r <= R; ++r)
            for (int y = 1; y <= Y; ++y) p[x][r][y] = 0.05;
    ground_band(st_, ny_, kBand0, end_wall);
}

}  // namespace mirtex::solver
