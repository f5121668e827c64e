// Calculation files in one process: layout, look-up, identification,
// the table directory, and files left torn, damaged or foreign.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <array>
#include <climits>
#include <cmath>
#include <csignal>
#include <filesystem>

#include "cache/calc_support.h"
#include "binding/messages.h"
#include "host.h"
#include "support/tmpdir.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

using host::Host;
using host::Severity;

TEST(CalcFile, OneLineRecordMakesA214ByteFileAndLaterOnesNoHeader) {
    const Rec a = Rec::line(1), b = Rec::line(2);
    ASSERT_EQ(a.write(), 0);
    EXPECT_EQ(file_bytes(table_file()), line_file({a}));
    EXPECT_EQ(file_bytes(table_file()).size(), 214u);
    EXPECT_EQ(std::filesystem::status(table_file()).permissions() & std::filesystem::perms::others_write,
              std::filesystem::perms::none);
    ASSERT_EQ(b.write(), 0);
    EXPECT_EQ(file_bytes(table_file()), line_file({a, b}));
    EXPECT_TRUE(a.found());
    EXPECT_TRUE(b.found());
    EXPECT_EQ(Host::get().count(Severity::Info, "Writing in Cache"), 2u);
    EXPECT_EQ(Host::get().count(Severity::Info, "Mirtex: Reading from Cache"), 2u);
}

TEST(CalcFile, MissingFileIsReportedAsAMiss) {
    MIRTEX_FRESH_PROCESS();
    EXPECT_EQ(Rec::line(1).read(), -1);
    ASSERT_EQ(Host::get().log().size(), 2u);
    EXPECT_EQ(Host::get().log()[0].text, "Mirtex: Reading from Cache");
    EXPECT_EQ(Host::get().log()[1].text, "no cache-file found");
}

TEST(CalcFile, OnlyBitIdenticalInputsAndEqualCountsMatch) {
    Rec a = Rec::line(3);
    a.ipar_out = {5, 6};
    ASSERT_EQ(a.write(), 0);

    Rec last_bit = a;
    last_bit.dpar.back() = std::nextafter(last_bit.dpar.back(), INFINITY);
    EXPECT_EQ(last_bit.read(), 1);
    Rec neg_zero = Rec::line(0);
    neg_zero.dpar[2] = 0.0;
    ASSERT_EQ(neg_zero.write(), 0);
    neg_zero.dpar[2] = -0.0;
    EXPECT_EQ(neg_zero.read(), 1);
    Rec int_differs = a;
    int_differs.ipar[8] += 1;
    EXPECT_EQ(int_differs.read(), 1);
    Rec fewer_results = a;
    fewer_results.dpar_out.pop_back();
    EXPECT_EQ(fewer_results.read(), 1);
    Rec no_int_results = a;
    no_int_results.ipar_out.clear();
    EXPECT_EQ(no_int_results.read(), 1);

    Rec got;
    ASSERT_EQ(a.read(&got), 0);
    EXPECT_EQ(got.ipar_out, a.ipar_out);
    EXPECT_EQ(got.dpar_out, a.dpar_out);

    // The first of two records with equal inputs wins.
    Rec again = a;
    for (double& v : again.dpar_out) v = -v;
    ASSERT_EQ(again.write(), 0);
    ASSERT_EQ(a.read(&got), 0);
    EXPECT_EQ(got.dpar_out, a.dpar_out);

    // A key without an integer or a real part never matches, even a record
    // stored with one.
    Rec no_reals = Rec::line(4, 9, 0, 8);
    ASSERT_EQ(no_reals.write(), 0);
    EXPECT_EQ(no_reals.read(), 1);
}

TEST(CalcFile, WrongIdentificationIsReportedAndTheFileNeverWritten) {
    MIRTEX_FRESH_PROCESS();
    // Another kind's file under this name, one of equal length but other
    // text, and files that are no calculation file at all.
    const Rec gap = Rec::line(1, 19, 8, 11);
    ASSERT_EQ(gap.write(kLineFile, "Tessaric Gap"), 0);
    const auto gap_file = file_bytes(table_file());
    const Rec line = Rec::line(1);

    EXPECT_EQ(line.read(), 1);
    EXPECT_TRUE(Host::get().contains(Severity::Error, "Cache-identification has a wrong length: " + table_file()));
    EXPECT_EQ(line.write(), -1);
    EXPECT_EQ(file_bytes(table_file()), gap_file);

    std::vector<unsigned char> lime = line_file({line});
    lime[4 + 11] = 'm';
    put_bytes(table_file(), lime);
    calc_file_analysis_end();
    Host::get().clear_log();
    EXPECT_EQ(line.read(), 1);
    EXPECT_TRUE(Host::get().contains(Severity::Error, "Cache has a wrong identification: " + table_file()));
    EXPECT_EQ(line.write(), -1);
    EXPECT_EQ(file_bytes(table_file()), lime);

    for (const std::string text : {"notes\n", "a longer text file that is somebody's notes\n", ""}) {
        std::vector<unsigned char> foreign(text.begin(), text.end());
        if (text.empty()) foreign.assign(300, 0xff);  // int32 -1 as its length
        put_bytes(table_file(), foreign);
        EXPECT_NE(line.read(), 0);
        EXPECT_EQ(line.write(), -1) << text;
        EXPECT_EQ(file_bytes(table_file()), foreign) << text;
    }
}

