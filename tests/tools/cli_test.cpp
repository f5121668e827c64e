// mirtex-sim end to end, as a user runs it: exit codes, one-line errors,
// the files it leaves, and Ctrl-C during a solve.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "sim_support.h"
#include "support/tmpdir.h"

extern char** environ;

namespace {

using mirtex::test::kIdealModel;

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

class Cli : public ::testing::Test {
protected:
    mirtex::test::TempDir dir{"mirtex-cli"};

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir.file(name)) << text;
        return dir.file(name);
    }

    // Start mirtex-sim with args, standard output and error into files.
    pid_t start(const std::vector<std::string>& args, const std::string& cwd = "") {
        std::vector<std::string> all = {mirtex::test::kSimulator};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, out_path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, err_path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&fa);
        return pid;
    }

    static int wait_for(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int run(const std::vector<std::string>& args, const std::string& cwd = "") { return wait_for(start(args, cwd)); }

    // Output files live apart from the directory the test inspects.
    std::string out_path() const { return dir.path().string() + ".stdout"; }
    std::string err_path() const { return dir.path().string() + ".stderr"; }
    std::string out() const { return slurp(out_path()); }
    std::string err() const { return slurp(err_path()); }

    std::vector<std::string> files() const {
        std::vector<std::string> v;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) v.push_back(e.path().filename());
        std::sort(v.begin(), v.end());
        return v;
    }

    void TearDown() override {
        std::filesystem::remove(out_path());
        std::filesystem::remove(err_path());
    }
};

const std::string kProcess =
    "C_PROCES:C_PROCES_DEFAULT FOUNDRY=\"GAAS\" GW_DEF=50um count=2\n"
    "C_TECH:C_TECH_GAAS die_h0=0.2um die_er0=7.5 die_td0=1e-3 cap_os1=1um cap_l1=0.2um die_h1=3um die_er1=1 "
    "die_td1=1e-4 cap_os2=1um cap_l2=0.2um die_h2=1.2um die_er2=2.7 die_td2=2e-3 res_l=0.05um res_rs=50 t1=3um "
    "rho1=1 t2=1um rho2=1.2\n";
const std::string kTail = "Term:P1 1 0 Num=1\nTerm:P2 2 0 Num=2\nS_Param:SP Start=1GHz Stop=3GHz Points=3\n";

TEST_F(Cli, UsageAndLibraryErrors) {
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"--bogus"}), 2);
    EXPECT_EQ(run({"x.net", "-p", "Q"}), 2);
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out().find("--plot"), std::string::npos);

    const std::string net = write("a.net", "TSER:R1 1 2 R=10\n" + kTail);
    EXPECT_EQ(run({"--lib", dir.file("missing.so"), net}), 3);
    const std::string e = err();
    EXPECT_EQ(std::count(e.begin(), e.end(), '\n'), 1) << e;
    EXPECT_EQ(e.rfind("mirtex-sim: cannot load model library: ", 0), 0u) << e;
    EXPECT_EQ(run({"--lib", net, net}), 3) << "a file that is no library";

    EXPECT_EQ(run({"--list"}), 0) << err();
    EXPECT_EQ(out().rfind("42 definitions\n", 0), 0u);
    // One definition with units and meanings: L1 is a feed line on an
    // element, the box on the grid item.
    EXPECT_EQ(run({"--list", "CxGAP"}), 0) << err();
    EXPECT_NE(out().find("\n    L1        REAL m       feed line at port 1"), std::string::npos) << out();
    EXPECT_EQ(run({"--list", "C_GRID"}), 0) << err();
    EXPECT_NE(out().find("\n    L1        REAL m       solver box width"), std::string::npos) << out();
    EXPECT_EQ(run({"--list", "CxNONE"}), 2);
}

TEST_F(Cli, NetlistErrorsAreOneLineWithFileAndLine) {
    const std::string net = write("bad.net", "TSER:R1 1 2 R=10\n\nTBOGUS:X 1 2\n" + kTail);
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net}), 1);
    EXPECT_EQ(err(), net + ":3: unknown type 'TBOGUS'\n");
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", dir.file("none.net")}), 1);
    EXPECT_EQ(err(), dir.file("none.net") + ":0: cannot open the netlist\n");
}

