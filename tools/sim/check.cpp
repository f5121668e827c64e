#include "sim/check.h"

#include <dlfcn.h>
#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include <algorithm>
#include <cstdlib>
#include <regex>

#include "sim/units.h"

namespace mirtex::sim {

namespace {

// One message of the library's checks as mirtex-sim prints it.
struct Message {
    const Item* at;            // the statement it belongs to
    std::string text;          // "ERROR C_LINTYP(T): W=-2e-05 invalid value ! (W_min=2.5e-06)"
    std::vector<const Item*> users;  // for an item's message: the elements that use it
};

const Item* data_item(const Netlist& nl, std::string_view name) {
    for (const Item& it : nl.items)
        if (it.def->numExtNodes == 0 && it.name == name) return &it;
    return nullptr;
}

// The library names the element and then, for a value of a data item, the
// item: "ERROR C_GAP(G1) : C_SUB(S) : H2=...".  Such a message belongs to
// the item's statement, once, whichever elements use the item.
std::pair<const Item*, std::string> owner(const Netlist& nl, const Item& element, const std::string& text) {
    static const std::regex kHead(R"(^(ERROR|WARNING) [A-Za-z_0-9]+\([^)]*\) ?: ?(([A-Za-z_0-9]+)\(([^)]*)\) ?: ?.*)$)");
    std::smatch m;
    if (std::regex_match(text, m, kHead))
        if (const Item* item = data_item(nl, m[4].str())) return {item, m[1].str() + " " + m[2].str()};
    return {&element, text};
}

// "(L1 = 50 um, at least 150 um)": the value at fault and its limit in the
// units the netlist wrote the value in, when the message names a number
// the statement gave.
std::string in_netlist_units(const Item& at, const std::string& text) {
    static const std::regex kValue(R"(([A-Za-z_0-9]+)=([-+0-9.eE]+|-?nan|-?inf) [^!]*!.*?\(([A-Za-z_0-9]*)_(min|max)=([-+0-9.eE]+)\))");
    std::smatch m;
    if (!std::regex_search(text, m, kValue)) return "";
    const auto w = at.written.find(m[1].str());
    if (w == at.written.end()) return "";
    const bool length = is_length_keyword(m[1].str());
    const double limit = std::strtod(m[5].str().c_str(), nullptr);
    return fmt::format(" ({} = {}, {} {})", m[1].str(), in_written_units(std::strtod(m[2].str().c_str(), nullptr), w->second, length),
                       m[4].str() == "min" ? "at least" : "at most", in_written_units(limit, w->second, length));
}

}  // namespace

bool check_inputs(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library, host::Host& host,
                  std::FILE* out) {
    using Query = int (*)(const char*, void**);
    using Check = int (*)(UserInstDef*);
    auto query = reinterpret_cast<Query>(library != nullptr ? dlsym(library, "sim_query_info") : nullptr);
    void* fn = nullptr;
    if (query == nullptr || query("checkInstance", &fn) != 0 || fn == nullptr) return true;
    const auto check = reinterpret_cast<Check>(fn);
    bool ok = true;
    std::vector<Message> said;
    for (std::size_t k = 0; k < insts.size() && k < nl.items.size(); ++k) {
        const Item& it = nl.items[k];
        if (it.def->numExtNodes == 0) continue;
        const std::size_t before = host.log().size();
        const bool failed = check(insts[k]) != 0;
        ok = ok && !failed;
        for (std::size_t m = before; m < host.log().size(); ++m) {
            const host::LogLine& l = host.log()[m];
            if (l.severity != host::Severity::Error && l.text.rfind("WARNING", 0) != 0) continue;
            // Plain variables, not a structured binding: the lambda below
            // captures them, which not every compiler allows of a binding.
            std::pair<const Item*, std::string> owned = owner(nl, it, l.text);
            const Item* at = owned.first;
            std::string& text = owned.second;
            auto same = std::find_if(said.begin(), said.end(), [&](const Message& s) { return s.at == at && s.text == text; });
            if (same == said.end()) same = said.insert(said.end(), {at, std::move(text), {}});
            if (at != &it && std::find(same->users.begin(), same->users.end(), &it) == same->users.end())
                same->users.push_back(&it);
        }
    }
    for (const Message& s : said) {
        std::string users;
        for (const Item* u : s.users)
            users += fmt::format("{}{}:{} at {}:{}", users.empty() ? "; used by " : ", ", u->def->name, u->name, u->file, u->line);
        fmt::print(out, "{}:{}: {}:{}: {}{}{}\n", s.at->file, s.at->line, s.at->def->name, s.at->name, s.text,
                   in_netlist_units(*s.at, s.text), users);
    }
    return ok;
}

void check_sound_elements(const Netlist& partial, void* library, host::Host& host, std::FILE* out) {
    Netlist sound = partial;
    // Only elements whose every item is there: a missing one was reported.
    std::erase_if(sound.items, [&](const Item& it) {
        for (const auto& [key, v] : it.params)
            if (v.kind == host::Value::Kind::Mtrl && data_item(partial, v.text) == nullptr) return true;
        return false;
    });
    try {
        check_inputs(sound, create_instances(sound, host), library, host, out);
    } catch (const NetlistError&) {
        // A refusal of the host was reported with the netlist's own errors.
    }
}

namespace {

using Describe = int (*)(UserInstDef*, double, char*, int);

Describe describe_entry(void* library, const char* query_name) {
    using Query = int (*)(const char*, void**);
    auto query = reinterpret_cast<Query>(library != nullptr ? dlsym(library, "sim_query_info") : nullptr);
    void* fn = nullptr;
    if (query == nullptr || query(query_name, &fn) != 0) return nullptr;
    return reinterpret_cast<Describe>(fn);
}

// The library's value list: tab-separated name, value, unit, factor, shown unit.
std::vector<SolvedValue> parse_values(const std::string& text) {
    std::vector<SolvedValue> out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream cells(line);
        for (std::string c; std::getline(cells, c, '\t');) f.push_back(c);
        if (f.size() < 3) continue;
        SolvedValue v{f[0], std::strtod(f[1].c_str(), nullptr), f[2], 1, f[2]};
        if (f.size() >= 5) {
            v.factor = std::strtod(f[3].c_str(), nullptr);
            v.shown_unit = f[4];
        }
        out.push_back(std::move(v));
    }
    return out;
}

// A JSON string, quoted, with quotes, backslashes and control characters escaped.
std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\')
            out += {'\\', c};
        else if (static_cast<unsigned char>(c) < 0x20)
            out += fmt::format("\\u{:04x}", static_cast<unsigned>(c));
        else
            out += c;
    }
    return out + "\"";
}

