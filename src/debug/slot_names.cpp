// Slot names of all elements.  Each list is one text of names joined by
// ", " in slot order and closed by a marker; a name that starts with a line
// feed breaks the report's line there.  The table is data: the report reads
// it the same way for every element.
#include "debug/slot_names.h"

#include <cstdio>
#include <map>
#include <string>

#include "params/component_layout.h"
#include "params/coup_layout.h"
#include "params/idc_layout.h"
#include "params/rind_layout.h"
#include "params/two_line_layout.h"

namespace mirtex::debug {
namespace {

std::vector<std::string_view> split(std::string_view text, std::string_view sep) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t at = text.find(sep);
        out.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return out;
        text.remove_prefix(at + sep.size());
    }
}

// A list given as one text of names joined by ", ", or as the labels of a
// named layout closed by a marker (and the end marker after a stop).
struct List {
    std::vector<std::string_view> names;
    List(const char* text) : names(split(text, ", ")) {}
    template <class Layout>
    static List of(std::string_view marker = kEnd) {
        List l("");
        l.names.assign(std::begin(Layout::kLabels), std::end(Layout::kLabels));
        l.names.push_back(marker);
        if (marker == kStopInts) l.names.push_back(kEnd);
        return l;
    }
};

struct Entry {
    const char* labels;  // blank-separated report labels sharing the lists
    List ipar, ipar_out, dpar, dpar_out;
};

// The layer stack of the elements that have no named layout of their own.
#define LAYERS_DL "H3/DL, H2/DL, H1/DL, L1/DL, "
#define NL "\n  "

using namespace params;
using params::GapResults;
using params::StepResults;
using params::TwoLineInts;
using params::TwoLineReals;

