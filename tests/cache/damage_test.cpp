// Calculation files as a user's disk leaves them: a count overwritten in
// one record, random garbling.  An append may cut only a tail that cannot be
// a whole record; every record that was intact stays in the file and stays
// found.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "cache/calc_support.h"
#include "host.h"
#include "solver/line_inputs.h"
#include "solver/solver.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

using host::Host;
using host::Severity;

std::vector<std::string> lines_of(Severity s) {
    std::vector<std::string> out;
    for (const host::LogLine& l : Host::get().log())
        if (l.severity == s) out.push_back(l.text);
    return out;
}

std::size_t damage_notices() {
    std::size_t n = 0;
    for (const host::LogLine& l : Host::get().log())
        n += l.severity == Severity::Error && l.text.find(table_file()) != std::string::npos &&
             l.text.find("damaged") != std::string::npos;
    return n;
}

TEST(DamagedFile, OneOverwrittenCountKeepsEveryOtherRecordFoundAndStoresNothing) {
    std::vector<Rec> recs;
    for (int k = 0; k < 20; ++k) recs.push_back(Rec::line(k));
    const std::size_t rec_bytes = recs[0].bytes();
    const Rec fresh = Rec::line(100);
    for (const int victim : {0, 2, 9, 19}) {
        for (const int slot : {0, 1, 3}) {
            SCOPED_TRACE(testing::Message() << "record " << victim << ", count " << slot);
            std::vector<unsigned char> f = line_file(recs);
            const std::int32_t bad = 1000;
            std::memcpy(f.data() + line_header().size() + victim * rec_bytes + 4 * slot, &bad, sizeof bad);
            put_bytes(table_file(), f);
            calc_file_analysis_end();
            Host::get().clear_log();

            EXPECT_EQ(fresh.write(), -1);
            EXPECT_EQ(fresh.write(), -1);
            EXPECT_EQ(damage_notices(), 1u) << "told once per file and analysis";
            EXPECT_FALSE(Host::get().contains(Severity::Info, "Writing in Cache"));
            EXPECT_EQ(file_bytes(table_file()), f);
            for (int k = 0; k < 20; ++k)
                EXPECT_TRUE(k == victim || recs[k].found()) << "record " << k;
            EXPECT_NE(fresh.read(), 0);
        }
    }
}

// Where each record starts in an undamaged file of these records.
std::vector<std::size_t> offsets(const std::vector<Rec>& recs) {
    std::vector<std::size_t> at;
    std::size_t pos = line_header().size();
    for (const Rec& r : recs) {
        at.push_back(pos);
        pos += r.bytes();
    }
    return at;
}

TEST(DamagedFile, RandomGarblingNeverLosesAnIntactRecord) {
    // Bit flips, overwritten words, cuts and appended junk in files of
    // cross-section records (one shape, as that solver writes them); an
    // append afterwards must leave every record whose bytes are untouched
    // in place, and every one that was found still found.
    std::mt19937 rng(12);
    int appended = 0, refused = 0;
    for (int file = 0; file < 240; ++file) {
        SCOPED_TRACE(testing::Message() << "file " << file);
        std::vector<Rec> recs;
        const int n = 2 + static_cast<int>(rng() % 19);
        for (int k = 0; k < n; ++k)
            recs.push_back(Rec::line(k));
        const std::vector<std::size_t> at = offsets(recs);
        const std::vector<unsigned char> clean = line_file(recs);
        std::vector<unsigned char> f = clean;
        switch (rng() % 4) {
            case 0:  // bit flips anywhere past the header
                for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
                    const std::size_t pos = line_header().size() + rng() % (f.size() - line_header().size());
                    f[pos] ^= static_cast<unsigned char>(1u << (rng() % 8));
                }
                break;
            case 1: {  // one count overwritten
                const std::int32_t v = static_cast<std::int32_t>(rng() % 3 == 0 ? rng() : rng() % 2000);
                std::memcpy(f.data() + at[rng() % at.size()] + 4 * (rng() % 4), &v, sizeof v);
                break;
            }
            case 2:  // cut anywhere past the header
                f.resize(line_header().size() + rng() % (f.size() - line_header().size()));
                break;
            default:  // a word overwritten and junk after the end
                f[line_header().size() + rng() % (f.size() - line_header().size())] = static_cast<unsigned char>(rng());
                for (int k = static_cast<int>(rng() % 300); k > 0; --k) f.push_back(static_cast<unsigned char>(rng()));
        }
        put_bytes(table_file(), f);
        std::vector<bool> intact(recs.size()), found(recs.size());
        for (std::size_t k = 0; k < recs.size(); ++k) {
            intact[k] = at[k] + recs[k].bytes() <= f.size() &&
                        std::equal(clean.begin() + at[k], clean.begin() + at[k] + recs[k].bytes(), f.begin() + at[k]);
            found[k] = recs[k].found();
        }

        (Rec::line(500 + file).write() == 0 ? appended : refused)++;
        const std::vector<unsigned char> after = file_bytes(table_file());
        for (std::size_t k = 0; k < recs.size(); ++k) {
            if (intact[k]) {
                ASSERT_GE(after.size(), at[k] + recs[k].bytes()) << "intact record " << k << " cut off";
                EXPECT_TRUE(std::equal(clean.begin() + at[k], clean.begin() + at[k] + recs[k].bytes(),
                                       after.begin() + at[k]))
                    << "intact record " << k << " overwritten";
            }
            EXPECT_TRUE(!found[k] || recs[k].found()) << "record " << k << " no longer found";
        }
    }
    // Both outcomes occur: tears are repaired, damage is left alone.
    EXPECT_GT(appended, 20);
    EXPECT_GT(refused, 20);
}