TEST_F(Cli, ARunWritesTouchstoneAndPlotAndNothingElse) {
    const std::string net = write("r.net", "TSER:R1 1 2 R=10\n" + kTail);
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "-o", dir.file("r.s2p"), "--plot", dir.file("r.svg")}), 0) << err();
    EXPECT_EQ(files(), (std::vector<std::string>{"r.net", "r.s2p", "r.svg"}));
    const std::string ts = slurp(dir.file("r.s2p"));
    EXPECT_NE(ts.find("\n# GHz S MA R 50\n"), std::string::npos) << ts;
    // S11 of 10 ohm in series between 50 ohm ports: 10/110.
    EXPECT_NE(ts.find("\n1 0.0909090909091 0 0.909090909091 0 "), std::string::npos) << ts;
    EXPECT_EQ(slurp(dir.file("r.svg")).rfind("<?xml", 0), 0u);

    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "--check"}), 0);
    EXPECT_EQ(out(), net + ": 1 element, 0 data items, 2 ports, 3 frequencies\n");
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "--csv", "-f", "ri"}), 0);
    EXPECT_EQ(out().substr(0, out().find('\n')), "freq_Hz,S11_re,S11_im,S12_re,S12_im,S21_re,S21_im,S22_re,S22_im");
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net}), 0);
    EXPECT_EQ(out().rfind("# S-parameters, reference 50 50 ohm\n", 0), 0u) << out();
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "-o", dir.file("r.s3p")}), 0);
    EXPECT_NE(err().find("warning: "), std::string::npos) << "2-port data in a .s3p";
}

// The summary after the sweep reads the solved values again; the debug
// report the analysis wrote (static results and one row per frequency)
// must survive it.
TEST_F(Cli, TheSummaryLeavesTheDebugReportOfTheRun) {
    const std::string net = write("d.net", kProcess +
                                               "C_SUB:S H1=-1 H2=200um H3=-1 ER1=1 ER2=12.9 ER3=1 TAND1=0 TAND2=5e-4 TAND3=0\n"
                                               "C_GRID:G BOUND=1e-5 L1=-1 L2=-1 DL=2.5um ACC=10\n"
                                               "C_LINTYP:T W=20um S=15um GW=50um CEN_MET=1 GND_MET=1\n"
                                               "C_DEBUG:C_DEBUG_DEFAULT Flag1=1 Flag2=1 Flag3=0 Flag4=0 FILE=\"d.txt\"\n"
                                               "CxLIN:TL1 1 2 L=100um C_LTYP=T C_SUB=S C_GRID=G\n" + kTail);
    ASSERT_EQ(run({net, "-o", dir.file("d.s2p")}, dir.path().string()), 0) << err();
    EXPECT_NE(err().find("CxLIN:TL1: ZL = "), std::string::npos) << err();
    const std::string report = slurp(dir.file("d.txt"));
    EXPECT_NE(report.find("C_LIN (TL1):"), std::string::npos) << report;
    EXPECT_NE(report.find("\nTL1       3 "), std::string::npos) << report;
}

TEST_F(Cli, OutputIntoAPipeOrDeviceIsWrittenNotReplaced) {
    // -o /dev/null as root must not rename a file over the device: a pipe
    // stands in for it here.
    const std::string net = write("r.net", "TSER:R1 1 2 R=10\n" + kTail);
    const std::string pipe = dir.file("out.s2p");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    // Held open for reading, the pipe takes the small output in its buffer.
    const int fd = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "-o", pipe}), 0) << err();
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    const std::string got(buf, static_cast<std::size_t>(n > 0 ? n : 0));
    struct stat st {};
    ASSERT_EQ(lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_NE(got.find("\n# GHz S MA R 50\n"), std::string::npos) << got;
}

TEST_F(Cli, AnElementFailureExitsFourAndWritesNothing) {
    const std::string net = write("f.net", "TSER:R1 1 2 R=10\nTFAIL:F1 2 0 R=1\n" + kTail);
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "-o", dir.file("f.s2p"), "--plot", dir.file("f.svg")}), 4);
    EXPECT_NE(err().find("ERROR: TFAIL(F1): cannot evaluate\n"), std::string::npos) << err();
    EXPECT_NE(err().find("mirtex-sim: " + net + ":2: analysis failed: Y callback of TFAIL:F1 failed"), std::string::npos)
        << err();
    EXPECT_EQ(files(), (std::vector<std::string>{"f.net"}));
}

