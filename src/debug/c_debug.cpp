// The debug switch record, the C_DEBUG item's analysis callbacks and the
// start of the debug file at each process resolution.
#include "debug/c_debug.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "binding/messages.h"
#include "mirtex/mirtex.h"
#include "params/item.h"

extern "C" {

MIRTEX_API C_DEBUG_REC c_debug = {0, 0, 0, 0, 0, {0}, nullptr};

MIRTEX_API int c_debug_pre(UserInstDef*) { return 1; }

MIRTEX_API int c_debug_post(UserInstDef*) {
    if (c_debug.enabled && c_debug.stream != nullptr) {
        std::fclose(c_debug.stream);
        c_debug.stream = nullptr;
    }
    return 1;
}

}

namespace mirtex {
namespace {

// The debug item of that name; an instance of another kind under the name
// is no debug item (its values would be read as flags and a file name).
UserInstDef* debug_item(const char* name) {
    UserInstDef* d = get_user_inst(name);
    return params::is_item_of(d, "C_DEBUG", 5) ? d : nullptr;
}

bool working_directory(std::string& out) {
    std::string buf(256, '\0');
    for (;;) {
        if (getcwd(buf.data(), buf.size()) != nullptr) {
            out.assign(buf.c_str());
            return true;
        }
        if (errno != ERANGE || buf.size() > (1u << 20)) return false;
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

void setup_debug_item() {
    UserInstDef* d = debug_item("C_DEBUG_DEFAULT");
    if (d == nullptr) d = debug_item("C_DEBUG1");
    if (d == nullptr) return;

    // A stream still open from an interrupted report would leak otherwise.
    if (c_debug.stream != nullptr) std::fclose(c_debug.stream);
    c_debug.enabled = 1;
    c_debug.stream = nullptr;
    c_debug.flag_static = params::int_param(d, 0);
    // Flag2 switches the per-frequency rows on, as its place among the flags
    // suggests; they can grow the file by a row per element and frequency.
    c_debug.flag_dynamic = params::int_param(d, 1);
    c_debug.flag_inputs = params::int_param(d, 2);
    c_debug.flag_spare = params::int_param(d, 3);

    const char* file = params::text_param(d, 4);
    std::string cwd;
    const std::string path = working_directory(cwd) ? format("%s/%s", cwd.c_str(), file) : std::string(file);
    // A path longer than the record holds is not cut to some other file's
    // name: the file is reported as not creatable and the name left empty,
    // so that the writers find no file to append to.
    if (cwd.empty() || path.size() >= sizeof c_debug.file_name) {
        c_debug.file_name[0] = '\0';
        send_error("Cannot open Debug File: '%s'!", path.c_str());
        return;
    }
    copy_bounded(c_debug.file_name, sizeof c_debug.file_name, path);
    std::FILE* f = std::fopen(c_debug.file_name, "w");
    if (f == nullptr) {
        send_error("Cannot open Debug File: '%s'!", path.c_str());
        return;
    }
    std::fputs("ZOKA Debug File\n\n", f);
    std::fclose(f);
}

}  // namespace mirtex
