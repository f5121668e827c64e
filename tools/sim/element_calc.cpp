#include "sim/element_calc.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <stdexcept>

#include "sim/units.h"

namespace mirtex::sim {

const char* const kExampleItems = R"(C_PROCES:C_PROCES_DEFAULT FOUNDRY="GAAS" GW_DEF=50um count=2
C_TECH:C_TECH_GAAS die_h0=0.2um die_er0=7.5 die_td0=1e-3 cap_os1=1um cap_l1=0.2um die_h1=3um die_er1=1 die_td1=1e-4 cap_os2=1um cap_l2=2um die_h2=0.2um die_er2=6.8 die_td2=2e-3 res_l=2um res_rs=50 t1=3um rho1=1 t2=3um rho2=1
C_SUB:GaAs200 H1=0 H2=200um H3=-1 ER1=12.9 ER2=12.9 ER3=1 TAND1=0 TAND2=5e-4 TAND3=0
C_GRID:Grid BOUND=1e-5 L1=-1 L2=-1 DL=2.5um ACC=10
C_LINTYP:Cpw50 W=16.25um S=15um GW=50um CEN_MET=1 GND_MET=1
C_LINTYP:Cpw50M2 W=16.25um S=15um GW=50um CEN_MET=2 GND_MET=1
C_LINTYP:Wide W=41.25um S=20um GW=50um CEN_MET=1 GND_MET=1
C_LINTYP:Cap W=40um S=10um GW=50um CEN_MET=1 GND_MET=1
C_LINTYP:Res W=10um S=20um GW=50um CEN_MET=1 GND_MET=1
C_AIRTYP:Bridge TYPE=2 BW=10um BG=5um BS=-1 DIE_IDX=1 L=0
C_AIRTYP:Arm TYPE=0 BW=10um BG=5um BS=-1 DIE_IDX=1 L=0
C_NL_TYP:Pair GW=50um GND_MET=1 SG1=15um SG2=15um W1=20um LEVEL1=1 S1_2=10um W2=20um LEVEL2=1
)";

namespace {

constexpr const char* kFeedPrefix = "CxLIN:F_";

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The data item a reference parameter names, by its keyword.
std::string item_kind(const std::string& key) {
    const std::string k = upper(key);
    if (k == "C_SUB" || k == "C_GRID") return k;
    if (k.rfind("C_LTYP", 0) == 0) return "C_LINTYP";
    if (k.rfind("C_BTYP", 0) == 0 || k == "C_BTR") return "C_AIRTYP";
    if (k == "C_NL_TYP") return "C_NL_TYP";
    return "";
}

// The example item a reference parameter takes when not given: the
// bridge over a port for the air bridge and the spiral, plain arms for the
// junctions, the plates' and the film's own line types, the capacitor's
// second line on the second metal, the wide line of the step example at
// a step's or taper's second port.
std::string example_item(const std::string& type, const std::string& key) {
    const std::string k = upper(key);
    if (k == "C_SUB") return "GaAs200";
    if (k == "C_GRID") return "Grid";
    if (k == "C_NL_TYP") return "Pair";
    if (k == "C_BTYP" || k == "C_BTR") return "Bridge";
    if (k.rfind("C_BTYP", 0) == 0) return "Arm";
    if (k == "C_LTYPC") return "Cap";
    if (k == "C_LTYPR") return "Res";
    if (k == "C_LTYP2" && (type == "CxMIM" || type == "CxCAPLIN")) return "Cpw50M2";
    if (k == "C_LTYP2" && (type == "CxSTEP" || type == "CxTAPER")) return "Wide";
    if (k.rfind("C_LTYP", 0) == 0) return "Cpw50";
    return "";
}

// The first item of each kind in a netlist file: "C_SUB" -> "GaAs200".
std::map<std::string, std::string> first_items(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::invalid_argument("cannot read " + path);
    std::map<std::string, std::string> out;
    static const std::regex statement(R"(^\s*(\w+):([A-Za-z_][\w.-]*))");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_search(line, m, statement)) out.emplace(upper(m[1]), m[2]);
    }
    return out;
}

}  // namespace

std::string element_netlist(const ElementSpec& s, const UserElemDef& def) {
    if (def.numExtNodes < 1) throw std::invalid_argument(s.type + " is a data item, not an element");
    std::map<std::string, std::string> given;  // keyword (upper case) -> value text
    for (const std::string& w : s.words) {
        const auto eq = w.find('=');
        if (eq == std::string::npos || eq == 0) throw std::invalid_argument("'" + w + "': KEY=VALUE expected");
        given[upper(w.substr(0, eq))] = w.substr(eq + 1);
    }
    std::string text;
    std::map<std::string, std::string> file_items;
    if (s.items_file.empty()) {
        text = kExampleItems;
    } else {
        file_items = first_items(s.items_file);
        text = fmt::format("INCLUDE \"{}\"\n", s.items_file);
    }
    std::string statement = fmt::format("{}:X1", s.type);
    for (int n = 1; n <= def.numExtNodes; ++n) statement += fmt::format(" {}", n);
    for (const std::string& w : s.words) statement += " " + w;
    // Reference parameters left out, and the line types at the ports.
    std::vector<std::string> lines;
    std::string sub, grid;
    for (int p = 0; p < def.numPars; ++p) {
        if (def.params[p].type != MIRTEX_MTRL) continue;
        const std::string key = def.params[p].keyword, k = upper(key);
        std::string value;
        if (const auto it = given.find(k); it != given.end()) {
            value = it->second;
        } else {
            const auto f = file_items.find(item_kind(key));
            value = s.items_file.empty() ? example_item(s.type, key) : f == file_items.end() ? "" : f->second;
            if (!value.empty()) statement += fmt::format(" {}={}", key, value);
        }
        if (k == "C_SUB") sub = value;
        if (k == "C_GRID") grid = value;
        const bool feed = k == "C_LTYP" || (k.size() == 7 && k.rfind("C_LTYP", 0) == 0 && std::isdigit(k[6]));
        if (feed && !value.empty() && std::find(lines.begin(), lines.end(), value) == lines.end()) lines.push_back(value);
    }
    text += statement + "\n";
    int port = 0;
    for (int n = 1; n <= def.numExtNodes; ++n) text += fmt::format("Term:P{0} {1} 0 Num={0} Z=50\n", ++port, n);
    for (const std::string& l : lines) {
        text += fmt::format("{}{} {}a {}b L=100um C_LTYP={} C_SUB={} C_GRID={}\n", kFeedPrefix, l, l, l, l, sub, grid);
        for (const char* end : {"a", "b"}) text += fmt::format("Term:P{0} {1}{2} 0 Num={0} Z=50\n", ++port, l, end);
    }
    return text + fmt::format("S_Param:SP1 List=\"{}\"\n", exact_text(s.f_hz));
}

