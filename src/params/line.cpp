// The line family's vectors: CxLIN and CxFEED (cpw_line_get), and the line
// check functions that every element with connected lines also uses for
// its feed lines.
#include <cmath>
#include <cstring>

#include "binding/messages.h"
#include "params/assembly.h"
#include "params/grid.h"
#include "params/item.h"
#include "params/line_vectors.h"

namespace mirtex::params {

int fill_line_vectors(const char* label, const CPW_GRID& grid, const CPW_DIELEKT& sub, const CPW_LINETYP& line,
                      int* ipar, double* dpar, LineUnits& u) {
    if (ipar == nullptr || dpar == nullptr) {
        send_error("ERROR: %s: Memory Overflow! No input vectors for the line!", label ? label : "");
        return 1;
    }
    const double DL = grid.DL;
    u.Wh = half_units(line.W, DL);
    u.Sh = half_units(line.S, DL);
    u.Gh = half_units(line.GW, DL);
    const int k = h3_k(sub.H3, DL);
    ipar[0] = to_count(u.Wh);
    ipar[1] = to_count(2 * u.Wh);
    ipar[2] = to_count(2 * u.Sh);
    ipar[3] = to_count(2 * u.Gh);
    ipar[4] = 4 * k + 7;
    ipar[5] = whole_units(sub.H2, DL);
    ipar[6] = quad_units(sub.H1, DL);
    ipar[7] = quad_units(grid.L1, DL);
    ipar[8] = k;

    dpar[0] = sub.ER3;
    dpar[1] = sub.ER2;
    dpar[2] = sub.ER1;
    dpar[3] = DL;
    dpar[4] = u.Wh * DL;
    dpar[5] = line.T;
    // Metal thinner than a fifth of a step is solved as an infinitely thin
    // sheet; thicker metal enters as its share of a step.
    dpar[6] = line.T / DL >= 0.2 ? 2 * line.T / (3 * DL) : 0.0;
    dpar[7] = grid.ALPHA;
    dpar[8] = grid.BOUND;
    dpar[9] = 1010.0;  // vector layout version, part of the cache key
    return 0;
}

}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

MIRTEX_API int Check_Line(const char* label, CPW_GRID_TEXT* gt, CPW_GRID* grid, CPW_DIELEKT_TEXT* st,
                          CPW_DIELEKT* sub, CPW_LINETYP_TEXT* lt, CPW_LINETYP* line, int* ipar, double* dpar,
                          WARN** warnings) {
    LineUnits u;
    if (fill_line_vectors(label, *grid, *sub, *line, ipar, dpar, u) != 0) return 1;
    const double DL = grid->DL;
    if (fit_to_grid(label, fit_tolerance(grid->ACC), DL, warnings,
                    {{gt->L1, grid->L1, static_cast<double>(ipar[7])},
                     {st->H3, sub->H3, static_cast<double>(ipar[4])},
                     {st->H2, sub->H2, static_cast<double>(ipar[5])},
                     {st->H1, sub->H1, static_cast<double>(ipar[6])},
                     {lt->W, line->W, u.Wh},
                     {lt->S, line->S, u.Sh},
                     {lt->GW, line->GW, u.Gh}}) != 0)
        return 1;
    warn_above(warnings, lt->T, line->CEN_MET, gt->DL, line->T / DL, 5.0);
    return 0;
}

MIRTEX_API int Check_Feed(const char* label, CPW_GRID_TEXT*, CPW_GRID* grid, CPW_DIELEKT_TEXT*, CPW_DIELEKT* sub,
                          CPW_LINETYP_TEXT* lt, CPW_LINETYP* line, int* ipar, double* dpar, WARN** warnings) {
    LineUnits u;
    if (fill_line_vectors(label, *grid, *sub, *line, ipar, dpar, u) != 0) return 1;
    // The box and the heights were fitted with the element itself.
    return fit_to_grid(label, fit_tolerance(grid->ACC), grid->DL, warnings,
                       {{lt->W, line->W, u.Wh}, {lt->S, line->S, u.Sh}, {lt->GW, line->GW, u.Gh}});
}

MIRTEX_API int cpw_line_get(UserInstDef* inst, WARN** warnings, double* rho, double* tand, double* L) {
    const char* label = inst != nullptr && inst->def != nullptr && inst->def->name ? inst->def->name : "";
    Assembly a(inst, warnings, label);
    if (a.begin() != 0) return 1;
    const double length = real_param(inst, 0);
    if (L != nullptr) *L = length;
    // A line of negative length stands for a de-embedding section; a feed
    // line is always real line.
    const bool de_embeds = std::strcmp(label, "CxLIN") == 0;
    if (a.section_length(length, "L", de_embeds ? Assembly::Sign::Either : Assembly::Sign::Positive) != 0) return 1;
    if (a.grid(3, false) != 0) return 1;
    LineItem line;
    if (a.line_type(1, line) != 0) return 1;
    if (a.metals(line) != 0) return 1;
    const double wges = region_width(line.rec, a.DL());
    if (a.substrate(2, wges, tand) != 0) return 1;
    if (a.box(wges, outer_width(line.rec, line.rec.GW, a.DL()), 0.0) != 0) return 1;
    if (rho != nullptr) *rho = line.rho;
    return Check_Line(a.check_label(), &a.grid_text_, &a.grid_, &a.sub_text_, &a.sub_, &line.text, &line.rec,
                      line_ipar, line_dpar, warnings);
}

}  // extern "C"
