#include "params/junction.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "binding/messages.h"
#include "params/extrapolation.h"

namespace mirtex::params {
namespace {

const CPW_LINETYP_TEXT kArmLine[4] = {{"W1", "S1", "GW1", "LINE1->t", "LINE1->t", nullptr, nullptr},
                                      {"W2", "S2", "GW2", "LINE2->t", "LINE2->t", nullptr, nullptr},
                                      {"W3", "S3", "GW3", "LINE3->t", "LINE3->t", nullptr, nullptr},
                                      {"W4", "S4", "GW4", "LINE4->t", "LINE4->t", nullptr, nullptr}};
const CPW_AIRTYP_TEXT kArmBridge[4] = {{"TYPE1", "BW1", "BG1", "BS1", "die_h", "die_er", "die_td", "DIE_IDX"},
                                       {"TYPE2", "BW2", "BG2", "BS2", "die_h", "die_er", "die_td", "DIE_IDX"},
                                       {"TYPE3", "BW3", "BG3", "BS3", "die_h", "die_er", "die_td", "DIE_IDX"},
                                       {"TYPE4", "BW4", "BG4", "BS4", "die_h", "die_er", "die_td", "DIE_IDX"}};

}  // namespace

bool junction_bridged(const Arm* const* arms, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k)
        if (arms[k]->code != 0) return true;
    return false;
}

int junction_items(Assembly& a, Arm* arms, int n, const int* line_param, const int* bridge_param) {
    for (int k = 0; k < n; ++k)
        if (a.line_type(line_param[k], arms[k].line, kArmLine[k]) != 0) return 1;
    for (int k = 0; k < n; ++k) {
        arms[k].bridge.text = kArmBridge[k];
        if (read_bridge(a, bridge_param[k], arms[k].bridge) != 0) return 1;
    }
    bool no_bridge = true, some_over = false, all_over = true, same_level = true, same_die = true;
    for (int k = 0; k < n; ++k) {
        const int t = arms[k].bridge.TYPE;
        no_bridge = no_bridge && t == 0;
        some_over = some_over || t == -1;
        all_over = all_over && t == -1;
        same_level = same_level && arms[k].line.rec.CEN_MET == arms[0].line.rec.CEN_MET;
        same_die = same_die && arms[k].bridge.rec.DIE_IDX == arms[0].bridge.rec.DIE_IDX;
    }
    // Strips on different levels meet only through a bridge.
    if (no_bridge && !same_level)
        return a.reject(format("%s(%s) : different CEN_MET in applied linetypes not allowed!", a.label(), a.name()));
    if (some_over && !all_over) {
        std::string text = format("%s(%s) :", a.label(), a.name());
        for (int k = 0; k < n; ++k) text += format(" TYPE%d=%i%s", k + 1, arms[k].bridge.TYPE, k + 1 < n ? "," : "");
        return a.reject(text + " -> invalid airtype combination !");
    }
    if (!same_die)
        return a.reject(format("%s(%s) : different DIE_IDX in applied airtypes not allowed!", a.label(), a.name()));
    bool over = false;
    for (int k = 0; k < n; ++k) {
        if (SetAirType(arms[k].bridge.TYPE, &arms[k].code) != 0)
            return a.reject(format("%s(%s) : C_AIRTYP(%s) : TYPE=%i invalid airtype !", a.label(), a.name(),
                                   arms[k].bridge.item, arms[k].bridge.TYPE));
        over = over || arms[k].code == 3;
    }
    // A bridge over the whole junction covers every arm.
    if (over)
        for (int k = 0; k < n; ++k) arms[k].code = 3;
    for (int k = 0; k < n; ++k) {
        BridgeItem& b = arms[k].bridge;
        // An arm without a bridge has no bridge dimensions: whatever the
        // item holds neither reaches the geometry nor tells two equal
        // junctions apart.
        if (b.TYPE == 0) b.rec.BW = b.rec.BG = b.rec.BS = 0.0;
        if (a.section_length(b.L) != 0) return 1;
        default_bridge_span(arms[k].bridge, arms[k].line.rec);
        if (check_bridge(a, arms[k].bridge, arms[k].line.rec) != 0) return 1;
    }
    return 0;
}

