#pragma once

#include <filesystem>
#include <string>

namespace mirtex::test {

// A fresh directory under the system temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& stem);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace mirtex::test