TEST(CalcFile, HeaderLeftIncompleteByAKilledCreatorIsStartedAfresh) {
    const Rec line = Rec::line(9);
    for (std::size_t cut : {0u, 3u, 4u, 17u}) {
        std::vector<unsigned char> torn = line_header();
        torn.resize(cut);
        put_bytes(table_file(), torn);
        ASSERT_EQ(line.write(), 0) << cut;
        EXPECT_EQ(file_bytes(table_file()), line_file({line})) << cut;
    }
}

TEST(CalcFile, TornLastRecordIsCutOffBeforeTheNextAppend) {
    // Every place a killed writer can leave its record: the records before
    // it stay found, and so does the one appended after it.
    const std::vector<Rec> kept{Rec::line(1), Rec::line(2)};
    const Rec torn = Rec::line(3, 9, 10, 40);
    const Rec next = Rec::line(4);
    const std::vector<unsigned char> base = line_file(kept);
    const std::vector<unsigned char> whole = record_bytes(torn);
    for (std::size_t cut = 1; cut < whole.size(); ++cut) {
        std::vector<unsigned char> f = base;
        f.insert(f.end(), whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        put_bytes(table_file(), f);
        EXPECT_TRUE(kept[1].found()) << cut;
        if (cut == next.bytes()) {
            // Exactly one record of the file's shape: it cannot be told from
            // a whole record with a damaged count, so it is kept.
            EXPECT_EQ(next.write(), -1);
            EXPECT_EQ(file_bytes(table_file()), f);
            continue;
        }
        ASSERT_EQ(next.write(), 0) << cut;
        ASSERT_TRUE(next.found()) << "record after a tear of " << cut << " bytes is lost";
        EXPECT_TRUE(kept[0].found() && kept[1].found()) << cut;
        EXPECT_EQ(torn.read(), 1) << cut;
        EXPECT_EQ(file_bytes(table_file()).size(), base.size() + next.bytes()) << cut;
    }
}

TEST(CalcFile, CorruptCountsAreSteppedOverAndStopAppends) {
    const Rec a = Rec::line(1), b = Rec::line(2), hidden = Rec::line(3);
    for (const std::int32_t bad : {-1, -1000000, INT_MIN, INT_MAX}) {
        // A record whose n_ipar_out is damaged, followed by good records:
        // the scan steps over the damage to the next whole record without
        // sizing a buffer by it, and the file is no longer appended to.
        std::vector<unsigned char> f = line_file({a, b});
        std::vector<unsigned char> broken = record_bytes(Rec::line(5));
        std::memcpy(broken.data() + 8, &bad, sizeof bad);
        f.insert(f.end(), broken.begin(), broken.end());
        const auto tail = record_bytes(hidden);
        for (int k = 0; k < 50; ++k) f.insert(f.end(), tail.begin(), tail.end());
        put_bytes(table_file(), f);
        calc_file_analysis_end();
        Host::get().clear_log();

        EXPECT_TRUE(a.found()) << bad;
        EXPECT_TRUE(b.found()) << bad;
        EXPECT_TRUE(hidden.found()) << bad;
        EXPECT_EQ(Rec::line(6).write(), -1) << bad;
        // Told once in the analysis, with the file's name.
        const std::string told = format("Cache-file %s is damaged after %zu bytes; it is left as it is and results are "
                                        "not stored in it ('mirtex-sim table repair %s' rebuilds it from its intact records).",
                                        table_file().c_str(), line_file({a, b}).size(), table_file().c_str());
        EXPECT_EQ(Host::get().count(Severity::Error, told), 1u) << bad;
        EXPECT_EQ(file_bytes(table_file()), f) << bad;
    }
}

TEST(TableDirectory, EnvironmentFallbacksEachGetATrailingSlash) {
    TempDir cwd("mirtex-cwd");
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(cwd.path());
    struct Case {
        const char* table;
        const char* tmp;
        const char* temp;
        std::string want;
    };
    const std::string here = std::filesystem::current_path().string() + "/";
    for (const Case& c : {Case{"/data/tables", "/t1", "/t2", "/data/tables/"},
                          Case{"/data/tables/", nullptr, nullptr, "/data/tables/"},
                          Case{nullptr, "/t1", "/t2", "/t1/"}, Case{nullptr, nullptr, "/t2/", "/t2/"},
                          Case{nullptr, nullptr, nullptr, here}, Case{"", "", "/t2", "/t2/"},
                          Case{"", nullptr, nullptr, here}, Case{"rel", nullptr, nullptr, "rel/"}}) {
        const std::pair<const char*, const char*> vars[] = {
            {"MIRTEX_TABLE_PATH", c.table}, {"TMP", c.tmp}, {"TEMP", c.temp}};
        for (const auto& [name, value] : vars) {
            if (value) setenv(name, value, 1);
            else unsetenv(name);
        }
        EXPECT_EQ(table_directory_from_environment(), c.want);
    }
    std::filesystem::current_path(old);
}

TEST(TableDirectory, IsFixedAtTheFirstFileAccess) {
    MIRTEX_FRESH_PROCESS();
    const std::string first = table_directory();
    TempDir later("mirtex-later");
    setenv("MIRTEX_TABLE_PATH", later.path().c_str(), 1);
    ASSERT_EQ(Rec::line(1).write(), 0);
    EXPECT_TRUE(Rec::line(1).found());
    EXPECT_TRUE(std::filesystem::exists(first + kLineFile));
    EXPECT_TRUE(std::filesystem::is_empty(later.path()));
}

TEST(TableDirectory, PathLongerThanItsBufferIsAnErrorAndAMiss) {
    MIRTEX_FRESH_PROCESS();
    // A real directory whose name leaves room for "cpw_gap.cdb" but not for
    // "cpw_line.cdb" in 299 characters: no file may appear under a cut
    // name, and the line file is refused outright.
    TempDir root("mirtex-long");
    std::string dir = root.path().string();
    while (dir.size() + 1 < 288) dir += "/" + std::string(std::min<std::size_t>(60, 288 - dir.size() - 2), 'd');
    ASSERT_EQ(dir.size() + 1, 288u);
    std::filesystem::create_directories(dir);
    setenv("MIRTEX_TABLE_PATH", dir.c_str(), 1);
    ASSERT_EQ(table_directory().size(), 288u);

    const Rec line = Rec::line(1);
    EXPECT_EQ(line.write(), -1);
    EXPECT_TRUE(Host::get().contains(Severity::Error, "Cache-path too long"));
    EXPECT_EQ(line.read(), -1);
    const Rec gap = Rec::line(2, 19, 8, 11);
    EXPECT_EQ(gap.write("cpw_gap.cdb", "Tessaric Gap"), 0);
    EXPECT_EQ(gap.read(nullptr, "cpw_gap.cdb", "Tessaric Gap"), 0);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"cpw_gap.cdb", "cpw_gap.cdb.sum"}));
}

