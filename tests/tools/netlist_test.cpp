// The netlist language against the real library's catalogue: numbers with
// prefixes and units, continuation lines and comments, sweeps, and every
// kind of error with the line it names.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "sim/netlist.h"
#include "sim/units.h"
#include "sim_support.h"
#include "support/tmpdir.h"

namespace {

using mirtex::sim::Netlist;
using mirtex::sim::NetlistError;
using mirtex::sim::parse_netlist;

TEST(Units, PrefixesAndUnitsScaleTheNumber) {
    const std::pair<const char*, double> good[] = {
        {"200um", 200e-6}, {"40GHz", 40e9}, {"2.5", 2.5},     {"1e-6", 1e-6},  {"-1", -1.0},    {"+3", 3.0},
        {".5", 0.5},       {"5m", 5e-3},    {"5mm", 5e-3},    {"2meg", 2e6},   {"2megHz", 2e6}, {"3M", 3e6},
        {"10fF", 10e-15},  {"3.3nH", 3.3e-9}, {"1k", 1e3},    {"50Ohm", 50.0}, {"1Hz", 1.0},    {"2T", 2e12},
        {"4pF", 4e-12},    {"1.5E3", 1500.0}, {"7s", 7.0},    {"20mS", 20e-3}, {"1e3kHz", 1e6},
    };
    for (const auto& [text, want] : good) {
        std::string why;
        const auto v = mirtex::sim::parse_quantity(text, why);
        ASSERT_TRUE(v.has_value()) << text << ": " << why;
        EXPECT_NEAR(*v, want, 1e-15 * std::abs(want)) << text;
    }
    for (const char* bad : {"", "um", "5x", "5 um", "1e", "1.2.3", "5mmm", "inf", "nan", "5Gz", "1e999", "--1", "0x10"}) {
        std::string why;
        EXPECT_FALSE(mirtex::sim::parse_quantity(bad, why).has_value()) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    std::string why;
    EXPECT_EQ(mirtex::sim::parse_whole("3", why), 3);
    EXPECT_EQ(mirtex::sim::parse_whole("2k", why), 2000);
    EXPECT_FALSE(mirtex::sim::parse_whole("2.5", why).has_value());
    EXPECT_FALSE(mirtex::sim::parse_whole("3e10", why).has_value());
}

class Netlists : public ::testing::Test {
protected:
    void SetUp() override { mirtex::test::load_model(mirtex::test::kMirtexLibrary); }

    static Netlist parse(const std::string& text) { return parse_netlist(text, "n.net", mirtex::host::Host::get()); }

    // The error of text, which must name line and say `says`.
    static void expect_error(const std::string& text, int line, const std::string& says) {
        try {
            parse(text);
            ADD_FAILURE() << "no error for:\n" << text;
        } catch (const NetlistError& e) {
            EXPECT_EQ(e.line(), line) << e.what();
            EXPECT_NE(e.message().find(says), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()), "n.net:" + std::to_string(line) + ": " + e.message());
            EXPECT_EQ(e.message().find('\n'), std::string::npos) << "one line";
        }
    }
};

// Lines 1..7 of a valid netlist; the cases below change one line or add one.
const std::vector<std::string> kBase = {
    "C_SUB:S H1=-1 H2=200um H3=-1 ER1=1 ER2=12.9 ER3=1 TAND1=0 TAND2=5e-4 TAND3=0",
    "C_GRID:G BOUND=1e-5 L1=-1 L2=-1 DL=2.5um ACC=10",
    "C_LINTYP:T W=20um S=15um GW=50um CEN_MET=1 GND_MET=1",
    "CxLIN:L1 1 2 L=500um C_LTYP=T C_SUB=S C_GRID=G",
    "Term:P1 1 0 Num=1",
    "Term:P2 2 0 Num=2",
    "S_Param:SP Start=1GHz Stop=2GHz Points=3",
};

// kBase with line `at` (1-based) replaced by `with`; "" drops it; at 0
// appends `with` as line 8.
std::string edit(int at, const std::string& with) {
    std::string out;
    for (std::size_t k = 0; k < kBase.size(); ++k) {
        if (static_cast<int>(k) + 1 == at) {
            if (!with.empty()) out += with + "\n";
        } else {
            out += kBase[k] + "\n";
        }
    }
    if (at == 0) out += with + "\n";
    return out;
}

TEST_F(Netlists, TheBaseNetlistIsValid) {
    const Netlist nl = parse(edit(-1, ""));
    ASSERT_EQ(nl.items.size(), 4u);
    EXPECT_EQ(nl.ports.size(), 2u);
    EXPECT_EQ(nl.sweep.freqs_hz, (std::vector<double>{1e9, 1.5e9, 2e9}));
    const auto& line = nl.items[3];
    EXPECT_EQ(line.nodes, (std::vector<std::string>{"1", "2"}));
    ASSERT_EQ(line.params.size(), 5u);
    EXPECT_DOUBLE_EQ(line.params[0].second.real, 500e-6);
    EXPECT_EQ(line.params[1].second.text, "T");
    EXPECT_EQ(line.params[4].first, "TEMP");
    EXPECT_DOUBLE_EQ(line.params[4].second.real, 16.85);  // the default, 290 K
    EXPECT_NO_THROW(mirtex::sim::create_instances(nl, mirtex::host::Host::get()));
}

TEST_F(Netlists, ElementAndItemErrorsNameTheirLine) {
    const std::string line4 = "CxLIN:L1 1 2 L=500um C_LTYP=T C_SUB=S C_GRID=G";
    expect_error(edit(4, "CxLINE:L1 1 2 L=5um"), 4, "unknown type 'CxLINE'");
    expect_error(edit(4, "cxlin:L1 1 2 L=5um"), 4, "did you mean 'CxLIN'");
    expect_error(edit(4, line4 + " LEN=3"), 4, "unknown keyword 'LEN' for CxLIN");
    expect_error(edit(4, line4 + " temp=3"), 4, "did you mean 'TEMP'");
    expect_error(edit(4, "CxLIN:L1 1 2 3 L=500um C_LTYP=T C_SUB=S C_GRID=G"), 4, "2 nodes expected, 3 given");
    expect_error(edit(4, "CxLIN:L1 1 L=500um C_LTYP=T C_SUB=S C_GRID=G"), 4, "2 nodes expected, 1 given");
    expect_error(edit(2, "C_GRID:G x BOUND=1e-5 L1=-1 L2=-1 DL=2.5um ACC=10"), 2, "0 nodes expected, 1 given");
    expect_error(edit(4, "CxLIN:L1 1 2 L=5x C_LTYP=T C_SUB=S C_GRID=G"), 4, "bad number or unit '5x'");
    expect_error(edit(4, "CxLIN:L1 1 2 L=abc C_LTYP=T C_SUB=S C_GRID=G"), 4, "bad number 'abc'");
    expect_error(edit(4, "CxLIN:L1 1 2 L=5 parsec C_LTYP=T C_SUB=S C_GRID=G"), 4, "unexpected 'parsec' after L=5");
    expect_error(edit(4, "CxLIN:L1 1 2 L=\"5um\" C_LTYP=T C_SUB=S C_GRID=G"), 4, "L needs a number");
    expect_error(edit(3, "C_LINTYP:T W=20um S=15um GW=50um CEN_MET=1.5 GND_MET=1"), 3, "not a whole number");
    expect_error(edit(3, "C_LINTYP:T W=20um S=15um GW=50um CEN_MET=1 GND_MET=\"1\""), 3, "GND_MET needs a whole");
    expect_error(edit(4, "CxLIN:L1 1 2 L=500um C_LTYP=T C_SUB=5 C_GRID=G"), 4, "C_SUB needs the name of a data item");
    expect_error(edit(0, "C_PROCES:C_PROCES_DEFAULT FOUNDRY=GAAS GW_DEF=50um count=2"), 8,
                 "FOUNDRY needs a text in double quotes");
    expect_error(edit(4, "CxLIN:L1 1 2 L=500um C_LTYP=T C_SUB=S"), 4, "missing parameter C_GRID");
    expect_error(edit(4, line4 + " L=2um"), 4, "parameter L given twice");
    expect_error(edit(4, "CxLIN:L1 1 2 L=500um C_LTYP=T C_SUB=Sub9 C_GRID=G"), 4,
                 "C_SUB refers to 'Sub9', which is not defined");
    expect_error(edit(0, "CxLIN:L2 2 3 L=1um C_LTYP=L1 C_SUB=S C_GRID=G"), 8, "'L1', which is not a data item");
    expect_error(edit(0, "C_LINTYP:T W=2um S=1um GW=5um CEN_MET=1 GND_MET=1"), 8,
                 "duplicate name 'T' (first used on line 3)");
    expect_error(edit(0, "Term:L1 3 0 Num=3"), 8, "duplicate name 'L1' (first used on line 4)");
    expect_error(edit(4, "CxLIN:1L 1 2 L=500um C_LTYP=T C_SUB=S C_GRID=G"), 4, "bad instance name '1L'");
    expect_error(edit(4, "L1 1 2 L=500um"), 4, "a statement begins with <Type>:<Name>");
    expect_error(edit(4, "CxLIN:L1 1 2 L=5 = 6"), 4, "'=' without a keyword");
    expect_error(edit(4, "CxLIN:L1 1 2 L="), 4, "missing value after 'L='");
    expect_error(edit(0, "C_PROCES:C_PROCES_DEFAULT FOUNDRY=\"GAAS GW_DEF=50um count=2"), 8, "unterminated text");
}

TEST_F(Netlists, PortAndSweepErrorsNameTheirLine) {
    expect_error(edit(5, ""), 5, "port 1 is missing");
    expect_error(edit(6, "Term:P2 2 0 Num=1"), 6, "port number 1 is already used by Term:P1 on line 5");
    expect_error(edit(6, "Term:P2 2 0 Num=3"), 6, "port 2 is missing");
    expect_error(edit(6, "Term:P2 2 1 Num=2"), 6, "second node must be ground");
    expect_error(edit(6, "Term:P2 0 gnd Num=2"), 6, "the port's node is ground");
    expect_error(edit(6, "Term:P2 2 0"), 6, "missing parameter Num");
    expect_error(edit(6, "Term:P2 2 0 Num=2 Z=-50"), 6, "must be a positive resistance");
    expect_error(edit(6, "Term:P2 2 0 Num=2 R=50"), 6, "unknown keyword 'R' for Term");
    expect_error(edit(6, "Term:P2 2 0 0 Num=2"), 6, "2 nodes expected, 3 given");
    std::string no_terms = edit(5, "");
    no_terms = no_terms.substr(0, no_terms.find("Term:P2")) + "S_Param:SP Start=1GHz Stop=2GHz Points=3\n";
    expect_error(no_terms, 5, "no Term statement");
    expect_error(edit(7, ""), 6, "no S_Param statement");
    expect_error(edit(7, "") + "\n\n; trailing comment\n", 9, "no S_Param statement");
    expect_error(edit(0, "S_Param:SP2 Start=1GHz Stop=2GHz Points=3"), 8, "a second S_Param (the first is SP on line 7)");
    expect_error(edit(7, "S_Param:SP Start=2GHz Stop=1GHz Points=3"), 7, "Stop is below Start");
    expect_error(edit(7, "S_Param:SP Start=1GHz Stop=1GHz Points=3"), 7, "Stop must be above Start");
    expect_error(edit(7, "S_Param:SP Start=1GHz Stop=2GHz Points=0"), 7, "Points=0");
    expect_error(edit(7, "S_Param:SP Start=1GHz Stop=2GHz Points=2.5"), 7, "not a whole number");
    expect_error(edit(7, "S_Param:SP Start=1GHz Stop=2GHz"), 7, "missing parameter Points");
    expect_error(edit(7, "S_Param:SP Start=0 Stop=2GHz Points=3 Type=log"), 7, "log sweep needs Start above 0");
    expect_error(edit(7, "S_Param:SP Start=1 Stop=2GHz Points=3 Type=quad"), 7, "Type=quad");
    expect_error(edit(7, "S_Param:SP List=\"1GHz 3GHz 2GHz\""), 7, "must increase");
    expect_error(edit(7, "S_Param:SP List=\"1GHz 2GHz parsec\""), 7, "List: bad number 'parsec'");
    expect_error(edit(7, "S_Param:SP List=\"\""), 7, "holds no frequency");
    expect_error(edit(7, "S_Param:SP List=\"1GHz\" Points=3"), 7, "List cannot be combined");
    expect_error(edit(7, "S_Param:SP 1 List=\"1GHz\""), 7, "0 nodes expected, 1 given");
}

TEST_F(Netlists, ContinuationsCommentsAndLineEndings) {
    const std::string text =
        "* a comment line\r\n"
        "# another\r\n"
        "C_SUB:S H1=-1 H2=200 um H3=-1 ER1=1 \\   ; the rest follows\r\n"
        "\r\n"
        "   ; a comment inside the statement\r\n"
        "    ER2=12.9 ER3=1 TAND1=0\r\n"
        "+ TAND2=5e-4 TAND3=0\r\n"
        "C_PROCES:C_PROCES_DEFAULT FOUNDRY=\"A;B\" GW_DEF=50 um count=2 ; ';' inside quotes is text\r\n"
        "C_GRID:G BOUND=1e-5 L1=-1 L2=-1 DL=2.5um ACC=10\r\n"
        "C_LINTYP:T W=20um S=15um GW=50um CEN_MET=1 GND_MET=1\r\n"
        "CxLIN:L1 in GND L=0.5mm C_LTYP=\"T\" C_SUB=S C_GRID=G TEMP=26.85\r\n"
        "Term:P1 in gnd Num=1 Z=75 Ohm\r\n"
        "S_Param:SP Start = 1 GHz Stop = 3GHz Points = 3\r\n";
    const Netlist nl = parse(text);
    ASSERT_EQ(nl.items.size(), 5u);
    const auto& sub = nl.items[0].params;
    EXPECT_DOUBLE_EQ(sub[1].second.real, 200e-6);
    EXPECT_DOUBLE_EQ(sub[4].second.real, 12.9);
    EXPECT_DOUBLE_EQ(sub[7].second.real, 5e-4);
    EXPECT_EQ(nl.items[1].params[0].second.text, "A;B");
    EXPECT_DOUBLE_EQ(nl.items[1].params[1].second.real, 50e-6);
    EXPECT_EQ(nl.items[4].nodes, (std::vector<std::string>{"in", "0"}));
    EXPECT_EQ(nl.items[4].params[1].second.text, "T");
    EXPECT_DOUBLE_EQ(nl.items[4].params[4].second.real, 26.85);
    EXPECT_DOUBLE_EQ(nl.ports[0].z, 75.0);
    EXPECT_EQ(nl.sweep.freqs_hz, (std::vector<double>{1e9, 2e9, 3e9}));

    // An error on a continuation line names that physical line.
    expect_error("CxLIN:L1 1 2 L=500um \\\n  C_LTYP=T C_SUB=S\n\n+ C_GRID=G LL=5\n", 4, "unknown keyword 'LL'");
    expect_error("+ L=5\n", 1, "continuation line without a statement");
    expect_error("C_GRID:G BOUND=1e-5 \\ L1=-1\n", 1, "'\\' continues a line only at its end");
}

TEST_F(Netlists, SweepForms) {
    auto sweep = [&](const std::string& line) { return parse(edit(7, line)).sweep.freqs_hz; };
    EXPECT_EQ(sweep("S_Param:SP Start=1GHz Stop=3GHz Points=3 Type=lin"), (std::vector<double>{1e9, 2e9, 3e9}));
    const auto lg = sweep("S_Param:SP Start=1MHz Stop=100MHz Points=3 Type=log");
    ASSERT_EQ(lg.size(), 3u);
    EXPECT_DOUBLE_EQ(lg[0], 1e6);
    EXPECT_NEAR(lg[1], 1e7, 1e-6);
    EXPECT_DOUBLE_EQ(lg[2], 1e8);
    EXPECT_EQ(sweep("S_Param:SP List=\"1GHz, 2 GHz 3e9\""), (std::vector<double>{1e9, 2e9, 3e9}));
    EXPECT_EQ(sweep("S_Param:SP Start=5GHz Stop=5GHz Points=1"), (std::vector<double>{5e9}));
}

TEST_F(Netlists, ExamplesParseAgainstTheCatalogue) {
    int seen = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::string(MIRTEX_SOURCE_DIR) + "/examples")) {
        if (e.path().extension() != ".net") continue;
        ++seen;
        mirtex::host::Host::get().clear_instances();
        try {
            const Netlist nl = mirtex::sim::read_netlist(e.path().string(), mirtex::host::Host::get());
            EXPECT_EQ(mirtex::sim::create_instances(nl, mirtex::host::Host::get()).size(), nl.items.size());
        } catch (const NetlistError& err) {
            ADD_FAILURE() << err.what();
        }
    }
    EXPECT_GE(seen, 2);
}

}  // namespace