// Built on first use, not at load: the report may be asked for before
// other translation units finish their static initialisation.
std::vector<Entry> entries() {
    return {
    {"C_LIN C_FEED C_METVIA", List::of<LineInts>(), "*", List::of<LineReals>(), List::of<LineResults>()},

    {"C_OPEN",
     "X0, XE, X1, X2, X3, X4, Z1, Z2, Z3, " NL LAYERS_DL "L2/DL, N5, " NL "GAP/DL, WG/DL, *", "*",
     "ER3, ER2, ER1, DL[m], MET, " NL "ALPHA, BOUND, VER., *",
     "C_end[F], " NL "C'[F/m], L'[H/m], ZL[Ohm], ER_eff, *"},

    {"C_SHORT", "X0, XE, X1, X2, X3, X4, Z1, Z2, " NL LAYERS_DL "L2/DL, N5, " NL "WG/DL, *", "*",
     "DL[m], ALPHA, BOUND, VER., *", "L_end[H], " NL "L'[H/m], *"},

    {"C_STEP C_TAPER", List::of<TwoLineInts>(), "*", List::of<TwoLineReals>(), List::of<StepResults>()},

    {"C_GAP", List::of<TwoLineInts>(), "*", List::of<TwoLineReals>(), List::of<GapResults>()},

    {"C_AIR",
     "X0, XE, X11, X12, X13, X14, XB1, XB2, XB3, XB4, " NL "ZB1, ZB2, ZB3, ZB4, " NL LAYERS_DL
     "L2/DL, N5, TYP, *",
     "TYP_OUT, *",
     "ER3, ER2, ER1, DL[m], T_LINE[m], MET, " NL "ALPHA, BOUND, W[m], BW[m], BG[m], die_h[m], " NL
     "die_er, die_td, T_BRIDGE[m], VER., *",
     "L[H], Cp[F], G/omega[s/Ohm], " NL "C'[F/m], L'[H/m], ZL[Ohm], ER_eff, " NL
     "W[m], BW[m], BG[m], T[m], T2[m], *"},

    {"C_BEND",
     "X11, X12, X13, X14, Z11, Z12, Z13, Z14, " NL "XB1, XB2, XB3, XB4, XB5, ZB1, ZB2, ZB3, ZB4, ZB5, " NL
     LAYERS_DL "L2/DL, N5, TYP1, TYP2, *",
     "TYP1_OUT, TYP2_OUT, *",
     "ER3, ER2, ER1, DL[m], MET, " NL "ALPHA, BOUND, T1[m], T2[m], " NL "W1[m], S1[m], BG1[m], BW1[m], " NL
     "W2[m], S2[m], BG2[m], BW2[m], " NL "die_h[m], die_er, die_td, VER., *",
     "L1[H], L2[H], Cp[F], G/omega[s/Ohm], " NL "C1'[F/m], L1'[H/m], ZL1[Ohm], ER1_eff, " NL
     "C2'[F/m], L2'[H/m], ZL2[Ohm], ER2_eff, " NL "T1[m], T2[m], " NL "W1[m], S1[m], BG1[m], BW1[m], " NL
     "W2[m], S2[m], BG2[m], BW2[m], *"},

    {"C_TEE",
     "X11, X12, X13, X14, Z11, Z12, Z13, " NL "Z14, Z21, Z22, Z23, Z24, XB1, XB2, " NL
     "XB3, XB4, XB5, XB6, XB7, XB8, ZB1, " NL "ZB2, ZB3, ZB4, ZB5, ZB6, ZB7, ZFIN, " NL LAYERS_DL
     "L2/DL, N5, TYP1, TYP2, TYP3, DREH, *",
     "TYP3_OUT, TYP1_OUT, TYP2_OUT, *",
     "ER3, ER2, ER1, DL[m], MET, " NL "ALPHA, BOUND, T3[m], T1[m], T2[m], " NL "W3[m], S3[m], BG3[m], BW3[m], " NL
     "W1[m], S1[m], BG1[m], BW1[m], " NL "W2[m], S2[m], BG2[m], BW2[m], " NL "die_h[m], die_er, die_td, VER., *",
     "L3[H], L1[H], L2[H], Cp[F], G/omega[s/Ohm], " NL "C3'[F/m], L3'[H/m], ZL3[Ohm], ER3_eff, " NL
     "C1'[F/m], L1'[H/m], ZL1[Ohm], ER1_eff, " NL "C2'[F/m], L2'[H/m], ZL2[Ohm], ER2_eff, " NL
     "T3[m], T1[m], T2[m], " NL "W3[m], S3[m], BG3[m], BW3[m], " NL "W1[m], S1[m], BG1[m], BW1[m], " NL
     "W2[m], S2[m], BG2[m], BW2[m], *"},

    {"C_CROSS",
     "X11, X12, X13, X14, X21, X22, X23, " NL "X24, Z11, Z12, Z13, Z14, Z21, Z22, " NL
     "Z23, Z24, XB1, XB2, XB3, XB4, XB5, " NL "XB6, XB7, XB8, XB9, XB10, XFAN, XFIN, " NL
     "ZB1, ZB2, ZB3, ZB4, ZB5, ZB6, ZB7, " NL "ZB8, ZB9, ZB10, ZFAN, ZFIN, " NL LAYERS_DL
     "L2/DL, N5, TYP1, TYP2, TYP3, TYP4, " NL "DR_BC, DR_AD, *",
     "TYP1_OUT, TYP2_OUT, TYP3_OUT, TYP_4_OUT, *",
     "ER3, ER2, ER1, DL[m], MET, " NL "ALPHA, BOUND, " NL "T1[m], T2[m], T4[m], T3[m], " NL
     "W1[m], S1[m], BG1[m], BW1[m], " NL "W2[m], S2[m], BG2[m], BW2[m], " NL "W4[m], S4[m], BG4[m], BW4[m], " NL
     "W3[m], S3[m], BG3[m], BW3[m], " NL "die_h[m], die_er, die_td, VER., *",
     "L1[H], L2[H], L4[H], L3[H], L5[H], Cp[F], G/omega[s/Ohm], " NL "C1'[F/m], L1'[H/m], ZL1[Ohm], ER1_eff, " NL
     "C2'[F/m], L2'[H/m], ZL2[Ohm], ER2_eff, " NL "C4'[F/m], L4'[H/m], ZL4[Ohm], ER4_eff, " NL
     "C3'[F/m], L3'[H/m], ZL3[Ohm], ER3_eff, " NL "T1[m], T2[m], T4[m], T3[m], " NL
     "W1[m], S1[m], BG1[m], BW1[m], " NL "W2[m], S2[m], BG2[m], BW2[m], " NL "W4[m], S4[m], BG4[m], BW4[m], " NL
     "W3[m], S3[m], BG3[m], BW3[m], *"},

    // The spiral's results are a table per turn, printed by its own section.
    {"C_RIND", List::of<RindInts>("+"), List::of<RindIntResults>("+"), List::of<RindReals>(),
     List::of<RindResults>("+")},

    // The finger layout that follows the 27 named slots varies with the
    // finger count and is not printed.
    {"C_IDC", List::of<IdcInts>("#"), "*", List::of<IdcReals>(), List::of<IdcResults>()},

    {"C_MIM", List::of<MimInts>(), "*", List::of<MimReals>(), List::of<MimResults>()},
    {"C_CAPLIN", List::of<LineInts>(), "*", List::of<CaplinReals>(), List::of<CaplinResults>()},
    {"C_TFR", List::of<LineInts>(), "*", List::of<TfrReals>(), List::of<TfrResults>()},
    {"C_TFG", List::of<LineInts>(), "*", List::of<TfgReals>(), List::of<TfgResults>()},

    // The coupled section's results are three matrices, printed by their own
    // section.
    {"C_COUP", List::of<CoupInts>(), "*", List::of<CoupReals>("+"), "*"},
};
}

