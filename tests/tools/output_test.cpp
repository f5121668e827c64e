// Touchstone files read back by a small reader of the standard's layout,
// CSV, the SVG plot as well-formed XML, and files that appear only whole.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "sim/output.h"
#include "sim/plot.h"
#include "support/tmpdir.h"

namespace {

using cd = std::complex<double>;
using mirtex::sim::NetworkData;
using mirtex::sim::NumberFormat;
using mirtex::sim::OutputOptions;
using mirtex::sim::ParamKind;

// ------------------------------------------------------ Touchstone reader

struct Touchstone {
    std::string unit, kind, format, version = "1";
    double r = 50;
    std::vector<double> refs;
    std::string two_port_order;
    int declared_ports = 0, declared_freqs = 0;
    bool ended = false;
    std::vector<double> freqs_hz;
    std::vector<Eigen::MatrixXcd> m;
    std::vector<std::vector<std::size_t>> numbers_per_line;  // per frequency block
};

Touchstone read_touchstone(const std::string& text, int n) {
    Touchstone t;
    std::istringstream in(text);
    std::string line;
    std::vector<double> nums;
    bool data = false;
    std::vector<std::size_t> counts;
    while (std::getline(in, line)) {
        if (auto bang = line.find('!'); bang != std::string::npos) line.erase(bang);
        std::istringstream ls(line);
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        if (line[0] == '[') {
            const std::string key = line.substr(0, line.find(']') + 1);
            std::istringstream rest(line.substr(line.find(']') + 1));
            if (key == "[Version]") rest >> t.version;
            if (key == "[Number of Ports]") rest >> t.declared_ports;
            if (key == "[Two-Port Data Order]") rest >> t.two_port_order;
            if (key == "[Number of Frequencies]") rest >> t.declared_freqs;
            if (key == "[Reference]")
                for (double v; rest >> v;) t.refs.push_back(v);
            if (key == "[End]") t.ended = true;
            continue;
        }
        if (line[0] == '#') {
            std::string r;
            ls.ignore(1) >> t.unit >> t.kind >> t.format >> r >> t.r;
            EXPECT_EQ(r, "R");
            data = true;
            continue;
        }
        EXPECT_TRUE(data) << "data before the option line";
        std::size_t here = 0;
        for (double v; ls >> v; ++here) nums.push_back(v);
        counts.push_back(here);
    }
    const double scale = t.unit == "GHz" ? 1e9 : t.unit == "MHz" ? 1e6 : t.unit == "kHz" ? 1e3 : 1;
    const std::size_t per = 1 + 2 * static_cast<std::size_t>(n * n);
    EXPECT_EQ(nums.size() % per, 0u);
    std::size_t line_at = 0;
    for (std::size_t at = 0; at + per <= nums.size(); at += per) {
        t.freqs_hz.push_back(nums[at] * scale);
        Eigen::MatrixXcd m(n, n);
        for (int q = 0; q < n * n; ++q) {
            // Two-ports: 11 21 12 22; otherwise row by row.
            const int r = n == 2 ? q % 2 : q / n, c = n == 2 ? q / 2 : q % n;
            const double a = nums[at + 1 + 2 * q], b = nums[at + 2 + 2 * q];
            if (t.format == "RI") m(r, c) = cd(a, b);
            const double mag = t.format == "DB" ? std::pow(10.0, a / 20) : a;
            if (t.format != "RI") m(r, c) = std::polar(mag, b * 3.14159265358979323846 / 180);
        }
        t.m.push_back(m);
        // The lines of this block: every number of the block, nothing more.
        std::vector<std::size_t> block;
        for (std::size_t got = 0; got < per && line_at < counts.size(); ++line_at) {
            block.push_back(counts[line_at]);
            got += counts[line_at];
        }
        t.numbers_per_line.push_back(block);
    }
    return t;
}

NetworkData sample(int n, std::vector<double> refs = {}) {
    NetworkData d;
    d.z_ref = refs.empty() ? std::vector<double>(static_cast<std::size_t>(n), 50.0) : refs;
    for (int k = 0; k < 4; ++k) {
        d.freqs_hz.push_back(1e9 + 0.25e9 * k + 1234.5);
        Eigen::MatrixXcd s(n, n);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                s(r, c) = std::polar(0.9 / (1 + r + c) + 0.01 * k, 0.3 * (r - 2 * c) + 0.7 * k - 2.9);
        s = 0.5 * (s + s.transpose()).eval();  // reciprocal, so Y and Z exist
        d.s.push_back(s);
    }
    return d;
}

double max_diff(const Eigen::MatrixXcd& a, const Eigen::MatrixXcd& b) { return (a - b).cwiseAbs().maxCoeff(); }

TEST(Touchstone, VersionOneRoundTripsInEveryFormatAndLayout) {
    for (int n : {1, 2, 3, 5}) {
        const NetworkData d = sample(n);
        for (NumberFormat f : {NumberFormat::MA, NumberFormat::DB, NumberFormat::RI}) {
            OutputOptions o;
            o.format = f;
            o.comment = "sample";
            const std::string text = mirtex::sim::touchstone(d, o);
            const Touchstone t = read_touchstone(text, n);
            EXPECT_EQ(t.version, "1");
            EXPECT_EQ(t.unit, "GHz");
            EXPECT_EQ(t.kind, "S");
            EXPECT_EQ(t.format, f == NumberFormat::MA ? "MA" : f == NumberFormat::DB ? "DB" : "RI");
            EXPECT_EQ(t.r, 50);
            ASSERT_EQ(t.m.size(), d.s.size());
            for (std::size_t k = 0; k < d.s.size(); ++k) {
                EXPECT_NEAR(t.freqs_hz[k], d.freqs_hz[k], 1e-3);
                EXPECT_LT(max_diff(t.m[k], d.s[k]), 1e-10) << n << " ports";
                // One line per point up to two ports; beyond, a line per row
                // with at most four pairs, the first one led by the frequency.
                const auto& lines = t.numbers_per_line[k];
                if (n <= 2) {
                    EXPECT_EQ(lines.size(), 1u);
                } else {
                    const std::size_t per_row = static_cast<std::size_t>((n + 3) / 4);
                    ASSERT_EQ(lines.size(), static_cast<std::size_t>(n) * per_row);
                    EXPECT_EQ(lines[0], 1u + 2 * std::min(n, 4));
                    for (std::size_t l = 1; l < lines.size(); ++l) EXPECT_LE(lines[l], 8u);
                }
            }
        }
    }
}

TEST(Touchstone, UnequalReferencesGiveVersionTwo) {
    const NetworkData d = sample(2, {50.0, 75.0});
    OutputOptions o;
    o.format = NumberFormat::RI;
    o.freq_unit = "mhz";
    const std::string text = mirtex::sim::touchstone(d, o);
    const Touchstone t = read_touchstone(text, 2);
    EXPECT_EQ(t.version, "2.0");
    EXPECT_EQ(t.unit, "MHz");
    EXPECT_EQ(t.declared_ports, 2);
    EXPECT_EQ(t.two_port_order, "21_12");
    EXPECT_EQ(t.declared_freqs, 4);
    EXPECT_EQ(t.refs, (std::vector<double>{50.0, 75.0}));
    EXPECT_TRUE(t.ended);
    // [Version] is the first keyword, before the option line.
    EXPECT_LT(text.find("[Version] 2.0"), text.find("# MHz"));
    EXPECT_LT(text.find("[Network Data]"), text.find("\n1000.0012345 "));
    for (std::size_t k = 0; k < d.s.size(); ++k) EXPECT_LT(max_diff(t.m[k], d.s[k]), 1e-10);

    const Touchstone t3 = read_touchstone(mirtex::sim::touchstone(sample(3, {50, 50, 25}), o), 3);
    EXPECT_EQ(t3.version, "2.0");
    EXPECT_TRUE(t3.two_port_order.empty());
    EXPECT_EQ(t3.refs.size(), 3u);
}

TEST(Touchstone, AdmittanceAndImpedanceNormalisation) {
    // Version 1 writes Y and Z normalised to R; version 2 in siemens and ohms.
    for (const std::vector<double>& refs : {std::vector<double>{25.0, 25.0}, std::vector<double>{25.0, 100.0}}) {
        const NetworkData d = sample(2, refs);
        for (ParamKind kind : {ParamKind::Y, ParamKind::Z}) {
            OutputOptions o;
            o.kind = kind;
            o.format = NumberFormat::RI;
            const Touchstone t = read_touchstone(mirtex::sim::touchstone(d, o), 2);
            EXPECT_EQ(t.kind, kind == ParamKind::Y ? "Y" : "Z");
            const bool v1 = refs[0] == refs[1];
            const double norm = !v1 ? 1.0 : kind == ParamKind::Y ? 25.0 : 1.0 / 25.0;
            for (std::size_t k = 0; k < d.s.size(); ++k) {
                const Eigen::MatrixXcd want = mirtex::sim::convert(d.s[k], refs, kind) * norm;
                EXPECT_LT(max_diff(t.m[k], want), 1e-10 * want.cwiseAbs().maxCoeff());
            }
        }
    }
}

TEST(Csv, HeaderNamesEveryColumnRowByRow) {
    const NetworkData d = sample(2);
    OutputOptions o;
    o.format = NumberFormat::DB;
    const std::string text = mirtex::sim::csv(d, o);
    const std::string header = text.substr(0, text.find('\n'));
    EXPECT_EQ(header, "freq_Hz,S11_dB,S11_deg,S12_dB,S12_deg,S21_dB,S21_deg,S22_dB,S22_deg");
    std::istringstream in(text.substr(text.find('\n') + 1));
    std::string row;
    std::getline(in, row);
    std::vector<double> v;
    std::stringstream rs(row);
    for (std::string cell; std::getline(rs, cell, ',');) v.push_back(std::stod(cell));
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ(v[0], d.freqs_hz[0]);
    EXPECT_NEAR(v[3], 20 * std::log10(std::abs(d.s[0](0, 1))), 1e-9);
    EXPECT_NEAR(v[4], std::arg(d.s[0](0, 1)) * 180 / 3.14159265358979323846, 1e-9);
}

// ------------------------------------------------------------- SVG plot

// Well-formed XML: one root, tags nested and closed in order, attribute
// values quoted, only the predefined or numeric entities.  Returns the
// element names in document order.
std::vector<std::string> check_xml(const std::string& x) {
    std::vector<std::string> stack, seen;
    std::size_t i = 0;
    auto entity_ok = [&](std::size_t at) {
        const std::size_t semi = x.find(';', at);
        if (semi == std::string::npos) return false;
        const std::string e = x.substr(at + 1, semi - at - 1);
        if (e == "amp" || e == "lt" || e == "gt" || e == "quot" || e == "apos") return true;
        return e.size() > 1 && e[0] == '#' && e.find_first_not_of("0123456789", 1) == std::string::npos;
    };
    if (x.rfind("<?xml", 0) == 0) i = x.find("?>") + 2;
    int roots = 0;
    while (i < x.size()) {
        if (x[i] != '<') {
            if (x[i] == '&') {
                EXPECT_TRUE(entity_ok(i)) << x.substr(i, 12);
            }
            if (stack.empty() && !std::isspace(static_cast<unsigned char>(x[i]))) ADD_FAILURE() << "text outside root";
            ++i;
            continue;
        }
        const std::size_t end = x.find('>', i);
        if (end == std::string::npos) {
            ADD_FAILURE() << "unclosed tag";
            break;
        }
        std::string tag = x.substr(i + 1, end - i - 1);
        i = end + 1;
        if (tag[0] == '/') {
            if (stack.empty() || stack.back() != tag.substr(1)) {
                ADD_FAILURE() << "mismatched </" << tag.substr(1) << ">";
                break;
            }
            stack.pop_back();
            continue;
        }
        const bool empty = tag.back() == '/';
        if (empty) tag.pop_back();
        const std::string name = tag.substr(0, tag.find_first_of(" \t\n"));
        // Attributes: name="value" pairs.
        std::size_t a = name.size();
        while (a < tag.size()) {
            while (a < tag.size() && std::isspace(static_cast<unsigned char>(tag[a]))) ++a;
            if (a >= tag.size()) break;
            const std::size_t eq = tag.find('=', a);
            if (eq == std::string::npos || eq + 1 >= tag.size() || tag[eq + 1] != '"') {
                ADD_FAILURE() << "unquoted attribute in <" << name << ">";
                break;
            }
            const std::size_t close = tag.find('"', eq + 2);
            EXPECT_NE(close, std::string::npos);
            const std::string value = tag.substr(eq + 2, close - eq - 2);
            EXPECT_EQ(value.find('<'), std::string::npos);
            a = close + 1;
        }
        if (stack.empty()) ++roots;
        seen.push_back(name);
        if (!empty) stack.push_back(name);
    }
    EXPECT_TRUE(stack.empty()) << "unclosed <" << (stack.empty() ? "" : stack.back()) << ">";
    EXPECT_EQ(roots, 1);
    return seen;
}

TEST(Plot, IsWellFormedSvgWithACurvePerParameterAndASmithTrace) {
    for (int n : {1, 2, 4}) {
        const std::string svg = mirtex::sim::svg_plot(sample(n), "a<b & \"c\"");
        const auto names = check_xml(svg);
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(names[0], "svg");
        // A curve per parameter, and every reflection on the Smith chart.
        EXPECT_EQ(std::count(names.begin(), names.end(), "polyline"), n * n + n) << n;
        EXPECT_NE(svg.find("a&lt;b &amp; &quot;c&quot;"), std::string::npos);
    }
    // A single frequency, and an exact zero in dB, still draw.
    NetworkData one = sample(2);
    one.freqs_hz.resize(1);
    one.s.resize(1);
    one.s[0](1, 0) = 0.0;
    const std::string svg = mirtex::sim::svg_plot(one, "one point");
    check_xml(svg);
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_EQ(svg.find("inf"), std::string::npos);
}

// ----------------------------------------------------------- PendingFile

TEST(PendingFile, AppearsOnlyWhenCommitted) {
    mirtex::test::TempDir dir("mirtex-out");
    const std::string path = dir.file("out.s2p");
    {
        mirtex::sim::PendingFile f(path, "half");
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_TRUE(std::filesystem::exists(f.temp_path()));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "an abandoned file leaves nothing";
    {
        mirtex::sim::PendingFile f(path, "whole\n");
        f.commit();
    }
    std::ifstream in(path);
    std::string s((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(s, "whole\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_THROW(mirtex::sim::PendingFile(dir.file("no/such/dir/x.s2p"), "x"), std::runtime_error);
}

}  // namespace

namespace {

// The picture's axis follows the sweep, reflections and transmissions get
// a panel each, every curve its own dash pattern (S21 and S12 of a
// reciprocal circuit coincide), and the Smith chart labels its reactances.
TEST(Plot, AxisKindPanelsStylesAndReactanceLabels) {
    const NetworkData d = sample(2);
    const std::string lin = mirtex::sim::svg_plot(d, "lin");
    const std::string log = mirtex::sim::svg_plot(d, "log", "GHz", true);
    check_xml(log);
    auto count = [](const std::string& s, const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count(lin, "data-axis=\"linear\""), 2u);
    EXPECT_EQ(count(log, "data-axis=\"log\""), 2u);
    EXPECT_NE(log.find("f / GHz (log)"), std::string::npos);
    auto dash_of = [&](const std::string& s, const char* cls) {
        const auto at = s.find(std::string("class=\"") + cls + "\"");
        const auto d0 = s.find("stroke-dasharray=\"", at) + 18;
        return at == std::string::npos ? std::string() : s.substr(d0, s.find('"', d0) - d0);
    };
    EXPECT_NE(dash_of(lin, "S21"), dash_of(lin, "S12"));
    EXPECT_NE(dash_of(lin, "S11"), dash_of(lin, "S22"));
    EXPECT_GT(count(lin, "class=\"marker\""), 0u);
    for (const char* x : {">+j1<", ">-j1<", ">+j0.2<", ">-j5<"}) EXPECT_NE(lin.find(x), std::string::npos) << x;
}

}  // namespace

namespace {

// An n-port of delay lines: S(r, c) of magnitude 0.3 (reflections) or
// 0.9 / (1 + |r - c|), delayed by 50 ps times (1 + r + c).
NetworkData delays(int n) {
    NetworkData d;
    d.z_ref.assign(static_cast<std::size_t>(n), 50.0);
    for (int k = 0; k <= 40; ++k) {
        d.freqs_hz.push_back(1e9 + 0.5e9 * k);
        Eigen::MatrixXcd s(n, n);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                s(r, c) = std::polar(r == c ? 0.3 : 0.9 / (1 + std::abs(r - c)),
                                     -2 * 3.14159265358979323846 * d.freqs_hz.back() * 50e-12 * (1 + r + c));
        d.s.push_back(s);
    }
    return d;
}

struct Box {
    double x0, y0, x1, y1;
    bool overlaps(const Box& b) const { return x0 < b.x1 && b.x0 < x1 && y0 < b.y1 && b.y0 < y1; }
};

double attr(const std::string& svg, std::size_t at, const std::string& name) {
    const std::size_t p = svg.find(" " + name + "=\"", at) + name.size() + 3;
    return std::stod(svg.substr(p, svg.find('"', p) - p));
}

// The plot's choices in the picture: the traces asked for, a colour each,
// phase and group delay panels (the delay of a line is its length over the
// speed), frequencies along the Smith trace, and one legend box that
// meets neither a panel nor the Smith chart however many traces it holds.
TEST(Plot, TracesPhaseDelayLabelsAndALegendClearOfThePanelsAndTheSmithChart) {
    for (double tau : mirtex::sim::group_delay(delays(2), 1, 0)) EXPECT_NEAR(tau, 100e-12, 1e-15);
    for (int n : {2, 6, 12}) {
        const std::string svg = mirtex::sim::svg_plot(delays(n), "n");
        check_xml(svg);
        std::set<std::string> colours;
        for (std::size_t at = svg.find("<polyline class=\"S"); at != std::string::npos; at = svg.find("<polyline class=\"S", at + 1))
            if (svg.find("smith-trace", at) > svg.find('>', at)) {
                const std::size_t c = svg.find("stroke=\"", at) + 8;
                colours.insert(svg.substr(c, svg.find('"', c) - c));
            }
        EXPECT_EQ(colours.size(), static_cast<std::size_t>(n * n)) << n << " ports: a colour per trace";
        const std::size_t lg = svg.find("class=\"legend\""), sm = svg.find("class=\"smith\"");
        ASSERT_NE(lg, std::string::npos);
        ASSERT_NE(sm, std::string::npos);
        const Box legend{attr(svg, lg, "x"), attr(svg, lg, "y"), attr(svg, lg, "x") + attr(svg, lg, "width"),
                         attr(svg, lg, "y") + attr(svg, lg, "height")};
        const double r = attr(svg, sm, "r");
        EXPECT_FALSE(legend.overlaps({attr(svg, sm, "cx") - r, attr(svg, sm, "cy") - r - 20, attr(svg, sm, "cx") + r,
                                      attr(svg, sm, "cy") + r + 60}))
            << n;
        for (std::size_t at = svg.find("class=\"panel\""); at != std::string::npos; at = svg.find("class=\"panel\"", at + 1))
            EXPECT_FALSE(legend.overlaps({attr(svg, at, "x") - 60, attr(svg, at, "y"), attr(svg, at, "x") + attr(svg, at, "width"),
                                          attr(svg, at, "y") + attr(svg, at, "height") + 40}))
                << n;
        EXPECT_LT(legend.x1, attr(svg, sm, "cx") - r) << n;
    }

    mirtex::sim::PlotOptions o;
    o.phase = true;
    o.traces = mirtex::sim::parse_traces({"S21", "s11"}, 4);
    const std::string svg = mirtex::sim::svg_plot(delays(4), "chosen", o);
    check_xml(svg);
    auto count = [&](const std::string& part) {
        std::size_t k = 0;
        for (std::size_t at = svg.find(part); at != std::string::npos; at = svg.find(part, at + 1)) ++k;
        return k;
    };
    EXPECT_EQ(count("class=\"panel\""), 4u);
    for (const char* label : {"reflection |S| / dB", "transmission |S| / dB", "phase / deg", "group delay / ps"})
        EXPECT_EQ(count(std::string("data-label=\"") + label), 1u) << label;
    EXPECT_EQ(count("class=\"legend-entry\""), 2u);
    EXPECT_EQ(count("<polyline class=\"S31"), 0u);
    EXPECT_GE(count("<polyline class=\"S21 phase\""), 1u);
    EXPECT_EQ(count("<polyline class=\"S21 delay\""), 1u);
    EXPECT_GE(count("class=\"freq-label\""), 3u);

    EXPECT_EQ(mirtex::sim::parse_traces({"S1_12"}, 12), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 11}}));
    for (const char* bad : {"S31", "X21", "S2", "S1_3"}) EXPECT_THROW(mirtex::sim::parse_traces({bad}, 2), std::invalid_argument) << bad;
}

}  // namespace
