#include "params/ends.h"

#include <algorithm>
#include <vector>

#include "params/item.h"

namespace mirtex::params {

EndEdges end_edges(const LineUnits& u, const CPW_LINETYP& r, const Frame3& f) {
    EndEdges x;
    const int w = itrunc(u.Wh);
    x.X2 = f.M - w;
    x.X3 = w + f.L1i;
    x.X1 = r.S != 0 ? x.X2 - 1 - twice(u.Sh) : 1;
    x.X4 = r.S != 0 ? x.X3 + 1 + twice(u.Sh) : f.x_max();
    const bool ground = r.S != 0 && r.GW != 0;
    x.X0 = ground ? x.X1 + 1 - twice(u.Gh) : 1;
    x.XE = ground ? std::min(f.x_max(), x.X4 + twice(u.Gh) - 1) : f.x_max();
    return x;
}

int check_end(Assembly& a, const LineItem& line, const Frame3& f, const EndEdges& x, std::initializer_list<FitDim> dims,
              std::initializer_list<Edge> along) {
    std::vector<FitDim> all;
    head_dims(a, f, all);
    all.insert(all.end(), dims);
    if (fit(a, all) != 0) return 1;
    GeometryCheck g(a);
    static const char* const kNames[] = {"X0", "X1", "X2", "X3", "X4", "XE"};
    check_line_across(g, line, f.x_max(), f.M, kNames, x.X0, {x.X1, x.X2, x.X3, x.X4}, x.XE);
    g.chain("L2", f.z_max(), along);
    return g.status();
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
