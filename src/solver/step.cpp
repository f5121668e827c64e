// The abrupt step in width: line 1 (the narrower strip) up to the step,
// line 2 beyond it.  Over the step's length SL one of the two lines has
// already its grounds while the other's strip goes on: line 2's grounds
// around line 1's strip (planes Z1+1..Z2-1), or, when line 2's grounds
// stand inside line 1's, line 1's grounds reach on to Z2-1.
#include "binding/messages.h"
#include "solver/two_line.h"

namespace mirtex::solver {
namespace {

class Step final : public StepShape {
public:
    // The last plane of line 1's whole cross-section.
    static int line1_end(const TwoLineSlots& s) { return s.X2[4] < s.X1[4] ? s.Z2 - 1 : s.Z1; }

    void paint_metal(BandGrid3& g, const TwoLineSlots& s, int planes) const override {
        const int zs = line1_end(s);
        s.paint_line(g, 1, 1, zs, 1.0);
        s.paint_grounds(g, 2, zs + 1, s.Z2 - 1);
        g.paint(s.X1[2], s.X1[3], zs + 1, s.Z2 - 1, 1.0);
        s.paint_line(g, 2, s.Z2, planes, 1.0);
    }

    // The slot problem follows the metal plane by plane as the short end's
    // does: the slots between the grounds and the strip of each plane at +1
    // (left) and -1 (right), the metal free, nothing beyond the outer
    // ground edges (held at 0).
    void paint_slots(BandGrid3& g, const TwoLineSlots& s, int planes) const override {
        const int zs = line1_end(s), X = g.stack().columns(kBand0);
        g.paint(1, s.X0 - 1, 1, planes, 0.0, true);
        g.paint(s.XE + 1, X, 1, planes, 0.0, true);
        slots(g, s.X1[1], s.X1[2], s.X1[3], s.X1[4], 1, zs);
        slots(g, s.X2[1], s.X1[2], s.X1[3], s.X2[4], zs + 1, s.Z2 - 1);
        slots(g, s.X2[1], s.X2[2], s.X2[3], s.X2[4], s.Z2, planes);
    }

    void strip(const TwoLineSlots& s, int, int& x1, int& x2) const override {
        x1 = s.X1[2];
        x2 = s.X1[3];
    }

    // Left ground ending at g1, strip from a to b, right ground from g2.
    static void slots(BandGrid3& g, int g1, int a, int b, int g2, int y1, int y2) {
        g.paint(g1 + 1, a - 1, y1, y2, 1.0, true);
        g.paint(b + 1, g2 - 1, y1, y2, -1.0, true);
    }
};

}  // namespace
}  // namespace mirtex::solver

extern "C" MIRTEX_API int Calc_Step(int /*plot: no diagnostic output*/, int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::solver;
    return solve_step_like("cpw_step.cdb", "Tessaric Step", "Calculating C_STEP", ipar, dpar, dpar_out, Step{});
}
