#include "sim/check.h"

#include <dlfcn.h>
#include <fmt/format.h>

namespace mirtex::sim {

bool check_inputs(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library, host::Host& host,
                  std::FILE* out) {
    using Query = int (*)(const char*, void**);
    using Check = int (*)(UserInstDef*);
    auto query = reinterpret_cast<Query>(library != nullptr ? dlsym(library, "sim_query_info") : nullptr);
    void* fn = nullptr;
    if (query == nullptr || query("checkInstance", &fn) != 0 || fn == nullptr) return true;
    const auto check = reinterpret_cast<Check>(fn);
    bool ok = true;
    for (std::size_t k = 0; k < insts.size() && k < nl.items.size(); ++k) {
        const Item& it = nl.items[k];
        if (it.def->numExtNodes == 0) continue;
        const std::size_t before = host.log().size();
        const bool failed = check(insts[k]) != 0;
        ok = ok && !failed;
        for (std::size_t m = before; m < host.log().size(); ++m) {
            const host::LogLine& l = host.log()[m];
            if (l.severity != host::Severity::Error && l.text.rfind("WARNING", 0) != 0) continue;
            fmt::print(out, "{}:{}: {}:{}: {}\n", it.file, it.line, it.def->name, it.name, l.text);
        }
    }
    return ok;
}

std::vector<std::pair<std::string, std::string>> describe_instances(const Netlist& nl,
                                                                  const std::vector<UserInstDef*>& insts,
                                                                  void* library, double f) {
    using Query = int (*)(const char*, void**);
    using Describe = int (*)(UserInstDef*, double, char*, int);
    auto query = reinterpret_cast<Query>(library != nullptr ? dlsym(library, "sim_query_info") : nullptr);
    void* fn = nullptr;
    std::vector<std::pair<std::string, std::string>> out;
    if (query == nullptr || query("describeInstance", &fn) != 0 || fn == nullptr) return out;
    const auto describe = reinterpret_cast<Describe>(fn);
    char buf[512];
    for (std::size_t k = 0; k < insts.size() && k < nl.items.size(); ++k) {
        const Item& it = nl.items[k];
        if (it.def->numExtNodes == 0 || describe(insts[k], f, buf, sizeof buf) != 0) continue;
        out.emplace_back(fmt::format("{}:{}", it.def->name, it.name), buf);
    }
    return out;
}

void print_summary(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library, std::FILE* out) {
    if (nl.sweep.freqs_hz.empty()) return;
    const double f = nl.sweep.freqs_hz[nl.sweep.freqs_hz.size() / 2];
    std::vector<std::pair<std::string, std::string>> lines;  // description, instances
    for (const auto& [who, desc] : describe_instances(nl, insts, library, f)) {
        bool merged = false;
        for (auto& [text, names] : lines)
            if (text == desc) {
                names += ", " + who;
                merged = true;
            }
        if (!merged) lines.emplace_back(desc, who);
    }
    if (lines.empty()) return;
    fmt::print(out, "solved:\n");
    for (const auto& [text, names] : lines) fmt::print(out, "  {}: {}\n", names, text);
}

std::string statement_of(const Netlist& nl, const std::string& instance) {
    for (const Item& it : nl.items)
        if (it.name == instance) return fmt::format("{}:{}: ", it.file, it.line);
    return "";
}

}  // namespace mirtex::sim