namespace {

// A parameter that no element reads may be left out; one that is read
// stays required, naming the element that reads it.
TEST_F(Netlists, UnreadItemParametersMayBeLeftOut) {
    const std::string pair = "C_NL_TYP:P GW=50um GND_MET=1 SG1=15um SG2=15um W1=20um LEVEL1=1 S1_2=10um W2=20um LEVEL2=1";
    const Netlist two = parse(edit(4, "C_2COUP:K 1 2 3 4 L=1mm C_NL_TYP=P C_SUB=S C_GRID=G") + pair + "\n" +
                              "Term:P3 3 0 Num=3\nTerm:P4 4 0 Num=4\n");
    EXPECT_EQ(two.items.size(), 5u);
    expect_error(edit(4, "C_3COUP:K 1 2 3 4 5 6 L=1mm C_NL_TYP=P C_SUB=S C_GRID=G") + pair + "\n", 8,
                 "C_NL_TYP:P: missing parameter S2_3 (read by C_3COUP:K)");
    // A bridge item without a bridge.
    EXPECT_NO_THROW(parse(edit(0, "C_AIRTYP:B TYPE=0")));
    // Every error of a netlist in one pass, in the order found, none drawn
    // by a statement left out for its own.
    try {
        parse(edit(1, "C_SUB:S H1=x H2=200um H3=-1 ER1=1 ER2=12.9 ER3=1 TAND1=0 TAND2=5e-4 TAND3=y") +
              "Term:P3 1 0 Num=z\nTerm:P4 2 0 Num=4\n");
        ADD_FAILURE();
    } catch (const NetlistError& e) {
        EXPECT_EQ(e.all().size(), 3u) << e.what();  // H1, TAND3, Num; no port 3 missing
        EXPECT_EQ(e.partial(), nullptr);  // with an item left out, the library has nothing to check
    }
    // ... but for the feed length of the arm that takes it.
    expect_error(edit(0, "C_AIRTYP:B TYPE=0\nCxBEND:J 2 3 C_LTYP1=T C_LTYP2=T C_BTYP1=B C_BTYP2=B C_SUB=S C_GRID=G"), 8,
                 "C_AIRTYP:B: missing parameter L (read by CxBEND:J)");
    expect_error(edit(0, "C_AIRTYP:B TYPE=1"), 8, "C_AIRTYP:B: missing parameter BW");
}

}  // namespace

