// Calculation files as a user's disk leaves them: a count overwritten in
// one record, random garbling.  An append may cut only a tail that cannot be
// a whole record; every record that was intact stays in the file and stays
// found.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "cache/calc_support.h"
#include "host.h"
#include "mirtex/table.h"
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

namespace mirtex::test {
namespace {

int run_table(const char* verb, const std::string& path) {
    const char* p[] = {path.c_str()};
    return mirtex_calc_table(verb, p, 1, 0, [](void*, int, const char*) {}, nullptr);
}

// The damage a disk, a flaky copy or a half-synced folder does to files
// of line and three-dimensional elements, in files written with their
// checksums: no damaged value is ever served, no intact record is ever
// out of reach, and a repair keeps every intact record and lets appends
// resume.  Without checksum files (as a peer program writes them) no intact
// record is out of reach either; the damaged values served then are what
// only a checksum can catch, and are counted.
TEST(DamageCorpus, ChecksumsServeNoDamagedValueAndNothingIntactIsLost) {
    struct Kind {
        const char *file, *ident;
        int n[4];
    };
    const Kind kinds[] = {{"cpw_line.cdb", "Tessaric Line", {9, 10, 0, 8}},
                          {"cpw_gap.cdb", "Tessaric Gap", {19, 8, 0, 11}},
                          {"cpw_tee.cdb", "Tessaric T-Junction", {38, 26, 3, 32}}};
    std::mt19937 rng(26);
    struct Tally {
        int wrong = 0, unreachable = 0;
    } with, without;
    int header_hits = 0, files = 0;
    for (int n_file = 0; n_file < 1050; ++n_file) {
        const Kind& kind = kinds[n_file % 3];
        const std::string path = table_file(kind.file);
        SCOPED_TRACE(testing::Message() << "file " << n_file << " (" << kind.file << ")");
        std::remove(path.c_str());
        std::remove((path + ".sum").c_str());
        std::vector<Rec> recs;
        std::vector<std::size_t> at;
        std::size_t pos = 4 + std::strlen(kind.ident) + 1;
        for (int k = 0, n = 2 + static_cast<int>(rng() % 12); k < n; ++k) {
            Rec r = Rec::line(n_file * 100 + k, kind.n[0], kind.n[1], kind.n[3]);
            r.ipar_out.assign(static_cast<std::size_t>(kind.n[2]), k);
            ASSERT_EQ(r.write(kind.file, kind.ident), 0);
            at.push_back(pos);
            pos += r.bytes();
            recs.push_back(std::move(r));
        }
        const std::vector<unsigned char> clean = file_bytes(path), sums = file_bytes(path + ".sum");
        std::vector<unsigned char> f = clean;
        // Damage in the original's coordinates: a record is intact when it
        // lies wholly before `from` or wholly from `to` on.
        std::vector<std::pair<std::size_t, std::size_t>> hit;
        const auto any = [&] { return static_cast<std::size_t>(rng() % f.size()); };
        switch (rng() % 6) {
            case 0:  // bit flips
                for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
                    const std::size_t p = any();
                    f[p] ^= static_cast<unsigned char>(1u << (rng() % 8));
                    hit.push_back({p, p + 1});
                }
                break;
            case 1: {  // bytes inserted
                const std::size_t p = any(), n = 1 + rng() % 9;
                for (std::size_t k = 0; k < n; ++k) f.insert(f.begin() + static_cast<std::ptrdiff_t>(p), static_cast<unsigned char>(rng()));
                hit.push_back({p, p});
                break;
            }
            case 2: {  // bytes lost
                const std::size_t p = any(), n = std::min<std::size_t>(1 + rng() % 9, f.size() - p);
                f.erase(f.begin() + static_cast<std::ptrdiff_t>(p), f.begin() + static_cast<std::ptrdiff_t>(p + n));
                hit.push_back({p, p + n});
                break;
            }
            case 3: {  // a count overwritten
                const std::size_t p = at[rng() % at.size()] + 4 * (rng() % 4);
                const std::int32_t v = static_cast<std::int32_t>(rng() % 2 ? rng() % 64 : rng());
                std::memcpy(f.data() + p, &v, sizeof v);
                hit.push_back({p, p + 4});
                break;
            }
            case 4: {  // bytes overwritten
                const std::size_t p = any(), n = std::min<std::size_t>(1 + rng() % 16, f.size() - p);
                for (std::size_t k = 0; k < n; ++k) f[p + k] = static_cast<unsigned char>(rng());
                hit.push_back({p, p + n});
                break;
            }
            default: {  // cut short
                const std::size_t p = any();
                f.resize(p);
                hit.push_back({p, clean.size()});
            }
        }
        const bool header_hit = std::any_of(hit.begin(), hit.end(), [&](const auto& h) { return h.first < at.front(); });
        header_hits += header_hit;
        ++files;
        std::vector<bool> intact(recs.size());
        for (std::size_t k = 0; k < recs.size(); ++k) {
            intact[k] = true;
            for (const auto& [from, to] : hit)
                intact[k] = intact[k] && (at[k] + recs[k].bytes() <= from || at[k] >= to);
        }
        auto tally = [&](Tally& t, bool header_counts) {
            calc_file_analysis_end();
            for (std::size_t k = 0; k < recs.size(); ++k) {
                Rec got;
                const bool served = recs[k].read(&got, kind.file, kind.ident) == 0;
                const bool right = served && got.ipar_out == recs[k].ipar_out &&
                                   std::memcmp(got.dpar_out.data(), recs[k].dpar_out.data(), 8 * got.dpar_out.size()) == 0;
                t.wrong += served && !right;
                t.unreachable += intact[k] && !right && header_counts;
            }
        };
        auto put = [&](const std::vector<unsigned char>& data, const std::vector<unsigned char>* sum) {
            put_bytes(path, data);
            if (sum != nullptr) std::ofstream(path + ".sum", std::ios::binary).write(reinterpret_cast<const char*>(sum->data()), static_cast<std::streamsize>(sum->size()));
        };
        auto repair_keeps_every_intact_record = [&] {
            ASSERT_EQ(run_table("repair", path), 0);
            for (std::size_t k = 0; k < recs.size(); ++k)
                EXPECT_TRUE(!intact[k] || recs[k].read(nullptr, kind.file, kind.ident) == 0) << "record " << k;
            const Rec fresh = Rec::line(999999, kind.n[0], kind.n[1], kind.n[3]);
            Rec with_outs = fresh;
            with_outs.ipar_out.assign(static_cast<std::size_t>(kind.n[2]), 1);
            EXPECT_EQ(with_outs.write(kind.file, kind.ident), 0);
            EXPECT_EQ(with_outs.read(nullptr, kind.file, kind.ident), 0);
        };
        put(f, &sums);
        tally(with, true);
        repair_keeps_every_intact_record();
        put(f, nullptr);
        // Without a checksum file a damaged identification makes the file
        // one of another kind, which is never read.
        tally(without, !header_hit);
        repair_keeps_every_intact_record();
        for (const auto& e : std::filesystem::directory_iterator(table_directory()))
            if (e.path().filename().string().find(".damaged-") != std::string::npos) std::filesystem::remove(e.path());
    }
    std::printf("damage corpus: %d files (%d with the identification hit); with checksums %d wrong values served, "
                "%d intact records unreachable; without %d wrong served, %d unreachable\n",
                files, header_hits, with.wrong, with.unreachable, without.wrong, without.unreachable);
    EXPECT_EQ(with.wrong, 0);
    EXPECT_EQ(with.unreachable, 0);
    EXPECT_EQ(without.unreachable, 0);
}

}  // namespace
}  // namespace mirtex::test
