// Slot names of all elements.  Each list is one text of names joined by
// ", " in slot order and closed by a marker; a name that starts with a line
// feed breaks the report's line there.  The table is data: the report reads
// it the same way for every element.
#include "debug/slot_names.h"

#include <cstdio>
#include <map>
#include <string>

#include "params/end_layout.h"
#include "params/junction_layout.h"
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
// named layout closed by a marker.
struct List {
    std::vector<std::string_view> names;
    List(const char* text) : names(split(text, ", ")) {}
    template <class Layout>
    static List of(std::string_view marker = kEnd) {
        List l("");
        l.names.assign(std::begin(Layout::kLabels), std::end(Layout::kLabels));
        l.names.push_back(marker);
        return l;
    }
};

struct Entry {
    const char* labels;  // blank-separated report labels sharing the lists
    List ipar, ipar_out, dpar, dpar_out;
};

// The cross-section of a line as the line family, the capacitive line and
// the thin-film lines feed it to the solver.
#define LINE_IPAR "W/DL, 2*W/DL, 2*S/DL, 2*GW/DL, "
#define LAYERS_DL "H3/DL, H2/DL, H1/DL, L1/DL, "
#define NL "\n  "

using params::AirInts, params::AirReals, params::AirResults, params::AirTypes;
using params::BendInts, params::BendReals, params::BendResults, params::BendTypes;
using params::CrossInts, params::CrossReals, params::CrossResults, params::CrossTypes;
using params::GapResults;
using params::OpenInts, params::OpenReals, params::OpenResults;
using params::ShortInts, params::ShortReals, params::ShortResults;
using params::StepResults;
using params::TeeInts, params::TeeReals, params::TeeResults, params::TeeTypes;
using params::TwoLineInts;
using params::TwoLineReals;

// Built on first use, not at load: the report may be asked for before
// other translation units finish their static initialisation.
std::vector<Entry> entries() {
    return {
    {"C_LIN C_FEED C_METVIA", LINE_IPAR NL LAYERS_DL "N5, *", "*",
     "ER3, ER2, ER1, " NL "DL[m], W[m], T[m], MET, " NL "ALPHA, BOUND, VER., *",
     "C'[F/m], L'[H/m], R'[Ohm/m], G'[S/m], " NL "ZL[ohm], ER_eff, W[m], T[m], *"},

    {"C_OPEN", List::of<OpenInts>(), "*", List::of<OpenReals>(), List::of<OpenResults>()},

    {"C_SHORT", List::of<ShortInts>(), "*", List::of<ShortReals>(), List::of<ShortResults>()},

    {"C_STEP C_TAPER", List::of<TwoLineInts>(), "*", List::of<TwoLineReals>(), List::of<StepResults>()},

    {"C_GAP", List::of<TwoLineInts>(), "*", List::of<TwoLineReals>(), List::of<GapResults>()},

    {"C_AIR", List::of<AirInts>(), List::of<AirTypes>(), List::of<AirReals>(), List::of<AirResults>()},

    {"C_BEND", List::of<BendInts>(), List::of<BendTypes>(), List::of<BendReals>(), List::of<BendResults>()},

    {"C_TEE", List::of<TeeInts>(), List::of<TeeTypes>(), List::of<TeeReals>(), List::of<TeeResults>()},

    {"C_CROSS", List::of<CrossInts>(), List::of<CrossTypes>(), List::of<CrossReals>(), List::of<CrossResults>()},

    // The spiral's results are a table per turn, printed by its own section.
    {"C_RIND",
     "X11, X12, X13, X14, X21, X24, Z1, Z2, Z3, " NL LAYERS_DL "L2/DL, N5, " NL
     "XA1, XA2, TURN, SIDE, ART, N, NN, X11B, " NL "X12B, X13B, X14B, X1A, X1B, X2A, X2B, +",
     "NFP, +", "ER3, ER2, ER1, DL[m], " NL "T[m], MET, LG/DL, WF/DL, " NL "ALPHA, BOUND, BW/DL, VER., +",
     "T[m], Cs, +"},

    // The finger layout that follows the 27 named slots varies with the
    // finger count and is not printed.
    {"C_IDC",
     "X0, XE, X11, X12, X13, X14, X21, X22, X23, X24, XG1, XG2, " NL "Z1, Z2, Z3, Z4, Z11, Z12, Z13, Z14, " NL
     "H2/DL, H1/DL, L1/DL, L2/DL, N5, ART, NF, #, *",
     "*", "ER3, ER2, ER1, DL[m], " NL "WFF[m], LF[m], LF/DL, T[m], MET, " NL "ALPHA, BOUND, VER., *",
     "Cp1[F], Cp2[F], Cs[F], " NL "L1[H], L2[H], M[H], Ls[H], " NL "Rf1[Ohm], Rf2[Ohm], Rg1[Ohm], Rg2[Ohm], " NL
     "T[m], " NL "C'[F/m], L'[H/m], ZL[Ohm], Ereff, *"},

    {"C_MIM",
     "LINE1: W/DL, 2*W/DL, 2*S/DL, 2*GW/DL, " LAYERS_DL "N5, " NL "LINE2: W/DL, 2*W/DL, 2*S/DL, 2*GW/DL, " LAYERS_DL
     "N5, *",
     "*",
     "LINE1: ER3, ER2, ER1, DL[m], W[m], T[m], MET, \n         ALPHA, BOUND, VER., " NL
     "LINE2: ER3, ER2, ER1, DL[m], W[m], T[m], MET, \n         ALPHA, BOUND, VER., " NL "die_er, die_h, *",
     "C00, C01, C10, C11, " NL "L00, L01, L10, L11, " NL "R00, R01, R10, R11, " NL "G00, G01, G10, G11, GK, " NL
     "W_BOT[m], W_TOP[m], T_BOT[m], T_TOP[m], *"},

    {"C_CAPLIN", LINE_IPAR LAYERS_DL "N5, *", "*",
     "ER3, ER2, ER1, DL[m], W(C)[m], T(C)[m], MET, ALPHA, " NL "BOUND, VER., die_er, die_h, *",
     "C'[F/m], L'[H/m], G'[S/m], R'[Ohm/m], GS, W[m], T[m], *"},

    {"C_TFR", LINE_IPAR LAYERS_DL "N5, *", "*",
     "ER3, ER2, ER1, DL[m], W(R)[m], T(R)[m], MET, \n   ALPHA, BOUND, VER., res_rs, *",
     "C'[F/m], L'[H/m], G'[S/m], R'[Ohm/m], *"},

    {"C_TFG", LINE_IPAR LAYERS_DL "N5, *", "*",
     "ER3, ER2, ER1, DL[m], W(R)[m], T(R)[m], MET, " NL "ALPHA, BOUND, VER., res_rs, H, S, *",
     "C'[F/m], L'[H/m], GC'[S/m], R'[Ohm/m], GC'[S/m], " NL "W[m], T[m], *"},

    // The coupled section's results are three matrices, printed by their own
    // section.
    {"C_COUP", "N, NSYM, N1, N2, N3, N4, N5, " NL "L1, H3, H2, H1, *", "*",
     "ER3, ER2, ER1, DL[m], T[m], MET, WGES, " NL "ALPHA, GAMMA, VER., +", "*"},
};
}

#undef LINE_IPAR
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
