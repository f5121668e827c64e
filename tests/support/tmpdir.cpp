#include "support/tmpdir.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace mirtex::test {

TempDir::TempDir(const std::string& stem) {
    std::string tmpl = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + tmpl);
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace mirtex::test