namespace {

// Statements that parse but are likely not what was meant are warned of,
// at their line: a bare length over a metre, a bare frequency under 1 Hz,
// a port on a node no element touches (with the open element node that
// was probably meant).
TEST_F(Netlists, LikelySlipsAreWarnedOfAtTheirLine) {
    const Netlist nl = parse(edit(4, "CxLIN:L1 1 2 L=500 C_LTYP=T C_SUB=S C_GRID=G"));
    ASSERT_EQ(nl.warnings.size(), 1u);
    EXPECT_EQ(nl.warnings[0], "n.net:4: warning: CxLIN:L1: L=500 is 500 m, a length over 1 m; did you mean 500um?");
    EXPECT_TRUE(parse(edit(4, "CxLIN:L1 1 2 L=0.5 C_LTYP=T C_SUB=S C_GRID=G")).warnings.empty());
    EXPECT_TRUE(parse(edit(2, "C_GRID:G BOUND=1e-5 L1=-2 L2=-2 DL=2.5um ACC=10")).warnings.empty()) << "automatic sizes";

    const Netlist f = parse(edit(7, "S_Param:SP Start=0.5 Stop=2GHz Points=3"));
    ASSERT_EQ(f.warnings.size(), 1u);
    EXPECT_EQ(f.warnings[0], "n.net:7: warning: S_Param:SP: Start=0.5 is 0.5 Hz, below 1 Hz; did you mean 0.5GHz?");

    const Netlist p = parse(edit(6, "Term:P2 3 0 Num=2"));
    ASSERT_EQ(p.warnings.size(), 1u);
    EXPECT_EQ(p.warnings[0], "n.net:6: warning: Term:P2: node '3' connects to no element, so this port sees nothing; "
                             "CxLIN:L1 (line 4) leaves its node '2' open - is that the node meant?");
    EXPECT_TRUE(parse(edit(0, "")).warnings.empty());
}

}  // namespace