TEST_F(Cli, CtrlCDuringASolveStopsItAndWritesNothing) {
    const std::string net = write("s.net", "TSER:R1 1 2 R=10\nTSLOW:S1 2 0 R=100\n" + kTail);
    const pid_t pid = start({"--lib", kIdealModel, net, "-o", dir.file("s.s2p")});
    // Wait until the slow element is inside its solve.
    const auto t0 = std::chrono::steady_clock::now();
    while (err().find("TSLOW(S1): solving") == std::string::npos &&
           std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(err().find("solving"), std::string::npos);
    kill(pid, SIGINT);
    EXPECT_EQ(wait_for(pid), 130);
    // The slow element ends within 20 s only when stop_cpw reaches it; what
    // it and the host say about the stop is not shown.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(15)) << "stop_cpw reached the library";
    EXPECT_EQ(err().substr(err().find("solving\n") + 8), "mirtex-sim: interrupted by user\n") << err();
    EXPECT_EQ(files(), (std::vector<std::string>{"s.net"}));
}

}  // namespace

namespace {

// What is refused before any analysis, each with its exit code, one line,
// and no file left: a CSV request into a Touchstone name, an output
// directory that does not exist.  A .csv name alone asks for CSV.
TEST_F(Cli, RefusalsBeforeTheAnalysis) {
    const std::string items =
        "C_SUB:S H1=-1 H2=200um H3=-1 ER1=1 ER2=12.9 ER3=1 TAND1=0 TAND2=5e-4 TAND3=0\n"
        "C_GRID:G BOUND=1e-5 L1=-1 L2=-1 DL=2.5um ACC=10\n"
        "C_LINTYP:T W=20um S=15um GW=50um CEN_MET=1 GND_MET=1\n";
    // Every element of this build has its model: none is marked.
    EXPECT_EQ(run({"--list"}), 0);
    EXPECT_EQ(out().find("(not available in this build)"), std::string::npos);

    // The library's own checks, at the statement: --check and a run alike.
    const std::string process = kProcess;
    std::string neg = items;
    neg.replace(neg.find("W=20um"), 6, "W=-20um");
    const std::string bad = write("w.net", process + neg + "CxLIN:TL1 1 2 L=500um C_LTYP=T C_SUB=S C_GRID=G\n" + kTail);
    const std::string said = bad + ":5: C_LINTYP:T: ERROR C_LINTYP(T): W=-2e-05 invalid value ! (W_min=2.5e-06) (W = -20 um, "
                             "at least 2.5 um); used by CxLIN:TL1 at " + bad + ":6\n";
    EXPECT_EQ(run({"-q", bad, "--check"}), 1);
    EXPECT_EQ(err(), said);
    EXPECT_EQ(run({"-q", bad, "-o", dir.file("w.s2p")}), 1);
    EXPECT_EQ(err(), said);

    const std::string net = write("r.net", "TSER:R1 1 2 R=10\n" + kTail);
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "--csv", "-o", dir.file("r.s2p")}), 2);
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "-o", dir.file("no/such/dir/r.s2p")}), 5);
    EXPECT_EQ(err().rfind("mirtex-sim: cannot write ", 0), 0u) << err();
    EXPECT_EQ(files(), (std::vector<std::string>{"r.net", "w.net"}));
    // After a run, what was solved (off with -q).
    EXPECT_EQ(run({std::string(MIRTEX_SOURCE_DIR) + "/examples/cpw_line.net", "-o", dir.file("l.s2p")}), 0);
    EXPECT_NE(err().find("solved:\n  CxLIN:TL1: ZL = "), std::string::npos) << err();
    std::filesystem::remove(dir.file("l.s2p"));
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net, "-o", dir.file("r.csv")}), 0) << err();
    EXPECT_EQ(slurp(dir.file("r.csv")).rfind("freq_", 0), 0u);
}

}  // namespace