ElementValues element_values(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library, double f) {
    ElementValues out;
    for (Described& d : describe_instances(nl, insts, library, f)) {
        if (d.who.rfind(kFeedPrefix, 0) == 0) {
            d.who.erase(0, std::strlen(kFeedPrefix));
            out.feeds.push_back(std::move(d));
        } else if (d.who.ends_with(":X1")) {
            out.element = std::move(d);
        }
    }
    return out;
}

std::vector<ElementValues> solve_element(const Netlist& nl, const std::vector<UserInstDef*>& insts, host::Host& host,
                                         void* library, const std::vector<double>& steps, double f) {
    std::vector<ElementValues> runs;
    Circuit circuit(nl, insts);
    for (double step : steps) {
        set_grid_step(nl, insts, step);
        const RunResult r = run_sweep(circuit, nl, host);
        if (r.status != RunResult::Status::Ok) throw std::runtime_error("analysis failed: " + r.why);
        runs.push_back(element_values(nl, insts, library, f));
    }
    return runs;
}

double set_grid_step(const Netlist& nl, const std::vector<UserInstDef*>& insts, double dl) {
    double before = 0;
    for (std::size_t k = 0; k < insts.size() && k < nl.items.size(); ++k) {
        if (std::strcmp(nl.items[k].def->name, "C_GRID") != 0) continue;
        for (int p = 0; p < insts[k]->def->numPars; ++p)
            if (std::strcmp(insts[k]->def->params[p].keyword, "DL") == 0) {
                if (before == 0) before = insts[k]->params[p].value.r;
                insts[k]->params[p].value.r = dl;
            }
    }
    return before;
}

std::string element_table(const std::vector<ElementValues>& runs, const std::vector<double>& dl) {
    if (runs.empty()) return "";
    // The rows: the element's values, then each feed line's ZL and eps_eff.
    struct Row {
        std::string label;
        std::vector<const SolvedValue*> v;
    };
    std::vector<Row> rows;
    auto find = [](const std::vector<SolvedValue>& vs, const std::string& name) -> const SolvedValue* {
        for (const SolvedValue& v : vs)
            if (v.name == name) return &v;
        return nullptr;
    };
    for (const SolvedValue& v : runs[0].element.values) {
        if (v.name == "DL") continue;
        Row r{v.name, {}};
        for (const ElementValues& e : runs) r.v.push_back(find(e.element.values, v.name));
        rows.push_back(r);
    }
    for (std::size_t k = 0; k < runs[0].feeds.size(); ++k)
        for (const char* name : {"ZL", "eps_eff"}) {
            Row r{fmt::format("{} {}", runs[0].feeds[k].who, name), {}};
            for (const ElementValues& e : runs) r.v.push_back(k < e.feeds.size() ? find(e.feeds[k].values, name) : nullptr);
            rows.push_back(r);
        }
    std::size_t width = 5;
    for (const Row& r : rows) width = std::max(width, r.label.size());
    std::string out = fmt::format("{:<{}}", "value", width);
    for (double d : dl) out += fmt::format("  {:>16}", fmt::format("DL {:.4g} um", d * 1e6));
    if (runs.size() == 2) out += fmt::format("  {:>26}", "change");
    out += "\n";
    auto cell = [](const SolvedValue* v) {
        if (v == nullptr) return std::string("-");
        return fmt::format("{:.5g}{}{}", v->value * v->factor, v->shown_unit.empty() ? "" : " ", v->shown_unit);
    };
    for (const Row& r : rows) {
        out += fmt::format("{:<{}}", r.label, width);
        for (const SolvedValue* v : r.v) out += fmt::format("  {:>16}", cell(v));
        if (runs.size() == 2 && r.v[0] != nullptr && r.v[1] != nullptr) {
            const double a = r.v[0]->value, b = r.v[1]->value;
            const std::string& u = r.v[0]->shown_unit;
            std::string change = fmt::format("{:+.3g}{}{}", (b - a) * r.v[0]->factor, u.empty() ? "" : " ", u);
            if (a != 0) change += fmt::format(" ({:+.2f} %)", 100 * (b - a) / std::fabs(a));
            out += fmt::format("  {:>26}", change);
        }
        out += "\n";
    }
    return out;
}

}  // namespace mirtex::sim
