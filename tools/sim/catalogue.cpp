#include "catalogue.h"

#include <dlfcn.h>
#include <fmt/format.h>

#include <ostream>

#include "host.h"

namespace mirtex::sim {

namespace {
const char* type_name(int t) {
    static const char* const names[] = {"REAL", "INT", "MTRL", "STRG"};
    return t >= 0 && t <= 3 ? names[t] : "?";
}
}  // namespace

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
