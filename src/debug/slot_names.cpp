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
#include "params/end_layout.h"
#include "params/idc_layout.h"
#include "params/junction_layout.h"
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
    {"C_LIN C_FEED C_METVIA", List::of<LineInts>(), "*", List::of<LineReals>(), List::of<LineResults>()},

    {"C_OPEN", List::of<OpenInts>(), "*", List::of<OpenReals>(), List::of<OpenResults>()},

    {"C_SHORT", List::of<ShortInts>(), "*", List::of<ShortReals>(), List::of<ShortResults>()},

    {"C_STEP C_TAPER", List::of<TwoLineInts>(), "*", List::of<TwoLineReals>(), List::of<StepResults>()},

    {"C_GAP", List::of<TwoLineInts>(), "*", List::of<TwoLineReals>(), List::of<GapResults>()},

    {"C_AIR", List::of<AirInts>(), List::of<AirTypes>(), List::of<AirReals>(), List::of<AirResults>()},

    {"C_BEND", List::of<BendInts>(), List::of<BendTypes>(), List::of<BendReals>(), List::of<BendResults>()},

    {"C_TEE", List::of<TeeInts>(), List::of<TeeTypes>(), List::of<TeeReals>(), List::of<TeeResults>()},

    {"C_CROSS", List::of<CrossInts>(), List::of<CrossTypes>(), List::of<CrossReals>(), List::of<CrossResults>()},

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