// JSON has no NaN or infinity: null stands for them.
std::string json_number(double v) { return std::isfinite(v) ? fmt::format("{:.17g}", v) : "null"; }

// The distinct descriptions in order, each with every instance sharing it.
std::vector<std::pair<const Described*, std::vector<std::string>>> grouped(const std::vector<Described>& d) {
    std::vector<std::pair<const Described*, std::vector<std::string>>> out;
    for (const Described& x : d) {
        auto it = std::find_if(out.begin(), out.end(), [&](const auto& g) { return g.first->text == x.text; });
        if (it == out.end())
            out.push_back({&x, {x.who}});
        else
            it->second.push_back(x.who);
    }
    return out;
}

}  // namespace

std::vector<Described> describe_instances(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library,
                                          double f) {
    std::vector<Described> out;
    const Describe text = describe_entry(library, "describeInstance");
    const Describe values = describe_entry(library, "describeValues");
    if (text == nullptr) return out;
    char buf[2048];
    for (std::size_t k = 0; k < insts.size() && k < nl.items.size(); ++k) {
        const Item& it = nl.items[k];
        if (it.def->numExtNodes == 0 || text(insts[k], f, buf, sizeof buf) != 0) continue;
        Described d{fmt::format("{}:{}", it.def->name, it.name), buf, {}};
        if (values != nullptr && values(insts[k], f, buf, sizeof buf) == 0) d.values = parse_values(buf);
        out.push_back(std::move(d));
    }
    return out;
}

double summary_frequency(const Netlist& nl) {
    return nl.sweep.freqs_hz.empty() ? 0.0 : nl.sweep.freqs_hz[nl.sweep.freqs_hz.size() / 2];
}

std::string summary_text(const std::vector<Described>& d) {
    std::string out;
    for (const auto& [x, who] : grouped(d))
        out += fmt::format("  {}: {}\n", fmt::join(who, ", "), x->text);
    return out.empty() ? out : "solved:\n" + out;
}

std::string summary_json(const std::vector<Described>& d, const std::string& netlist, double f) {
    std::string out = fmt::format("{{\n  \"netlist\": {},\n  \"frequency_hz\": {},\n  \"solved\": [", json_string(netlist),
                                  json_number(f));
    const auto groups = grouped(d);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const auto& [x, who] = groups[g];
        std::vector<std::string> names, values;
        for (const std::string& w : who) names.push_back(json_string(w));
        for (const SolvedValue& v : x->values)
            values.push_back(fmt::format("{}: {{\"value\": {}, \"unit\": {}}}", json_string(v.name), json_number(v.value),
                                         json_string(v.unit)));
        out += fmt::format("{}\n    {{\"instances\": [{}],\n     \"text\": {},\n     \"values\": {{{}}}}}", g ? "," : "",
                           fmt::join(names, ", "), json_string(x->text), fmt::join(values, ", "));
    }
    return out + (groups.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

std::string statement_of(const Netlist& nl, const std::string& instance) {
    for (const Item& it : nl.items)
        if (it.name == instance) return fmt::format("{}:{}: ", it.file, it.line);
    return "";
}

}  // namespace mirtex::sim