namespace {

// The table tool on what a user's disk does to a table directory: a damaged
// record of the example line is solved again (same S-parameters, one
// warning naming the repair), check finds it, repair keeps what is intact
// and the next run reads instead of solving; merging the tables of two
// machines gives the table one machine would have solved; and four
// simulators sharing a directory leave every record verified.
TEST_F(Cli, TableToolFindsDamageRepairsAndMerges) {
    const std::string example = std::string(MIRTEX_SOURCE_DIR) + "/examples/cpw_line.net";
    // The process's own table directory comes back at the end.
    const std::string tables = std::getenv("MIRTEX_TABLE_PATH") != nullptr ? std::getenv("MIRTEX_TABLE_PATH") : "";
    auto in = [&](const std::string& sub) {
        std::filesystem::create_directories(dir.file(sub));
        setenv("MIRTEX_TABLE_PATH", dir.file(sub).c_str(), 1);
        return dir.file(sub) + "/cpw_line.cdb";
    };
    const std::string a = in("a");
    ASSERT_EQ(run({"-q", example}), 0) << err();
    const std::string clean = out();
    {
        std::fstream f(a, std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(156);
        const char c = static_cast<char>(f.get() ^ 0x04);
        f.seekp(156);
        f.put(c);
    }
    ASSERT_EQ(run({example}), 0);
    EXPECT_EQ(out(), clean) << "the damaged record is solved again";
    EXPECT_NE(err().find("Calculating C_LINE"), std::string::npos);
    EXPECT_NE(err().find("the record at byte 18 does not match its checksum"), std::string::npos) << err();
    EXPECT_NE(err().find("'mirtex-sim table repair " + a + "'"), std::string::npos);

    EXPECT_EQ(run({"table", "check", dir.file("a")}), 1);
    EXPECT_EQ(out(), a + ": Tessaric Line, 1 records: 1 verified, 0 unverified, damaged bytes 18-214; checksum file\n");
    EXPECT_EQ(run({"table", "repair", a}), 0) << err();
    EXPECT_EQ(run({"table", "check", a}), 0);
    EXPECT_EQ(out(), a + ": Tessaric Line, 1 records: 1 verified, 0 unverified, no damage; checksum file\n");
    ASSERT_EQ(run({example}), 0);
    EXPECT_EQ(out(), clean);
    EXPECT_EQ(err().find("Calculating"), std::string::npos) << "read, not solved, after the repair";
    EXPECT_EQ(run({"table", "list", a}), 0);
    EXPECT_NE(out().find(" W=16.25um S=15um GW=50um "), std::string::npos) << out();
    EXPECT_NE(out().find(" ZL=49.747ohm"), std::string::npos) << out();

    // Two machines, one geometry each, against one machine solving both.
    const std::string b = in("b");
    ASSERT_EQ(run({"line", "W=10um"}), 0) << err();
    const std::string both = in("both");
    ASSERT_EQ(run({"-q", example}), 0);
    ASSERT_EQ(run({"line", "W=10um"}), 0);
    const std::string merged = in("merged");
    EXPECT_EQ(run({"table", "merge", a, b, merged}), 0) << err();
    EXPECT_EQ(slurp(merged), slurp(both));
    EXPECT_EQ(slurp(merged + ".sum"), slurp(both + ".sum"));
    EXPECT_EQ(run({"table", "merge", a, dir.file("a") + "/cpw_line.cdb.sum", merged}), 1) << "no calculation file";
    EXPECT_EQ(run({"table", "merge", a}), 2);

    // Four simulators, overlapping widths, one directory.
    const std::string shared = in("shared");
    std::string items = kProcess;
    for (const std::string line : {"C_SUB:S H1=-1 H2=200um H3=-1 ER1=1 ER2=12.9 ER3=1 TAND1=0 TAND2=5e-4 TAND3=0",
                                   "C_GRID:G BOUND=1e-4 L1=-1 L2=-1 DL=5um ACC=10"})
        items += line + "\n";
    std::vector<pid_t> pids;
    for (int p = 0; p < 4; ++p) {
        std::string net = items;
        for (int k = 0; k < 4; ++k) {
            const int w = 10 + 5 * (p + k);
            net += "C_LINTYP:T" + std::to_string(k) + " W=" + std::to_string(w) + "um S=15um GW=50um CEN_MET=1 GND_MET=1\n";
            net += "CxLIN:L" + std::to_string(k) + " " + std::to_string(k + 1) + " " + std::to_string(k + 2) +
                   " L=100um C_LTYP=T" + std::to_string(k) + " C_SUB=S C_GRID=G\n";
        }
        net += "Term:P1 1 0 Num=1\nTerm:P2 5 0 Num=2\nS_Param:SP Start=1GHz Stop=2GHz Points=2\n";
        pids.push_back(start({"-q", write("p" + std::to_string(p) + ".net", net)}));
    }
    for (const pid_t pid : pids) EXPECT_EQ(wait_for(pid), 0);
    EXPECT_EQ(run({"table", "check", shared}), 0) << out();
    EXPECT_NE(out().find(" 0 unverified, no damage;"), std::string::npos) << out();
    setenv("MIRTEX_TABLE_PATH", tables.c_str(), 1);
}

}  // namespace

namespace {

std::vector<double> numbers_after_options(const std::string& touchstone) {
    std::istringstream in(touchstone.substr(touchstone.find('\n', touchstone.find("\n#") + 1)));
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    return v;
}

// Mixed port references stay Touchstone 2.0 unless --renorm refers every port
// to one: then the file is version 1.0 and its S equals the circuit solved
// with that termination at every port.  --help names every subcommand.
TEST_F(Cli, RenormalisedTouchstoneIsVersionOneAndMatchesADirectSolve) {
    const std::string body = "TLTYPE:T Z0=70 ER=6\nTLINE:L1 1 2 L=3mm C_LTYP=T\nTSHC:C1 2 C=0.2p\n"
                             "Term:P1 1 0 Num=1 Z=50\nS_Param:SP Start=1GHz Stop=20GHz Points=5\n";
    const std::string mixed = write("m.net", body + "Term:P2 2 0 Num=2 Z=25\n");
    const std::string plain = write("p.net", body + "Term:P2 2 0 Num=2 Z=50\n");
    ASSERT_EQ(run({"--lib", kIdealModel, "-q", mixed, "-o", dir.file("m.s2p")}), 0) << err();
    EXPECT_NE(slurp(dir.file("m.s2p")).find("[Version] 2.0\n"), std::string::npos);
    EXPECT_NE(err().find("--renorm"), std::string::npos) << err();
    ASSERT_EQ(run({"--lib", kIdealModel, "-q", mixed, "--renorm", "50", "-o", dir.file("r.s2p")}), 0) << err();
    ASSERT_EQ(run({"--lib", kIdealModel, "-q", plain, "-o", dir.file("p.s2p")}), 0) << err();
    const std::string renormed = slurp(dir.file("r.s2p"));
    EXPECT_EQ(renormed.find('['), std::string::npos) << renormed;
    EXPECT_NE(renormed.find("\n# GHz S MA R 50\n"), std::string::npos) << renormed;
    const auto got = numbers_after_options(renormed), want = numbers_after_options(slurp(dir.file("p.s2p")));
    ASSERT_EQ(got.size(), 5u * 9u);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], 1e-9 * (1 + std::fabs(want[k]))) << k;

    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out().find("\n  line "), std::string::npos) << out();
}

}  // namespace

