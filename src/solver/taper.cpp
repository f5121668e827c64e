// The linear taper: line 1 up to plane Z1, line 2 from plane Z2, and in
// between every edge moving in a straight line from its line-1 to its
// line-2 column, rounded to the nearest column plane by plane.
#include "binding/messages.h"
#include "solver/two_line.h"

namespace mirtex::solver {
namespace {

class Taper final : public StepShape {
public:
    // The edges of plane y (Z1 < y < Z2): left ground end, strip, right
    // ground start.
    struct Edges {
        int g1, a, b, g2;
    };
    static Edges edges(const TwoLineSlots& s, int y) {
        const double t = y - s.Z1, D = s.Z2 - s.Z1;
        auto shift = [&](int from, int to) { return static_cast<int>(t * (to - from) / D + 0.5); };
        return {s.X1[1] - shift(s.X2[1], s.X1[1]), s.X1[2] - shift(s.X2[2], s.X1[2]), s.X1[3] + shift(s.X1[3], s.X2[3]),
                s.X1[4] + shift(s.X1[4], s.X2[4])};
    }

    void paint_metal(BandGrid3& g, const TwoLineSlots& s, int planes) const override {
        s.paint_line(g, 1, 1, s.Z1, 1.0);
        for (int y = s.Z1 + 1; y < s.Z2; ++y) {
            const Edges e = edges(s, y);
            g.paint(s.X0, e.g1, y, y, 0.0);
            g.paint(e.a, e.b, y, y, 1.0);
            g.paint(e.g2, s.XE, y, y, 0.0);
        }
        s.paint_line(g, 2, s.Z2, planes, 1.0);
    }

    // The slots follow the tapered edges, as the step's follow its edges.
    void paint_slots(BandGrid3& g, const TwoLineSlots& s, int planes) const override {
        const int X = g.stack().columns(kBand0);
        g.paint(1, s.X0 - 1, 1, planes, 0.0, true);
        g.paint(s.XE + 1, X, 1, planes, 0.0, true);
        for (int y = 1; y <= planes; ++y) {
            Edges e{s.X1[1], s.X1[2], s.X1[3], s.X1[4]};
            if (y >= s.Z2)
                e = {s.X2[1], s.X2[2], s.X2[3], s.X2[4]};
            else if (y > s.Z1)
                e = edges(s, y);
            g.paint(e.g1 + 1, e.a - 1, y, y, 1.0, true);
            g.paint(e.b + 1, e.g2 - 1, y, y, -1.0, true);
        }
    }

    void strip(const TwoLineSlots& s, int y, int& x1, int& x2) const override {
        if (y <= s.Z1) {
            x1 = s.X1[2];
            x2 = s.X1[3];
            return;
        }
        const Edges e = edges(s, y);
        x1 = e.a;
        x2 = e.b;
    }
};

}  // namespace
}  // namespace mirtex::solver

extern "C" MIRTEX_API int Calc_Taper(int /*plot: no diagnostic output*/, int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::solver;
    return solve_step_like("cpw_taper.cdb", "Tessaric Taper", "Calculating C_TAPER", ipar, dpar, dpar_out, Taper{});
}
