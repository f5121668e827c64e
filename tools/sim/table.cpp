#include "sim/table.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host.h"
#include "mirtex/table.h"

namespace mirtex::sim {
namespace {

constexpr const char* kUsage =
    "usage: mirtex-sim table check DIR|FILE...    what each calculation file holds; exit 1 when damaged\n"
    "       mirtex-sim table list [--csv] FILE    one line per record: geometry and results\n"
    "       mirtex-sim table repair FILE          rebuild FILE from its intact records\n"
    "       mirtex-sim table merge SRC... DEST    the union of tables of one kind into DEST\n"
    "       [--lib PATH]                          the model library to use\n";

void print(void* /*ctx*/, int is_error, const char* line) {
    std::FILE* to = is_error ? stderr : stdout;
    std::fprintf(to, "%s%s\n", is_error ? "mirtex-sim: " : "", line);
}

}  // namespace

int table_main(int argc, char** argv, const char* library_path) {
    // Exit codes as the rest of mirtex-sim: 1 for what the files hold
    // (damage found, not a calculation file, kinds that differ), 2 for the
    // command line, 3 for the library, 5 for a file that cannot be written.
    std::string verb, lib = library_path;
    std::vector<std::string> paths;
    int flags = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--csv") {
            flags |= MIRTEX_TABLE_CSV;
        } else if (a == "--lib" && i + 1 < argc) {
            lib = argv[++i];
        } else if (verb.empty()) {
            verb = a;
        } else {
            paths.push_back(a);
        }
    }
    const bool shape_ok = (verb == "check" && !paths.empty()) || ((verb == "list" || verb == "repair") && paths.size() == 1) ||
                          (verb == "merge" && paths.size() >= 2);
    if (!shape_ok) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // The library is loaded for its tool only: nothing is booted or solved.
    std::string err;
    void* handle = host::load_library(lib, err);
    using Query = int (*)(const char*, void**);
    auto query = reinterpret_cast<Query>(handle != nullptr ? dlsym(handle, "sim_query_info") : nullptr);
    void* fn = nullptr;
    if (query == nullptr || query("calcTable", &fn) != 0 || fn == nullptr) {
        std::fprintf(stderr, "mirtex-sim: %s\n", handle != nullptr ? (lib + " has no table tool").c_str() : err.c_str());
        return 3;
    }
    std::vector<const char*> p;
    for (const std::string& s : paths) p.push_back(s.c_str());
    const int status = reinterpret_cast<mirtex_table_fn>(fn)(verb.c_str(), p.data(), static_cast<int>(p.size()), flags,
                                                             print, nullptr);
    switch (status) {
        case MIRTEX_TABLE_OK: return 0;
        case MIRTEX_TABLE_DAMAGED:
        case MIRTEX_TABLE_REFUSED: return 1;
        default: return 5;
    }
}

}  // namespace mirtex::sim