namespace {

// --check runs each three-dimensional element's own builder and checks, so
// what the analysis would refuse at its first frequency is refused before
// it, at the element's statement; the automatic box values draw no unit
// warning.
TEST_F(Cli, CheckRefusesBadThreeDimensionalInputAtItsStatement) {
    const std::string src = std::string(MIRTEX_SOURCE_DIR) + "/examples";
    std::filesystem::copy(src, dir.file("ex"), std::filesystem::copy_options::recursive);
    struct Case {
        const char *file, *from, *to, *statement;
    };
    for (const Case& c : {Case{"open_stub.net", "GAP=20um", "GAP=-1um", "CxOPEN:E1"},
                          Case{"step.net", "SL=10um", "SL=1e300", "CxSTEP:S1"},
                          Case{"gap_filter.net", "GAP=5um", "GAP=0", "CxGAP:G1"},
                          Case{"spiral.net", "N=2.5", "N=3", "CxRIND:L1"}}) {
        std::string text = slurp(src + "/" + c.file);
        text.replace(text.find(c.from), std::strlen(c.from), c.to);
        const std::string bad = dir.file(std::string("ex/bad_") + c.file);
        std::ofstream(bad) << text;
        const auto at = text.find(c.statement);
        const std::string line = std::to_string(1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
        EXPECT_EQ(run({"--check", bad}), 1) << c.file;
        EXPECT_NE(err().find(bad + ":" + line + ": " + c.statement + ": ERROR"), std::string::npos) << err();
        EXPECT_EQ(err().find("did you mean -"), std::string::npos) << err();
    }
}

}  // namespace

namespace {

// mirtex-sim on a pseudo-terminal: standard output and error, as a user sees them.
std::string run_on_terminal(const std::vector<std::string>& args) {
    std::vector<std::string> all = {mirtex::test::kSimulator};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fd = -1;
    const pid_t pid = forkpty(&fd, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string seen;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) seen.append(buf, static_cast<std::size_t>(n));
    close(fd);
    waitpid(pid, nullptr, 0);
    return seen;
}

// The solver's reports: on a terminal one status line rewritten in place
// (run, sweep, residual against BOUND, time left); elsewhere the last
// report of each run; with -v every report.
TEST_F(Cli, SolverProgressIsOneStatusLineOnATerminalAndOneLinePerRunElsewhere) {
    const std::string net = write("p.net", "TGRID:G BOUND=1e-4\nTRELAX:R1 1 2 R=10 C_GRID=G\n" + kTail);
    const std::string tty = run_on_terminal({"--lib", kIdealModel, net});
    EXPECT_NE(tty.find("\r\x1b[KT_RELAX(R1)  run 1/2  sweep 20  residual 5.00e-02 (BOUND 0.0001)"), std::string::npos)
        << tty;
    EXPECT_NE(tty.find("\r\x1b[KT_RELAX(R1)  run 2/2  sweep "), std::string::npos) << tty;
    EXPECT_NE(tty.find(" s left"), std::string::npos) << tty;
    EXPECT_EQ(tty.find(" n= "), std::string::npos) << "no report line of its own";

    auto reports = [](const std::string& text) {
        std::vector<std::string> v;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.rfind("T_RELAX(R1) : ", 0) == 0) v.push_back(line);
        return v;
    };
    EXPECT_EQ(run({"--lib", kIdealModel, net}), 0) << err();
    EXPECT_EQ(reports(err()), (std::vector<std::string>{"T_RELAX(R1) : 1/2   n= 200    e= 9.8e-05",
                                                        "T_RELAX(R1) : 2/2   n= 200    e= 9.8e-05"}))
        << err();
    EXPECT_EQ(run({"--lib", kIdealModel, "-v", net}), 0) << err();
    EXPECT_EQ(reports(err()).size(), 20u) << err();
    EXPECT_EQ(run({"--lib", kIdealModel, "-q", net}), 0) << err();
    EXPECT_EQ(err(), "");
}

}  // namespace