namespace {

// INCLUDE: the examples' technology file and a nested include, each named
// relative to the file that includes it; errors at the included file's own
// name and line; a missing file, a cycle and an element are refused.
TEST_F(Netlists, IncludedFilesBringDataItemsWithTheirOwnFileAndLine) {
    mirtex::test::TempDir dir("mirtex-include");
    std::filesystem::create_directory(dir.path() / "tech");
    std::filesystem::copy_file(std::string(MIRTEX_SOURCE_DIR) + "/examples/tech/gaas.inc", dir.file("tech/gaas.inc"));
    auto put = [&](const std::string& name, const std::string& text) { std::ofstream(dir.file(name)) << text; };
    auto error_of = [&](const std::string& path) -> std::string {
        try {
            mirtex::sim::read_netlist(path, mirtex::host::Host::get());
        } catch (const NetlistError& e) {
            return e.what();
        }
        return "no error";
    };
    std::string main = "INCLUDE \"tech/gaas.inc\"\nINCLUDE \"tech/grid.inc\"\n"
                       "C_PROCES:C_PROCES_DEFAULT FOUNDRY=\"GAAS\" GW_DEF=50um count=2\n";
    for (std::size_t k = 0; k < kBase.size(); ++k)
        if (k != 1) main += kBase[k] + "\n";
    put("a.net", main);
    put("tech/grid.inc", "; the grid\n" + kBase[1] + "\nINCLUDE \"sub.inc\"\n");
    put("tech/sub.inc", "");
    const Netlist nl = mirtex::sim::read_netlist(dir.file("a.net"), mirtex::host::Host::get());
    std::map<std::string, std::string> at;
    for (const auto& it : nl.items) at[it.name] = it.file + ":" + std::to_string(it.line);
    EXPECT_EQ(at["C_TECH_GAAS_PI"], dir.file("tech/gaas.inc") + ":31");
    EXPECT_EQ(at["G"], dir.file("tech/grid.inc") + ":2");
    EXPECT_EQ(at["L1"], dir.file("a.net") + ":6");

    put("tech/sub.inc", "\nC_SUB:S2 H1=-1 H2=2 BOGUS=1\n");
    EXPECT_EQ(error_of(dir.file("a.net")).rfind(dir.file("tech/sub.inc") + ":2: C_SUB:S2: unknown keyword 'BOGUS'", 0), 0u)
        << error_of(dir.file("a.net"));
    put("tech/sub.inc", "C_GRID:G BOUND=1e-5 L1=-1 L2=-1 DL=2.5um ACC=10\n");
    EXPECT_NE(error_of(dir.file("a.net")).find("sub.inc:1: C_GRID:G: duplicate name 'G' (first used at "), std::string::npos);
    put("tech/sub.inc", "INCLUDE \"grid.inc\"\n");
    EXPECT_EQ(error_of(dir.file("a.net")), dir.file("tech/sub.inc") + ":1: " + dir.file("tech/grid.inc") +
                                               " includes itself (an INCLUDE cycle)");
    put("tech/sub.inc", "INCLUDE \"../a.net\"\n");
    EXPECT_NE(error_of(dir.file("a.net")).find("includes itself"), std::string::npos);
    put("tech/sub.inc", "Term:P9 1 0 Num=9\n");
    EXPECT_EQ(error_of(dir.file("a.net")), dir.file("tech/sub.inc") + ":1: Term:P9: an included file holds data items only");
    put("tech/sub.inc", "INCLUDE \"none.inc\"\n");
    EXPECT_EQ(error_of(dir.file("a.net")), dir.file("tech/sub.inc") + ":1: cannot open the included file " +
                                               dir.file("tech/none.inc"));
    put("tech/sub.inc", "INCLUDE \"/dev/zero\"\n");
    EXPECT_NE(error_of(dir.file("a.net")).find("sub.inc:1: cannot open the included file /dev/zero"), std::string::npos);
    put("tech/sub.inc", "INCLUDE none.inc\n");
    EXPECT_NE(error_of(dir.file("a.net")).find("sub.inc:1: INCLUDE takes one file name in double quotes"), std::string::npos);
}

}  // namespace