TEST(DamagedFile, WhatIsNoFileOfOursIsNamedAndNothingClaimsToBeWritten) {
    MIRTEX_FRESH_PROCESS();
    const Rec r = Rec::line(1);
    // A creator killed 14 bytes into the header: no records yet, no error.
    std::vector<unsigned char> torn = line_header();
    torn.resize(14);
    put_bytes(table_file(), torn);
    Host::get().clear_log();
    EXPECT_EQ(r.read(), 1);
    EXPECT_TRUE(lines_of(Severity::Error).empty());

    const std::string path = table_file();
    const auto make = std::vector<std::function<void()>>{
        [&] { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); },
        [&] { std::filesystem::create_directory(path); },
        [&] { std::filesystem::create_symlink("/dev/null", path); }};
    for (const auto& place : make) {
        std::filesystem::remove_all(path);
        place();
        calc_file_analysis_end();
        Host::get().clear_log();
        EXPECT_EQ(r.write(), -1);
        EXPECT_EQ(r.write(), -1);
        EXPECT_FALSE(Host::get().contains(Severity::Info, "Writing in Cache"));
        const auto errors = lines_of(Severity::Error);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find(path), std::string::npos) << errors[0];
    }
    std::filesystem::remove_all(path);
}

TEST(DamagedFile, StoredLineResultThatIsNotPhysicalIsSolvedAgain) {
    MIRTEX_FRESH_PROCESS();
    // A small cross-section that solves in well under a millisecond.
    LineVectors v = line_vectors({.W = 8e-6, .S = 6e-6, .H2 = 40e-6, .H3 = 60e-6, .L1 = 64e-6, .DL = 2e-6});
    ASSERT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
    double clean[8];
    std::memcpy(clean, v.out, sizeof clean);
    const std::vector<unsigned char> solved = file_bytes(table_file());
    const std::size_t results = solved.size() - sizeof clean;

    // A flipped sign bit of C' or ER_eff, an exponent flipped to all ones
    // (NaN) in L', a zero ZL.
    const std::vector<std::pair<int, double>> damage{{0, -clean[0]}, {5, -clean[5]}, {1, NAN}, {4, 0.0}};
    for (const auto& [slot, bad] : damage) {
        SCOPED_TRACE(testing::Message() << "slot " << slot);
        std::vector<unsigned char> f = solved;
        std::memcpy(f.data() + results + 8 * slot, &bad, sizeof bad);
        put_bytes(table_file(), f);
        calc_file_analysis_end();
        Host::get().clear_log();

        std::memset(v.out, 0, sizeof v.out);
        ASSERT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
        EXPECT_TRUE(Host::get().contains(Severity::Info, "Calculating C_LINE"));
        EXPECT_TRUE(Host::get().contains(Severity::Error, "WARNING: Cache-file " + table_file()));
        EXPECT_EQ(std::memcmp(v.out, clean, sizeof clean), 0);

        // The record solved now is found behind the damaged one.
        Host::get().clear_log();
        std::memset(v.out, 0, sizeof v.out);
        ASSERT_EQ(Calc_Line(0, v.ipar, v.dpar, v.out), 0);
        EXPECT_FALSE(Host::get().contains(Severity::Info, "Calculating C_LINE"));
        EXPECT_EQ(std::memcmp(v.out, clean, sizeof clean), 0);
    }
}

}  // namespace
}  // namespace mirtex::test