namespace {

// Five independent errors, of the netlist and of the library's checks,
// in one pass: each once, at its statement (a data item's at the item with
// the element that uses it; an element left out for a netlist error is not
// checked); a run refuses them alike before any solve.
TEST_F(Cli, FiveErrorsGiveFiveMessagesInOnePass) {
    const std::string data = std::string(MIRTEX_SOURCE_DIR) + "/tests/data/cli/", net = data + "five_errors.net";
    const std::string said = std::regex_replace(slurp(data + "five_errors.err"), std::regex("@NET@"), net);
    for (const char* check : {"--check", "-q"}) {
        EXPECT_EQ(run({"-q", check, net}), 1);
        EXPECT_EQ(err(), said);
    }
}

// Every numeric parameter of every element and of the items it uses, set
// to NaN, +-Inf, 0, -1, 1e300, 1e-300 and to its number without the unit,
// in a netlist of the element alone (the reference geometries, DL 5 um, a
// port at every node, one frequency).  What the run refuses, it refuses
// before the analysis (exit 1), and --check with the same messages; what
// it accepts gives finite, reciprocal S that gains no power, but for a line
// of negative length, a de-embedding section that says so.  The items of
// a feed line and of 3 to 9 coupled strips pass the builders of the line
// and of 2 and 10 strips.  Not under the sanitizers: seven thousand runs.
TEST_F(Cli, EveryBadValueIsRefusedByCheckAsByTheRunOrGivesPassiveS) {
#ifdef MIRTEX_SANITIZE_BUILD
    GTEST_SKIP() << "too slow under the sanitizers";
#endif
    std::map<std::string, std::string> items, elements;  // by name; by type, the first of each
    const std::regex kName(R"(^(\w+):([\w.-]+))"), kRef(R"(C_\w+=(\w+))"),
        kValue(R"((\w+)=(([-+]?[0-9.]+(?:[eE][-+]?[0-9]+)?)([a-zA-Z]*))(?=\s|$))");
    for (const char* f : {"ends", "junctions", "steps_bridges", "components", "coupled"}) {
        std::istringstream text(std::regex_replace(
            slurp(std::string(MIRTEX_SOURCE_DIR) + "/tests/data/reference/" + f + ".net"), std::regex(R"(;[^\n]*|\\\n)"), ""));
        std::smatch m;
        for (std::string s; std::getline(text, s);) {
            if (!std::regex_search(s, m, kName) || m[1] == "Term" || m[1] == "S_Param") continue;
            if (m[1].str().rfind("C_", 0) == 0 && m[1].str().find("COUP") == std::string::npos)
                items[m[2]] = s;
            else
                elements.emplace(m[1], s);
        }
    }
    ASSERT_EQ(elements.size(), 27u);
    int cases = 0, refused = 0, ran = 0;
    for (const auto& [type, element] : elements) {
        // The process, the items the element uses (and theirs), the
        // element, a port at each of its nodes.
        std::vector<std::string> net = {items["C_PROCES_DEFAULT"], items["C_TECH_GAAS"]};
        for (std::size_t k = 0; k <= net.size(); ++k) {
            const std::string from = k == 0 ? element : net[k - 1];
            for (std::sregex_iterator r(from.begin(), from.end(), kRef), e; r != e; ++r)
                if (std::find(net.begin(), net.end(), items[(*r)[1]]) == net.end()) net.push_back(items[(*r)[1]]);
        }
        net.push_back(element);
        std::istringstream words(element);
        std::size_t n = 0;
        for (std::string w; words >> w && w.find('=') == std::string::npos;)
            if (w.find(':') == std::string::npos) ++n, net.push_back(fmt::format("Term:P{} {} 0 Num={}", n, w, n));
        net.push_back("S_Param:SP List=\"20GHz\"");
        const bool shared = type == "CxFEED" || (type.find("COUP") != std::string::npos && type != "C_2COUP" && type != "C_10COUP");
        for (std::size_t line = shared ? net.size() - n - 2 : 0; line < net.size() - n - 1; ++line)
            for (std::sregex_iterator v(net[line].begin(), net[line].end(), kValue), e; v != e; ++v)
                for (const std::string& bad : std::vector<std::string>{"nan", "inf", "-inf", "0", "-1", "1e300", "1e-300", (*v)[3]}) {
                    if (bad == (*v)[2]) continue;  // a value without a unit to forget
                    std::vector<std::string> c = net;
                    c[line].replace(static_cast<std::size_t>(v->position(2)), (*v)[2].length(), bad);
                    std::string text;
                    for (const std::string& l : c) text += l + "\n";
                    const std::string file = write("case.net", text);
                    SCOPED_TRACE(c[line].substr(0, c[line].find(' ')) + " " + (*v)[1].str() + "=" + bad + " for " + type);
                    ++cases;
                    const int rc = run({"-q", "--csv", "-f", "RI", file});
                    const std::string said = err(), table = out();
                    if (rc != 0) {
                        ++refused;
                        EXPECT_EQ(rc, 1) << said;
                        EXPECT_EQ(run({"-q", "--check", file}), 1);
                        EXPECT_EQ(err(), said);
                        continue;
                    }
                    ++ran;
                    std::istringstream row(table.substr(table.find('\n') + 1));
                    std::vector<double> x;
                    for (std::string w; std::getline(row, w, ',');) x.push_back(std::stod(w));
                    ASSERT_EQ(x.size(), 1 + 2 * n * n) << table;
                    mirtex::sim::NetworkData d{{x[0]}, std::vector<double>(n, 50.0), {Eigen::MatrixXcd(n, n)}};
                    for (std::size_t k = 0; k < n * n; ++k) d.s[0](k / n, k % n) = {x[1 + 2 * k], x[2 + 2 * k]};
                    // Only a line of negative length, a de-embedding section, says it is not passive.
                    if (said.find("whose S-parameters are not passive") == std::string::npos)
                        mirtex::test::expect_reciprocal_and_passive(d, said);
                    else
                        EXPECT_TRUE(type == "CxLIN" && bad == "-1" && (*v)[1] == "L") << said;
                }
    }
    std::printf("bad-value corpus: %d cases, %d refused before the analysis (--check alike), %d ran\n", cases, refused, ran);
    EXPECT_GT(ran, 0);
}

}  // namespace