int junction_frame(Assembly& a, Arm* arms, int n, int sub_index, double* tand, CPW_AIRTYP& die) {
    const double DL = a.DL();
    double wges = 0, outer = 0, reach = 0;
    const Arm* bridged = nullptr;
    for (int k = 0; k < n; ++k) {
        Arm& arm = arms[k];
        if (a.metals(arm.line) != 0) return 1;
        BridgeItem& b = arm.bridge;
        if (bridge_dielectric(a, b, std::abs(b.TYPE)) != 0) return 1;
        if (b.TYPE != 0 && bridged == nullptr) bridged = &arm;
        if (b.TYPE != 0) reach = std::max(reach, b.rec.BW + 2 * b.rec.BG);
        wges = std::max(wges, region_width(arm.line.rec, DL));
        outer = std::max(outer, outer_width(arm.line.rec, arm.line.rec.GW, DL));
        arm.u = units(arm.line.rec, DL);
        bridge_units(b, DL);
    }
    die = (bridged != nullptr ? bridged : &arms[0])->bridge.rec;
    if (a.substrate(sub_index, wges, tand) != 0) return 1;
    // Every arm's cross-section, and the bridges beside it, in both directions.
    const double across = outer + 2 * reach + 8 * DL;
    return a.box(wges, across, across);
}

namespace {

// The arms' W, then S, then BW, then BG as grid-fit dimensions.
void arm_dims(const Arm* const* arms, int n, std::vector<FitDim>& dims) {
    for (int k = 0; k < n; ++k) dims.push_back({arms[k]->line.text.W, arms[k]->line.rec.W, arms[k]->u.Wh});
    for (int k = 0; k < n; ++k) dims.push_back({arms[k]->line.text.S, arms[k]->line.rec.S, arms[k]->u.Sh});
    for (int k = 0; k < n; ++k)
        dims.push_back({arms[k]->bridge.text.BW, arms[k]->bridge.rec.BW, arms[k]->bridge.BWh});
    for (int k = 0; k < n; ++k)
        dims.push_back({arms[k]->bridge.text.BG, arms[k]->bridge.rec.BG, arms[k]->bridge.BGh});
}

}  // namespace

int fit_arms(Assembly& a, const Frame3& f, const Arm* const* arms, int n) {
    std::vector<FitDim> dims;
    head_dims(a, f, dims);
    arm_dims(arms, n, dims);
    return fit(a, dims);
}

PairEdges pair_edges(const Arm& wide, const Arm& narrow, int axis, int wall, double DL) {
    PairEdges p{strip_edges(wide.u, wide.line.rec, axis, wall), {}};
    const int d = grid_round(std::fabs(wide.line.rec.W - narrow.line.rec.W) / DL);
    StripEdges& n = p.narrow;
    n.strip_left = p.wide.strip_right + 1 - d - twice(narrow.u.Wh);
    n.strip_right = p.wide.strip_right - d;
    n.ground_left = narrow.line.rec.S != 0 ? n.strip_left - 1 - twice(narrow.u.Sh) : 1;
    n.ground_right = narrow.line.rec.S != 0 ? n.strip_right + 1 + twice(narrow.u.Sh) : wall;
    return p;
}

void check_arm(GeometryCheck& g, const char* box, int hi, const Arm& arm, const char* const* names, const StripEdges& e,
               int axis) {
    const CPW_LINETYP& r = arm.line.rec;
    const CPW_LINETYP_TEXT& t = arm.line.text;
    g.chain(box, hi,
            {{names[0], e.ground_left, t.S, r.S, 0},
             {names[1], e.strip_left, t.S, r.S, 1},
             {names[2], e.strip_right, t.W, r.W, 0},
             {names[3], e.ground_right, t.S, r.S, 1}});
    g.centred({names[1], e.strip_left, t.W, r.W, 0}, {names[2], e.strip_right, t.W, r.W, 0}, axis);
}

void junction_warnings(Assembly& a, const Arm* const* arms, int n, const CPW_AIRTYP& die) {
    const double DL = a.DL();
    for (int k = 0; k < n; ++k)
        warn_above(a.warnings(), arms[k]->line.text.T, arms[k]->line.rec.CEN_MET, a.grid_text_.DL,
                   arms[k]->line.rec.T / DL, 5.0);
    if (!junction_bridged(arms, static_cast<std::size_t>(n))) return;
    warn_bridge_dielectric(a, die);
}

}  // namespace mirtex::params
