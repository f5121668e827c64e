// mirtex-sim: loads the model library the way a circuit simulator does.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <iostream>
#include <string>

#include "host.h"
#include "sim/catalogue.h"

namespace {

std::string default_library() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "libmirtex.so";
    std::string exe(buf, static_cast<std::size_t>(n));
    const auto slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/libmirtex.so";
}

int usage(std::ostream& out, int code) {
    out << "usage: mirtex-sim --list [--lib PATH]\n";
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    std::string lib = default_library();
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list") == 0) {
            list = true;
        } else if (std::strcmp(argv[i], "--lib") == 0 && i + 1 < argc) {
            lib = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return usage(std::cout, 0);
        } else {
            std::cerr << "mirtex-sim: unknown argument '" << argv[i] << "'\n";
            return usage(std::cerr, 2);
        }
    }
    if (!list) return usage(std::cerr, 2);

    std::string err;
    if (mirtex::host::load_library(lib, err) == nullptr) {
        std::cerr << "mirtex-sim: " << err << "\n";
        return 3;
    }
    auto& host = mirtex::host::Host::get();
    if (host.announced().empty()) {
        std::cerr << "mirtex-sim: " << lib << " announces no devices\n";
        return 3;
    }
    host.set_echo(true);
    host.boot_all();
    mirtex::sim::print_catalogue(std::cout);
    return 0;
}