#undef LAYERS_DL
#undef NL

std::map<std::string_view, SlotNames> build() {
    std::map<std::string_view, SlotNames> m;
    for (const Entry& e : entries()) {
        const SlotNames lists{e.ipar.names, e.ipar_out.names, e.dpar.names, e.dpar_out.names};
        for (std::string_view label : split(e.labels, " ")) m.emplace(label, lists);
    }
    return m;
}

}  // namespace

std::vector<std::string> plain_names(const std::vector<std::string_view>& names) {
    std::vector<std::string> out;
    for (std::string_view n : names) {
        if (n == kEnd || n == kUnnamed || n == kStopInts) break;
        while (!n.empty() && (n.front() == '\n' || n.front() == ' ')) n.remove_prefix(1);
        out.emplace_back(n);
    }
    return out;
}

Shown shown(std::string_view name, double v) {
    struct Unit {
        const char* si;
        double scale;
        const char* shown;
    };
    static constexpr Unit kUnits[] = {{"m", 1e6, "um"},      {"F", 1e15, "fF"},     {"H", 1e12, "pH"},
                                      {"F/m", 1e12, "pF/m"}, {"H/m", 1e9, "nH/m"}, {"Ohm", 1, "ohm"},
                                      {"ohm", 1, "ohm"}};
    const auto open = name.find('[');
    if (open == std::string_view::npos || name.back() != ']') return {std::string(name), v, ""};
    const std::string_view unit = name.substr(open + 1, name.size() - open - 2);
    for (const Unit& u : kUnits)
        if (unit == u.si) return {std::string(name.substr(0, open)), v * u.scale, u.shown};
    return {std::string(name.substr(0, open)), v, ""};
}

std::vector<Lumped> lumped_values(std::string_view label, const double* dpar_out, int n_out) {
    std::vector<Lumped> out;
    const SlotNames* names = slot_names(label);
    if (names == nullptr) return out;
    const std::vector<std::string> words = plain_names(names->dpar_out);
    for (std::size_t k = 0; k < words.size() && k < static_cast<std::size_t>(n_out); ++k) {
        const std::string_view w = words[k];
        const char* unit = w.ends_with("[F]") ? "F" : w.ends_with("[H]") ? "H" : w.ends_with("[Ohm]") ? "ohm" : nullptr;
        // The ports' impedances are the feed lines'; Rg holds a DC resistance
        // in units of 1/sigma, not in ohms.
        if (unit == nullptr || w.starts_with("ZL") || w.starts_with("Rg")) continue;
        out.push_back({std::string(w.substr(0, w.find('['))), dpar_out[k], unit});
    }
    return out;
}

double solved_step(std::string_view label, const double* dpar, int n_dpar) {
    const SlotNames* names = slot_names(label);
    if (names == nullptr) return 0;
    const std::vector<std::string> in = plain_names(names->dpar);
    for (std::size_t k = 0; k < in.size() && k < static_cast<std::size_t>(n_dpar); ++k)
        if (in[k] == "DL[m]") return dpar[k];
    return 0;
}

const SlotNames* slot_names(std::string_view label) {
    static const std::map<std::string_view, SlotNames> table = build();
    const auto it = table.find(label);
    return it == table.end() ? nullptr : &it->second;
}

}  // namespace mirtex::debug
