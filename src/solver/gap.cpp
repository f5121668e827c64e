// The series gap: line 1 ends at plane Z1, line 2 begins at plane Z2, the
// grounds of line 2 run on across the gap.  Two runs, both strips at 1 V
// (even) and line 2's at -1 V (odd), give the end capacitances and the
// coupling across the gap.
#include <functional>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "solver/frame3d.h"
#include "solver/pool.h"
#include "solver/two_line.h"

namespace mirtex::solver {
namespace {

void paint_gap(BandGrid3& g, const TwoLineSlots& s, int planes, double line2) {
    s.paint_line(g, 1, 1, s.Z1, 1.0);
    s.paint_grounds(g, 2, s.Z1 + 1, s.Z2 - 1);
    s.paint_line(g, 2, s.Z2, planes, line2);
}

using params::GapResults;
const Record<params::TwoLineInts, params::TwoLineReals, GapResults> kRecord{"cpw_gap.cdb", "Tessaric Gap"};

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Gap(int /*plot: no diagnostic output*/, int* ipar, double* dpar, double* dpar_out) {
    if (kRecord.read(ipar, dpar, nullptr, dpar_out) == 0) return 0;
    mirtex::send_info("Calculating C_GAP");
    Frame3D f;
    TwoLineSlots s;
    if (const int rc = two_line_frame(ipar, dpar, f, s); rc != 0) return rc;

    // The even and the odd run each start from the painted field on a grid
    // of their own (the even field is no better a start for the odd one
    // than the painted field: 170 sweeps against 148 at DL 5 um), so they
    // run side by side; the port references follow the odd run on its grid.
    Excess even, odd;
    PortLines lines;
    auto run = [&](double line2, const char* caption, Excess& out, bool references) {
        BandGrid3 g(f.st, f.ny);
        if (!g) return g.status();
        g.ground(false);
        paint_gap(g, s, f.planes(), line2);
        if (const int rc = run3(f, caption, f.layers()); rc != 0) return rc;
        out = s.excess(f);
        return references ? s.references(f, {"3/6", "4/6", "5/6", "6/6"}, lines) : 0;
    };
    const std::function<int()> runs[] = {[&] { return run(1.0, "1/6", even, false); },
                                         [&] { return run(-1.0, "2/6", odd, true); }};
    if (const int rc = run_side_by_side(runs); rc != 0) return rc;

    GapResults r;
    r.Cp1 = even.line1;
    r.Cp2 = even.line2;
    r.Cs = ((odd.line1 - even.line1) / 2 + (odd.line2 - even.line2) / 2) / 2;
    lines.put(r);
    to_user_ports(r, s.swapped, &GapResults::Cp1, &GapResults::Cp2);
    kRecord.write(ipar, dpar, r, dpar_out);
    return 0;
}
