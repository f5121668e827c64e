// The coupled lines' vectors (C_2COUP .. C_10COUP): n strips between two
// ground strips on one metal level, laid across the box as one pattern.
//
// The cross-section holds M = n + 2 conductors: the left ground strip, the
// n lines, the right ground strip.  Every width and spacing is snapped to
// half steps, which on the fine metal rows are node columns: a strip of Wh
// half steps covers Wh columns and a spacing of Sh half steps leaves Sh free
// columns between its strips.  The whole pattern is centred on the box axis
// (column L1/DL + 1), so a mirror-symmetric item gives a mirror-symmetric
// grid, which the solver then excites for half of the conductors only.
#include <cmath>
#include <string>

#include "binding/messages.h"
#include "numeric/memory.h"
#include "params/assembly.h"
#include "params/compound.h"
#include "params/coup_layout.h"
#include "params/grid.h"
#include "params/item.h"
#include "solver/kernel.h"

namespace mirtex::params {
namespace {

constexpr int kMaxLines = 10;

// The C_NL_TYP values of an instance.
struct MultiLine {
    double GW = 0, SG1 = 0, SG2 = 0;
    double W[kMaxLines + 1] = {}, S[kMaxLines + 1] = {};  // from 1; S[k] between lines k and k+1
    int GND_MET = 0, LEVEL[kMaxLines + 1] = {};
};

// The rules of the multi-line item.  Every rule is looked at and the last
// violated one is reported: the item's messages overwrite one another.
std::string rule_violation(const MultiLine& m, int n, double DL, int metals, const char* label, const char* name,
                           const char* item) {
    const double h = DL / 2;
    std::string last;
    const std::string head = format("%s(%s): C_NL_TYP(%s): ", label, name, item);
    if (!(m.GW >= DL)) last = head + "GW < DL invalid value !";
    if (!(m.SG1 >= h)) last = head + "SG1 < DL/2 invalid value !";
    if (!(m.SG2 >= h)) last = head + "SG2 < DL/2 invalid value !";
    if (m.GND_MET < 1 || m.GND_MET > metals) last = head + format("GND_MET=%d invalid metal level !", m.GND_MET);
    for (int k = 1; k <= n; ++k) {
        if (!(m.W[k] >= DL)) last = head + format("W%d < DL invalid value !", k);
        if (m.LEVEL[k] < 1 || m.LEVEL[k] > metals)
            last = head + format("LEVEL%d=%d invalid metal level !", k, m.LEVEL[k]);
        else if (k >= 2 && m.LEVEL[k] != m.LEVEL[k - 1])
            last = head + format("different metal level LEVEL%d and LEVEL%d !", k - 1, k);
    }
    for (int k = 1; k < n; ++k)
        if (!(m.S[k] >= h)) last = format("%s(%s): S%d_%d < DL/2 invalid value !", label, name, k, k + 1);
    // Values no rule names: a width or spacing beyond the grid's reach.
    const double max = kMaxGridSteps * DL;
    for (double v : {m.GW, m.SG1, m.SG2})
        if (v > max) last = head + format("%lg invalid value ! (at most %lg)", v, max);
    for (int k = 1; k <= n; ++k)
        if (m.W[k] > max || (k < n && m.S[k] > max))
            last = head + format("W%d/S%d_%d invalid value ! (at most %lg)", k, k, k + 1, max);
    return last;
}

// The coupled-line real vector's size for n lines: the head, then the
// first and last column of every conductor, then every conductor's width.
int coup_dpar_size(int n) { return CoupReals::kSlots + 3 * (n + 2); }

// The work vector coup_dpar sized for n lines; false when it cannot be had.
bool size_coup_dpar(int n) { return size_double_vector(coup_dpar, coup_n_dpar, coup_dpar_size(n)); }

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

// Fills coup_ipar and coup_dpar for n lines (N = n + 2 conductors: ground
// strip, lines 1..n, ground strip) and fits every dimension to the grid.
MIRTEX_API int Check_Coup(const char* label, CPW_GRID_TEXT* gt, CPW_GRID* grid, CPW_DIELEKT_TEXT* st,
                          CPW_DIELEKT* sub, int n, double GW, double SG1, double SG2, const double* W, const double* S,
                          double T, int level, double wges, WARN** warnings) {
    const double DL = grid->DL;
    const int M = n + 2;
    if (coup_ipar == nullptr || !size_coup_dpar(n)) {
        mirtex::send_error("ERROR: %s: Memory Overflow! No input vectors for the coupled lines!", label);
        return 1;
    }
    const int k = h3_k(sub->H3, DL);
    const int h2 = whole_units(sub->H2, DL), h1 = quad_units(sub->H1, DL), nx = quad_units(grid->L1, DL);
    const mirtex::solver::BandDepths d = mirtex::solver::band_depths(h1 + h2 - 1);
    const double met = met_of(T, DL);

    // Conductor widths and spacings in half steps, left to right.
    int width[kMaxLines + 2], gap[kMaxLines + 1];
    double metres[kMaxLines + 2];
    width[0] = width[M - 1] = grid_round(2 * GW / DL);
    metres[0] = metres[M - 1] = width[0] * DL / 2;
    gap[0] = grid_round(2 * SG1 / DL);
    gap[M - 2] = grid_round(2 * SG2 / DL);
    for (int c = 1; c <= n; ++c) {
        width[c] = grid_round(2 * W[c] / DL);
        metres[c] = width[c] * DL / 2;
        if (c < n) gap[c] = grid_round(2 * S[c] / DL);
    }
    int total = 0;
    for (int c = 0; c < M; ++c) total += width[c] + (c < M - 1 ? gap[c] : 0);
    int col = nx + 1 - total / 2;
    const int last_column = 2 * nx + 1;
    // The tail: the conductors' columns, then their widths.
    double* columns = coup_dpar + CoupReals::kSlots;
    double* widths = columns + 2 * M;
    bool mirror = true;
    for (int c = 0; c < M; ++c) {
        columns[2 * c] = col;
        columns[2 * c + 1] = col + width[c] - 1;
        widths[c] = metres[c];
        col += width[c] + (c < M - 1 ? gap[c] : 0);
    }
    for (int c = 0; c < M; ++c) mirror = mirror && columns[2 * c] + columns[2 * (M - 1 - c) + 1] == 2.0 * (nx + 1);

    CoupInts in;
    in.N = M;
    // A mirror-symmetric pattern is solved for the left half of the
    // excitations (with the middle conductor of an odd count); the rest
    // follow by the mirror.
    in.NSYM = mirror ? (M + 1) / 2 : M;
    in.N1 = d.m4;
    in.N2 = d.m2;
    in.N3 = d.k1;
    in.N4 = met != 0.0 ? 8 : 5;
    in.N5 = d.m4 + k;
    in.L1 = nx;
    in.H3 = 4 * k + 7;
    in.H2 = h2;
    in.H1 = h1;
    write_layout(in, coup_ipar);
    CoupReals re;
    re.ER3 = sub->ER3;
    re.ER2 = sub->ER2;
    re.ER1 = sub->ER1;
    re.DL = DL;
    re.T = T;
    re.MET = met;
    re.WGES = wges;
    re.ALPHA = grid->ALPHA;
    re.BOUND = grid->BOUND;
    re.VER = 1010.0;  // vector layout version, part of the cache key
    write_layout(re, coup_dpar);

    // Every conductor inside the box with at least one free column to the
    // wall: the walls are grounded and a conductor on them would be shorted.
    if (columns[0] < 2 || columns[2 * M - 1] > last_column - 1) {
        mirtex::send_error("ERROR %s: the %d strips and their spacings (%d half steps) do not fit the box of %d half "
                           "steps (L1=%lg)",
                           label, M, total, 2 * nx, grid->L1);
        return 1;
    }

    FitDim dims[4 + 2 + 3 + 2 * kMaxLines];
    std::size_t nd = 0;
    dims[nd++] = {gt->L1, grid->L1, static_cast<double>(nx)};
    dims[nd++] = {st->H3, sub->H3, static_cast<double>(in.H3)};
    dims[nd++] = {st->H2, sub->H2, static_cast<double>(h2)};
    dims[nd++] = {st->H1, sub->H1, static_cast<double>(h1)};
    dims[nd++] = {"GW", GW, width[0] / 2.0};
    dims[nd++] = {"SG1", SG1, gap[0] / 2.0};
    dims[nd++] = {"SG2", SG2, gap[M - 2] / 2.0};
    static const char* const kW[] = {"", "W1", "W2", "W3", "W4", "W5", "W6", "W7", "W8", "W9", "W10"};
    static const char* const kS[] = {"", "S1_2", "S2_3", "S3_4", "S4_5", "S5_6", "S6_7", "S7_8", "S8_9", "S9_10"};
    for (int c = 1; c <= n; ++c) {
        dims[nd++] = {kW[c], W[c], width[c] / 2.0};
        if (c < n) dims[nd++] = {kS[c], S[c], gap[c] / 2.0};
    }
    if (fit_to_grid(label, fit_tolerance(grid->ACC), DL, warnings, dims, nd) != 0) return 1;
    warn_above(warnings, "t", level, gt->DL, T / DL, 5.0);
    return 0;
}

MIRTEX_API int cpw_coup_get(UserInstDef* inst, WARN** warnings, double* rho, double* L, int n) {
    if (n < 2 || n > kMaxLines) return 1;
    static const char* const kLabels[] = {"",        "",        "C_2COUP", "C_3COUP", "C_4COUP", "C_5COUP",
                                          "C_6COUP", "C_7COUP", "C_8COUP", "C_9COUP", "C_10COUP"};
    const char* label = kLabels[n];
    Assembly a(inst, warnings, label);
    if (a.begin() != 0) return 1;
    const double length = real_param(inst, 0);
    if (L != nullptr) *L = length;
    if (a.section_length(length) != 0) return 1;
    if (a.grid(3, false) != 0) return 1;

    MultiLine m;
    if (get_nltyp(inst, 1, label, a.name(), n, &m.GW, &m.SG1, &m.SG2, m.W, m.S, &m.GND_MET, m.LEVEL) != 0) return 1;
    const char* item = text_param(inst, 1);
    const std::string violation = rule_violation(m, n, a.DL(), a.metal_count(), label, a.name(), item);
    if (!violation.empty()) return a.reject(violation);

    // All lines lie on one level (the rules saw to it); its metal is the
    // lines' thickness and resistivity, the grounds' level is checked too.
    const double T = foundries.entries[10][m.LEVEL[1] - 1];
    const double line_rho = foundries.entries[11][m.LEVEL[1] - 1];
    if (a.tech_test(T, line_rho, m.LEVEL[1]) != 0) return 1;
    if (a.tech_test(foundries.entries[10][m.GND_MET - 1], foundries.entries[11][m.GND_MET - 1], m.GND_MET) != 0)
        return 1;

    const double DL = a.DL();
    double wges = (grid_round(m.SG1 / DL) + grid_round(m.SG2 / DL)) * DL;
    for (int k = 1; k <= n; ++k) wges += grid_round(m.W[k] / DL) * DL + (k < n ? grid_round(m.S[k] / DL) * DL : 0.0);
    double tand = 0.0;
    if (a.substrate(2, wges, &tand) != 0) return 1;
    if (a.box(wges, wges + 2 * grid_round(m.GW / DL) * DL, 0.0) != 0) return 1;
    if (rho != nullptr) *rho = line_rho;
    const std::string check = std::string(label) + "(" + a.name() + ")";
    return Check_Coup(check.c_str(), &a.grid_text_, &a.grid_, &a.sub_text_, &a.sub_, n, m.GW, m.SG1, m.SG2, m.W,
                      m.S, T, m.LEVEL[1], wges, warnings);
}

}  // extern "C"
