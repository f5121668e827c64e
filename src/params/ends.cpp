#include "params/ends.h"

#include "params/item.h"

namespace mirtex::params {

void end_lateral(const LineUnits& u, const CPW_LINETYP& r, const Frame3& f, int* x) {
    const int w = itrunc(u.Wh);
    x[3] = f.M - w;
    x[4] = w + f.L1i;
    x[2] = r.S != 0 ? x[3] - 1 - twice(u.Sh) : 1;
    x[5] = r.S != 0 ? x[4] + 1 + twice(u.Sh) : f.x_max();
    const bool ground = r.S != 0 && r.GW != 0;
    x[0] = ground ? x[2] + 1 - twice(u.Gh) : 1;
    x[1] = ground ? std::min(f.x_max(), x[5] + twice(u.Gh) - 1) : f.x_max();
}

void check_end_lateral(GeometryCheck& g, const LineItem& line, const Frame3& f, const int* x) {
    const CPW_LINETYP& r = line.rec;
    const CPW_LINETYP_TEXT& t = line.text;
    g.chain("L1", f.x_max(),
            {{"X0", x[0], t.GW, r.GW, 0},
             {"X1", x[2], t.S, r.S, 0},
             {"X2", x[3], t.S, r.S, 1},
             {"X3", x[4], t.W, r.W, 0},
             {"X4", x[5], t.S, r.S, 1},
             {"XE", x[1], t.GW, r.GW, 0}});
    g.centred({"X2", x[3], t.W, r.W, 0}, {"X3", x[4], t.W, r.W, 0}, f.M);
}

int end_items(Assembly& a, UserInstDef* inst, int grid_index, int line_index, LineItem& line, double* L) {
    if (a.begin() != 0) return 1;
    const double length = real_param(inst, 0);
    if (L != nullptr) *L = length;
    if (a.section_length(length) != 0) return 1;
    if (a.grid(grid_index, true) != 0) return 1;
    return a.line_type(line_index, line);
}

int end_frame(Assembly& a, LineItem& line, int sub_index, double b2, double* tand, double* rho) {
    if (a.metals(line) != 0) return 1;
    const double wges = region_width(line.rec, a.DL());
    if (a.substrate(sub_index, wges, tand) != 0) return 1;
    if (a.box(wges, outer_width(line.rec, line.rec.GW, a.DL()), b2) != 0) return 1;
    if (rho != nullptr) *rho = line.rho;
    return 0;
}

}  // namespace mirtex::params
