#include "catalogue.h"

#include <dlfcn.h>
#include <fmt/format.h>

#include <cstdio>
#include <ostream>
#include <string_view>

#include "host.h"

namespace mirtex::sim {

namespace {
const char* type_name(int t) {
    static const char* const names[] = {"REAL", "INT", "MTRL", "STRG"};
    return t >= 0 && t <= 3 ? names[t] : "?";
}
struct ParamDoc {
    const char* type;  // a definition, "*COUP" for the coupled lines, "" for any
    const char* key;
    const char* unit;
    const char* meaning;
};

// What each keyword means, per definition where the same keyword means
// different things (L1 and L2 are feed lengths on an element, the box on
// the grid item).
constexpr ParamDoc kDocs[] = {
    {"C_GRID", "L1", "m", "solver box width across the line (-1: automatic, five times the pattern; -2: half that)"},
    {"C_GRID", "L2", "m", "solver box length along the line, 3-D elements (-1: automatic; -2: half that)"},
    {"C_GRID", "BOUND", "1", "relaxation stop bound: the largest residual of a sweep"},
    {"C_GRID", "DL", "m", "grid step; widths snap to DL/2, heights to DL"},
    {"C_GRID", "ACC", "%", "grid-fit tolerance of the dimensions"},
    {"C_SUB", "H1", "m", "height of layer 1, below the substrate (0: ground plane under it; -1: automatic)"},
    {"C_SUB", "H2", "m", "height of layer 2, the substrate that carries the metal"},
    {"C_SUB", "H3", "m", "height of layer 3, above the metal (-1: automatic; -2: half that)"},
    {"C_LINTYP", "W", "m", "centre strip width"},
    {"C_LINTYP", "S", "m", "slot width"},
    {"C_LINTYP", "GW", "m", "ground strip width"},
    {"C_LINTYP", "CEN_MET", "level", "metal level of the centre strip"},
    {"C_LINTYP", "GND_MET", "level", "metal level of the grounds"},
    {"C_AIRTYP", "TYPE", "code", "bridge type (0: none, the item then gives an arm's feed length)"},
    {"C_AIRTYP", "BW", "m", "bridge width along the line"},
    {"C_AIRTYP", "BG", "m", "clearance before and after the bridge"},
    {"C_AIRTYP", "BS", "m", "bridge span across the line (-1: exactly the slots)"},
    {"C_AIRTYP", "DIE_IDX", "index", "dielectric level under the bridge"},
    {"C_AIRTYP", "L", "m", "line on either side of the bridge (of an arm, its feed length)"},
    {"C_NL_TYP", "GW", "m", "ground strip width"},
    {"C_NL_TYP", "GND_MET", "level", "metal level of the grounds"},
    {"C_NL_TYP", "SG1", "m", "gap from the left ground to strip 1"},
    {"C_NL_TYP", "SG2", "m", "gap from the last strip to the right ground"},
    {"C_PROCES", "FOUNDRY", "text", "the technology item is C_TECH_<FOUNDRY>"},
    {"C_PROCES", "GW_DEF", "m", "default ground width"},
    {"C_PROCES", "count", "1", "count of metal levels"},
    {"C_DEBUG", "FILE", "text", "debug report file, in the working directory"},
    {"*COUP", "L", "m", "section length; nodes 1..n the near ends of strips 1..n (left to right), n+1..2n their far ends"},
    {"CxLIN", "L", "m", "section length"},
    {"CxFEED", "L", "m", "section length"},
    {"CxMETVIA", "L", "m", "section length"},
    {"CxOPEN", "L", "m", "feed line before the end"},
    {"CxSHORT", "L", "m", "feed line before the end"},
    {"CxOPEN", "TYPE", "code", "2: slot and ground run to the far wall"},
    {"", "L", "m", "length along the line, leads included"},
    {"", "L1", "m", "feed line at port 1, up to the element's reference plane (not the grid's box)"},
    {"", "L2", "m", "feed line at port 2, up to the element's reference plane (not the grid's box)"},
    {"", "GAP", "m", "gap length"},
    {"", "WG", "m", "ground strip width at the end (0: to the far wall)"},
    {"", "SL", "m", "length of the step's transition"},
    {"", "TL", "m", "taper length"},
    {"CxIDC", "WF", "m", "finger width"},
    {"CxIDC", "SF", "m", "finger spacing"},
    {"CxIDC", "LF", "m", "finger length"},
    {"CxIDC", "NF", "1", "finger count"},
    {"CxIDC", "S", "m", "gap from the outer fingers to the ground on either side"},
    {"CxIDC", "G", "m", "gap from the finger tips to the other comb's bar"},
    {"CxIDC", "WL", "m", "length of each comb's bar along the line"},
    {"CxIDC", "IDCLEVEL", "level", "metal level of the combs"},
    {"CxRIND", "N", "1", "turns"},
    {"CxRIND", "WT", "m", "track width"},
    {"CxRIND", "ST", "m", "track spacing"},
    {"CxRIND", "I_DIA1", "m", "inner diameter across the line"},
    {"CxRIND", "I_DIA2", "m", "inner diameter along the line"},
    {"CxRIND", "S", "m", "gap from the winding to the ground"},
    {"CxRIND", "INDLEVEL", "level", "metal level of the winding"},
    {"", "DIE_IDX", "index", "dielectric level of the capacitor"},
    {"", "RES_IDX", "index", "resistor layer"},
    {"", "TEMP", "degC", "noise temperature (default 16.85, 290 K)"},
    {"", "C_SUB", "item", "substrate: a C_SUB item"},
    {"", "C_GRID", "item", "solver grid and box: a C_GRID item"},
    {"", "C_NL_TYP", "item", "multi-line cross-section: a C_NL_TYP item"},
    {"", "C_BTR", "item", "bridge over the winding: a C_AIRTYP item"},
    {"", "C_LTYPC", "item", "capacitor plate cross-section: a C_LINTYP item"},
    {"", "C_LTYPR", "item", "resistor film cross-section: a C_LINTYP item"},
};

// Keywords with a number in them: W3, LEVEL3, S2_3, ER2, res_l1, ...
std::string numbered(const std::string& key, const char** unit) {
    unsigned a = 0, b = 0;
    char rest[64] = "";
    auto is = [&](const char* fmt_str, int want) { return std::sscanf(key.c_str(), fmt_str, &a, &b, rest) == want; };
    *unit = "m";
    if (key.rfind("C_LTYP", 0) == 0 || key.rfind("C_BTYP", 0) == 0) {
        *unit = "item";
        const std::string of = key.size() > 6 ? " of line " + key.substr(6) : "";
        return key[2] == 'L' ? "cross-section" + of + ": a C_LINTYP item" : "bridge or arm" + of + ": a C_AIRTYP item";
    }
    if (is("S%u_%u%63s", 2)) return fmt::format("spacing of strips {} and {}", a, b);
    if (is("LEVEL%u%63s", 1)) return *unit = "level", fmt::format("metal level of strip {}", a);
    if (is("W%u%63s", 1)) return fmt::format("width of strip {}", a);
    if (is("ER%u%63s", 1)) return *unit = "1", fmt::format("relative permittivity of layer {}", a);
    if (is("TAND%u%63s", 1)) return *unit = "1", fmt::format("loss tangent of layer {}", a);
    if (is("die_h%u%63s", 1)) return fmt::format("height of dielectric level {}", a);
    if (is("die_er%u%63s", 1)) return *unit = "1", fmt::format("relative permittivity of dielectric level {}", a);
    if (is("die_td%u%63s", 1)) return *unit = "1", fmt::format("loss tangent of dielectric level {}", a);
    if (is("cap_os%u%63s", 1)) return fmt::format("capacitor overlap on metal level {}", a);
    if (is("cap_l%u%63s", 1)) return fmt::format("capacitor layer thickness, level {}", a);
    if (is("t%u%63s", 1)) return fmt::format("thickness of metal level {}", a);
    if (is("rho%u%63s", 1)) return *unit = "1", fmt::format("resistivity of metal level {} (conductivity 4.5e7 / rho S/m)", a);
    if (key.rfind("res_rs", 0) == 0) return *unit = "ohm/sq", "sheet resistance of the resistor layer " + key.substr(6);
    if (key.rfind("res_l", 0) == 0) return "thickness of the resistor layer " + key.substr(5);
    if (key.rfind("Flag", 0) == 0) return *unit = "0/1", "debug switch " + key.substr(4);
    if (key.size() > 3 && key.compare(key.size() - 3, 3, "_os") == 0) return "layer offset (not read)";
    *unit = "";
    return "";
}

}  // namespace

bool print_definition(std::ostream& out, const std::string& type) {
    const UserElemDef* d = host::Host::get().definition(type);
    if (d == nullptr) return false;
    const std::string name = d->name;
    const bool coupled = name.size() > 6 && name.compare(name.size() - 4, 4, "COUP") == 0;
    out << name << "  nodes=" << d->numExtNodes << "  parameters=" << d->numPars << "\n";
    for (int p = 0; p < d->numPars; ++p) {
        const std::string key = d->params[p].keyword;
        const char* unit = "";
        std::string meaning;
        for (const char* want : {name.c_str(), coupled ? "*COUP" : "-", ""})
            for (const ParamDoc& doc : kDocs)
                if (meaning.empty() && key == doc.key && std::string_view(doc.type) == want) unit = doc.unit, meaning = doc.meaning;
        if (meaning.empty()) meaning = numbered(key, &unit);
        out << fmt::format("    {:<9} {:<4} {:<7} {}\n", key, type_name(d->params[p].type), unit, meaning);
    }
    return true;
}

std::set<std::string> unavailable_elements(void* library) {
    std::set<std::string> out;
    using Query = int (*)(const char*, void**);
    auto query = reinterpret_cast<Query>(library != nullptr ? dlsym(library, "sim_query_info") : nullptr);
    void* result = nullptr;
    if (query == nullptr || query("unavailableElements", &result) != 0 || result == nullptr) return out;
    for (const char* const* n = static_cast<const char* const*>(result); *n != nullptr; ++n) out.insert(*n);
    return out;
}

void print_catalogue(std::ostream& out, const std::set<std::string>& unavailable) {
    const auto& defs = host::Host::get().definitions();
    out << defs.size() << " definitions\n";
    if (!unavailable.empty())
        out << unavailable.size() << " elements are registered but not available in this build (marked below)\n";
    for (const UserElemDef* d : defs) {
        out << d->name << "  nodes=" << d->numExtNodes << "  parameters=" << d->numPars;
        if (unavailable.count(d->name)) out << "  (not available in this build)";
        out << "\n";
        for (int p = 0; p < d->numPars; ++p) out << "    " << d->params[p].keyword << " " << type_name(d->params[p].type) << "\n";
    }
}

void refuse_unavailable(const Netlist& nl, const std::set<std::string>& unavailable) {
    for (const Item& it : nl.items)
        if (unavailable.count(it.def->name))
            throw NetlistError(it.file, it.line,
                               fmt::format("{}:{}: {} is not available in this build (its model is not built yet)",
                                           it.def->name, it.name, it.def->name));
}

}  // namespace mirtex::sim
