// The line family's vectors: CxLIN and CxFEED (cpw_line_get), and the line
// check functions that every element with connected lines also uses for
// its feed lines.
#include <cstring>

#include "binding/messages.h"
#include "params/assembly.h"
#include "params/compound.h"
#include "params/grid.h"
#include "params/item.h"
#include "params/line_vectors.h"

namespace mirtex::params {
namespace {

LineUnits fill_line_vectors(const CPW_GRID& grid, const CPW_DIELEKT& sub, const CPW_LINETYP& line, LineInts& in,
                            LineReals& re) {
    const double DL = grid.DL;
    LineUnits u;
    u.Wh = half_units(line.W, DL);
    u.Sh = half_units(line.S, DL);
    u.Gh = half_units(line.GW, DL);
    const int k = h3_k(sub.H3, DL);
    in.W = to_count(u.Wh);
    in.W2 = to_count(2 * u.Wh);
    in.S2 = to_count(2 * u.Sh);
    in.GW2 = to_count(2 * u.Gh);
    in.H3 = 4 * k + 7;
    in.H2 = whole_units(sub.H2, DL);
    in.H1 = quad_units(sub.H1, DL);
    in.L1 = quad_units(grid.L1, DL);
    in.N5 = k;

    re.ER3 = sub.ER3;
    re.ER2 = sub.ER2;
    re.ER1 = sub.ER1;
    re.DL = DL;
    re.W = u.Wh * DL;
    re.T = line.T;
    re.MET = met_of(line.T, DL);
    re.ALPHA = grid.ALPHA;
    re.BOUND = grid.BOUND;
    re.VER = 1010.0;  // vector layout version, part of the cache key
    return u;
}

// The host's vectors of a line: written whatever the check finds, as they
// are filled before it.
template <class Check>
int line_into_vectors(const char* label, int* ipar, double* dpar, Check check) {
    if (ipar == nullptr || dpar == nullptr) {
        send_error("ERROR: %s: Memory Overflow! No input vectors for the line!", label ? label : "");
        return 1;
    }
    LineInts in;
    LineReals re;
    const int rc = check(in, re);
    write_layout(in, ipar);
    write_layout(re, dpar);
    return rc;
}

}  // namespace

int check_line(const char* label, CPW_GRID_TEXT* gt, CPW_GRID* grid, CPW_DIELEKT_TEXT* st, CPW_DIELEKT* sub,
               CPW_LINETYP_TEXT* lt, CPW_LINETYP* line, LineInts& in, LineReals& re, WARN** warnings) {
    const LineUnits u = fill_line_vectors(*grid, *sub, *line, in, re);
    const double DL = grid->DL;
    if (fit_to_grid(label, fit_tolerance(grid->ACC), DL, warnings,
                    {{gt->L1, grid->L1, static_cast<double>(in.L1)},
                     {st->H3, sub->H3, static_cast<double>(in.H3)},
                     {st->H2, sub->H2, static_cast<double>(in.H2)},
                     {st->H1, sub->H1, static_cast<double>(in.H1)},
                     {lt->W, line->W, u.Wh},
                     {lt->S, line->S, u.Sh},
                     {lt->GW, line->GW, u.Gh}}) != 0)
        return 1;
    warn_above(warnings, lt->T, line->CEN_MET, gt->DL, line->T / DL, 5.0);
    return 0;
}

}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

MIRTEX_API int Check_Line(const char* label, CPW_GRID_TEXT* gt, CPW_GRID* grid, CPW_DIELEKT_TEXT* st,
                          CPW_DIELEKT* sub, CPW_LINETYP_TEXT* lt, CPW_LINETYP* line, int* ipar, double* dpar,
                          WARN** warnings) {
    return line_into_vectors(label, ipar, dpar, [&](LineInts& in, LineReals& re) {
        return check_line(label, gt, grid, st, sub, lt, line, in, re, warnings);
    });
}

MIRTEX_API int Check_Feed(const char* label, CPW_GRID_TEXT*, CPW_GRID* grid, CPW_DIELEKT_TEXT*, CPW_DIELEKT* sub,
                          CPW_LINETYP_TEXT* lt, CPW_LINETYP* line, int* ipar, double* dpar, WARN** warnings) {
    return line_into_vectors(label, ipar, dpar, [&](LineInts& in, LineReals& re) {
        const LineUnits u = fill_line_vectors(*grid, *sub, *line, in, re);
        // The box and the heights were fitted with the element itself.
        return fit_to_grid(label, fit_tolerance(grid->ACC), grid->DL, warnings,
                           {{lt->W, line->W, u.Wh}, {lt->S, line->S, u.Sh}, {lt->GW, line->GW, u.Gh}});
    });
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