TEST(CalcFile, FailedWriteTakesBackWhatLanded) {
    MIRTEX_FRESH_PROCESS();
    // A file-size limit stands in for a full disk: the write stops part way
    // and the file must end on its last complete record again.
    const Rec a = Rec::line(1);
    ASSERT_EQ(a.write(), 0);
    const auto before = file_bytes(table_file());
    const int rc = in_child([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{before.size() + 50, before.size() + 50};
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return 3;
        return Rec::line(2).write() == -1 ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(file_bytes(table_file()), before);
    EXPECT_EQ(Rec::line(3).write(), 0);
    EXPECT_TRUE(Rec::line(3).found());
}

#if defined(__SANITIZE_ADDRESS__)
#define MIRTEX_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MIRTEX_UNDER_ASAN 1
#endif
#endif

TEST(CalcFile, CountBeyondTheFileSizesNoBuffer) {
#ifdef MIRTEX_UNDER_ASAN
    GTEST_SKIP() << "address-space limits do not work beside the sanitizer's shadow memory";
#else
    // Counts that claim gigabytes in a small file: with the address space
    // capped a little above what the process uses, a reader that sized its
    // buffers by them would fail or die.
    const Rec a = Rec::line(1), b = Rec::line(2);
    using Counts = std::array<std::int32_t, 4>;
    for (const Counts& counts : {Counts{9, 10, 0, 0x7fffffff}, Counts{0x40000000, 0x10000000, 0x40000000, 8}}) {
        std::vector<unsigned char> f = line_file({a});
        for (std::int32_t c : counts) append_raw(f, c);
        f.resize(f.size() + 4096, 0x11);
        const auto tail = record_bytes(b);
        f.insert(f.end(), tail.begin(), tail.end());
        put_bytes(table_file(), f);
        const int rc = in_child([&] {
            long pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            const rlim_t cap = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (256u << 20);
            const rlimit lim{cap, cap};
            if (setrlimit(RLIMIT_AS, &lim) != 0) return 3;
            if (!a.found()) return 1;
            return b.found() ? 0 : 2;
        });
        EXPECT_EQ(rc, 0) << counts[0] << " " << counts[3];
    }
#endif
}

}  // namespace
}  // namespace mirtex::test
