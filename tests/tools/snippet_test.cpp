// Every command and netlist the README and the user documentation show
// runs as written: `build/mirtex-sim ...` lines of the sh blocks (from a
// scratch directory, with the build and example paths of this tree), and
// the netlist blocks through --check.  Every example runs as its comment
// says, and each number the comment states is that run's result: an
// "; expect:" line under the comment pins it,
//
//   ; expect: G1 Cs = 1.62 fF +-3%          a solved value (the --json summary)
//   ; expect: peak |S21| at 27.2 GHz +-1%    where |S21| peaks (or dips)
//   ; expect: peak |S21| = -43 dB +-3%       how high it peaks
//
// with the tolerance relative to the stated value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/units.h"
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

// A number with its unit as the comment writes it ("1.62 fF", "27.2 GHz").
double quantity(const std::string& number, const std::string& unit) {
    std::string why;
    const auto v = mirtex::sim::parse_quantity(number + unit, why);
    EXPECT_TRUE(v.has_value()) << number << unit << ": " << why;
    return v.value_or(0);
}

// The SI value of "name" among the values of the instance named in the
// --json document (as mirtex-sim writes it: one group per line run).
std::optional<double> json_value(const std::string& json, const std::string& instance, const std::string& name) {
    const std::size_t at = json.find(":" + instance + "\"");
    if (at == std::string::npos) return std::nullopt;
    const std::size_t end = json.find("\"instances\"", at);
    const std::size_t v = json.find("\"" + name + "\": {\"value\": ", at);
    if (v == std::string::npos || v > end) return std::nullopt;
    return std::strtod(json.c_str() + v + name.size() + 13, nullptr);
}

TEST(Snippets, EveryNumberAnExampleStatesIsItsResult) {
    mirtex::test::TempDir dir("mirtex-examples");
    const std::string src = MIRTEX_SOURCE_DIR, build = MIRTEX_BUILD_DIR;
    static const std::regex value(R"(^; expect: ([\w.-]+) (\S+) = ([-+.\deE]+) ?(\S*) \+-([\d.]+)%$)");
    static const std::regex extreme(R"(^; expect: (peak|dip) \|S(\d)(\d)\| (at|=) ([-+.\deE]+) ?(\S*) \+-([\d.]+)%$)");
    int checked = 0;
    for (const auto& e : std::filesystem::directory_iterator(src + "/examples")) {
        if (e.path().extension() != ".net") continue;
        const std::string name = e.path().filename().string(), csv = dir.file("s.csv"), json = dir.file("s.json");
        std::vector<std::string> expects;
        std::ifstream in(e.path());
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("; expect:", 0) == 0) expects.push_back(line);
            // The commands the example's comment gives, as written.
            const auto run = line.find("build/mirtex-sim ");
            if (line[0] != ';' || run == std::string::npos) continue;
            std::string cmd = replace_all(line.substr(run), "build/mirtex-sim", build + "/mirtex-sim");
            cmd = replace_all(cmd, " examples/", " " + src + "/examples/");
            if (const auto paren = cmd.find("  ("); paren != std::string::npos) cmd.resize(paren);
            cmd = "cd " + dir.path().string() + " && " + cmd + " >/dev/null 2>&1";
            EXPECT_EQ(std::system(cmd.c_str()), 0) << name << ": " << line;
        }
        if (expects.empty()) continue;
        const std::string cmd = build + "/mirtex-sim -q " + e.path().string() + " -o " + csv + " --json " + json;
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        std::ifstream js(json), cs(csv);
        const std::string doc((std::istreambuf_iterator<char>(js)), std::istreambuf_iterator<char>());
        // The sweep: frequency, then magnitude and angle of S11, S12, ... row by row.
        std::vector<std::vector<double>> rows;
        std::string line;
        std::getline(cs, line);
        while (std::getline(cs, line)) {
            std::vector<double> r;
            std::istringstream cells(line);
            for (std::string c; std::getline(cells, c, ',');) r.push_back(std::stod(c));
            rows.push_back(r);
        }
        ASSERT_FALSE(rows.empty()) << name;
        const std::size_t ports = static_cast<std::size_t>(std::lround(std::sqrt((rows[0].size() - 1) / 2.0)));
        for (const std::string& x : expects) {
            std::smatch m;
            double want = 0, got = 0, tol = 0;
            if (std::regex_match(x, m, extreme)) {
                const std::size_t col = 1 + 2 * ((std::stoul(m[2]) - 1) * ports + std::stoul(m[3]) - 1);
                auto best = rows.begin();
                for (auto r = rows.begin(); r != rows.end(); ++r)
                    if (m[1] == "peak" ? (*r)[col] > (*best)[col] : (*r)[col] < (*best)[col]) best = r;
                const bool level = m[4] == "=";
                want = level ? std::stod(m[5]) : quantity(m[5], m[6]);
                got = level ? 20 * std::log10((*best)[col]) : (*best)[0];
                tol = std::stod(m[7]);
            } else if (std::regex_match(x, m, value)) {
                const auto v = json_value(doc, m[1], m[2]);
                want = quantity(m[3], m[4]);
                got = v.value_or(NAN);
                tol = std::stod(m[5]);
            } else {
                ADD_FAILURE() << name << ": cannot read " << x;
                continue;
            }
            EXPECT_LE(std::abs(got - want), tol / 100 * std::abs(want)) << name << ": " << x << ", the run gives " << got;
            ++checked;
        }
    }
    EXPECT_GE(checked, 10);
}

}  // namespace
