// Every command and netlist the README and the user documentation show
// runs as written: `build/mirtex-sim ...` lines of the sh blocks (from a
// scratch directory, with the build and example paths of this tree), and
// the netlist blocks through --check.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim_support.h"
#include "support/tmpdir.h"

namespace {

struct Block {
    std::string lang, text, where;
};

std::vector<Block> blocks(const std::string& path) {
    std::ifstream in(path);
    std::vector<Block> out;
    std::string line;
    int n = 0;
    Block* open = nullptr;
    while (std::getline(in, line)) {
        ++n;
        if (line.rfind("```", 0) == 0) {
            if (open == nullptr) {
                out.push_back({line.substr(3), "", path + ":" + std::to_string(n)});
                open = &out.back();
            } else {
                open = nullptr;
            }
        } else if (open != nullptr) {
            open->text += line + "\n";
        }
    }
    return out;
}

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
    return s;
}

TEST(Snippets, EveryDocumentedCommandAndNetlistRuns) {
    mirtex::test::TempDir dir("mirtex-snippets");
    const std::string src = MIRTEX_SOURCE_DIR, build = MIRTEX_BUILD_DIR;
    int commands = 0, netlists = 0;
    for (const std::string& doc : {src + "/README.md", src + "/docs/netlist.md", src + "/docs/elements.md"})
        for (const Block& b : blocks(doc)) {
            if (b.lang == "netlist") {
                const std::string file = dir.file("snippet" + std::to_string(++netlists) + ".net");
                std::ofstream(file) << b.text;
                const std::string cmd = build + "/mirtex-sim -q --check " + file + " >/dev/null 2>&1";
                EXPECT_EQ(std::system(cmd.c_str()), 0) << b.where;
            }
            if (b.lang != "sh") continue;
            std::istringstream lines(b.text);
            std::string line;
            while (std::getline(lines, line)) {
                if (line.rfind("build/mirtex-sim", 0) != 0) continue;
                if (const auto hash = line.find(" #"); hash != std::string::npos) line.resize(hash);
                line = replace_all(line, "build/mirtex-sim", build + "/mirtex-sim");
                line = replace_all(line, " examples/", " " + src + "/examples/");
                const std::string cmd = "cd " + dir.path().string() + " && " + line + " >/dev/null 2>&1";
                EXPECT_EQ(std::system(cmd.c_str()), 0) << b.where << ": " << line;
                ++commands;
            }
        }
    EXPECT_GE(commands, 8);
    EXPECT_GE(netlists, 1);
}

}  // namespace
