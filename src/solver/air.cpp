// The air bridge over a line.  A bridge on the upper metal level (code 1)
// is a ground deck BW wide across strip and slots, die_h above the metal
// plane, on posts at the ground edges.  A bridge on the lower level (code
// 2) turns the crossing round: the grounds are joined on the metal plane
// over BW, and the strip climbs to the upper level BG before the crossing
// and comes down BG after it.  The strip (with its climb) at 1 V against
// the grounds and the bridge holds more than the same length of
// undisturbed line: the bridge's shunt capacitance.  The slot problem,
// with the bridge cutting both slots, gives the series inductance, split
// into two halves around the shunt branch.
#include <cstring>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

// Slots: X0, XE, X11..X14, XB1..XB4, ZB1..ZB4, H3/DL, H2/DL, H1/DL, L1/DL,
// L2/DL, N5, TYP; ER3, ER2, ER1, DL, T_LINE, MET, ALPHA, BOUND, W, BW, BG,
// die_h, die_er, die_td, T_BRIDGE, VER.
constexpr int kIpar = 21, kDpar = 16, kIout = 1, kOut = 12;

JunctionLayout air_layout(const int* ip, const Frame3D& f) {
    const int X0 = ip[0], XE = ip[1], X11 = ip[2], X12 = ip[3], X13 = ip[4], X14 = ip[5];
    const int X = f.columns(), Y = f.planes();
    JunctionLayout j;
    j.mirror_x = false;
    j.stretches = true;
    j.grounds = {{X0, X11, 1, Y}, {X14, XE, 1, Y}};
    j.strips = {{X12, X13, 1, Y}};
    j.beyond = {{1, X0 - 1, 1, Y}, {XE + 1, X, 1, Y}};
    j.slots = {{{X11 + 1, X12 - 1, 1, Y}}, {{X13 + 1, X14 - 1, 1, Y}}};
    JunctionArm line;
    line.s1 = X12, line.s2 = X13, line.g1 = X11, line.g2 = X14;
    // The whole box is line: planes 2 .. Y - 1.
    line.n = Y - 2;
    line.bridge = {ip[20], ip[10], ip[13], ip[11], ip[12]};
    j.arms = {line};
    return j;
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Air(int /*plot: no diagnostic output*/, int* ipar, double* dpar, int* ipar_out,
                                   double* dpar_out) {
    static const char kFile[] = "cpw_air.cdb";
    static const char kIdent[] = "Tessaric Airbridge";
    if (ReadCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, ipar_out, kIout, dpar_out, kOut) == 0) return 0;
    mirtex::send_info("Calculating C_AIR");
    Frame3D f = frame3d(ipar + 14, dpar, 5, 6);
    if (!f.ok) return frame_failure(f.problem);
    const JunctionLayout j = air_layout(ipar, f);
    static const char* const kName[] = {"the line"};
    if (ipar[20] != 1 && ipar[20] != 2)
        return frame_failure(mirtex::format("bridge code %d is none of 1, 2", ipar[20]));
    if (const std::string p = junction_check(f, j, kName); !p.empty()) return frame_failure(p);

    ElectricResult e;
    std::vector<MagneticResult> runs;
    if (const int rc = junction_runs(f, j, dpar[12], "1/2", {{{1.0, -1.0}}, {"2/2"}}, e, runs); rc != 0) return rc;
    // The strip's charge in five stretches: before the bridge, its rising
    // end, over the crossing, its falling end, after it; less what the
    // undisturbed line holds over the same planes.
    const double Q = e.stretches[0] + e.stretches[1] + e.stretches[2] + e.stretches[3] + e.stretches[4];
    const double q = e.q[0];
    const MagneticResult& m = runs[0];

    const double W = dpar[8], BW = dpar[9];
    double out[kOut] = {0.5 * m.L, 0.5 * kEps0 * f.dl * (Q - j.arms[0].n * q),
                        bridge_loss(j.arms, &W, &BW, dpar[11], dpar[12], dpar[13])};
    line_values(kEps0 * q, m.l[0], out + 3);
    out[7] = W, out[8] = BW, out[9] = dpar[10], out[10] = dpar[4], out[11] = dpar[14];
    std::memcpy(dpar_out, out, sizeof out);
    ipar_out[0] = ipar[20];
    WriteCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, ipar_out, kIout, dpar_out, kOut);
    return 0;
}
