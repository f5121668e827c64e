// Calculation files as a user's disk leaves them: a count overwritten in
// one record, random garbling.  An append may cut only a tail that cannot be
// a whole record; every record that was intact stays in the file and stays
// found.
#include <gtest/gtest.h>

#include <random>

#include "cache/calc_support.h"
#include "host.h"

namespace mirtex::test {
namespace {

using host::Host;
using host::Severity;

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

}  // namespace
}  // namespace mirtex::test
