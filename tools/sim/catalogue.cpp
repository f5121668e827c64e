#include "catalogue.h"

#include <ostream>

#include "host.h"

namespace mirtex::sim {

namespace {
const char* type_name(int t) {
    static const char* const names[] = {"REAL", "INT", "MTRL", "STRG"};
    return t >= 0 && t <= 3 ? names[t] : "?";
}
}  // namespace

void print_catalogue(std::ostream& out) {
    const auto& defs = host::Host::get().definitions();
    out << defs.size() << " definitions\n";
    for (const UserElemDef* d : defs) {
        out << d->name << "  nodes=" << d->numExtNodes << "  parameters=" << d->numPars << "\n";
        for (int p = 0; p < d->numPars; ++p) out << "    " << d->params[p].keyword << " " << type_name(d->params[p].type) << "\n";
    }
}

}  // namespace mirtex::sim
