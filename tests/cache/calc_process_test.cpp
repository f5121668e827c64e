// Calculation files shared between processes: writers killed in the middle
// of an append, and two writers appending to one file at once.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <csignal>
#include <random>
#include <thread>

#include "cache/calc_support.h"
#include "mirtex/table.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

std::size_t file_size() { return file_bytes(table_file()).size(); }

void expect_all_found(const std::vector<Rec>& recs, const char* when) {
    for (const Rec& r : recs) ASSERT_TRUE(r.found()) << "record " << r.ipar[0] / 31 << " lost " << when;
}

TEST(KilledWriter, TearsAtEveryDepthLoseNoCompleteRecord) {
    MIRTEX_FRESH_PROCESS();
    // The writer is killed with SIGKILL once a chosen number of its
    // record's bytes has reached the file: a file-size limit stops its write
    // there, and the signal that the next write raises is turned into
    // SIGKILL.
    std::mt19937 rng(6);
    std::vector<Rec> complete;
    for (int round = 0; round < 30; ++round) {
        const Rec victim = Rec::line(1000 + round, 9, 10, 8 + static_cast<int>(rng() % 300));
        const std::size_t before = complete.empty() ? 0 : file_size();
        const std::size_t cut = 1 + rng() % (victim.bytes() - 1);
        const int status = in_child([&] {
            signal(SIGXFSZ, [](int) { kill(getpid(), SIGKILL); });
            const rlim_t limit = static_cast<rlim_t>(before + (before == 0 ? 18 : 0) + cut);
            const rlimit lim{limit, limit};
            setrlimit(RLIMIT_FSIZE, &lim);
            victim.write();
            return 0;
        });
        ASSERT_EQ(status, 128 + SIGKILL) << "round " << round;
        if (!complete.empty()) {
            ASSERT_EQ(file_size(), before + cut) << "round " << round;
        }
        EXPECT_EQ(victim.read(), 1);

        const Rec next = Rec::line(round, 9, 10, 8);
        ASSERT_EQ(next.write(), 0) << "round " << round;
        complete.push_back(next);
        expect_all_found(complete, "after a torn append");
    }
}

TEST(KilledWriter, RandomKillsDuringAppends) {
    MIRTEX_FRESH_PROCESS();
    // A writer appending records of very different sizes, killed at random
    // moments; every record it finished stays found, and so does the next
    // append of any writer.
    std::mt19937 rng(61);
    std::vector<Rec> complete;
    int next_key = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (int round = 0; round < 12 && std::chrono::steady_clock::now() < deadline; ++round) {
        int acks[2];
        ASSERT_EQ(pipe(acks), 0);
        const int first = next_key;
        const unsigned seed = rng();
        const pid_t pid = fork();
        if (pid == 0) {
            close(acks[0]);
            std::mt19937 sizes(seed);
            for (int k = first;; ++k) {
                const int n_out = (sizes() % 4 == 0) ? 50000 + static_cast<int>(sizes() % 150000) : 8;
                if (Rec::line(k, 9, 10, n_out).write() != 0) _exit(1);
                if (write(acks[1], &k, sizeof k) != sizeof k) _exit(1);
            }
        }
        close(acks[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 20000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer failed on its own";

        // Rebuild the acknowledged records the way the child made them.
        std::mt19937 sizes(seed);
        int k = 0;
        int last = first - 1;
        while (read(acks[0], &k, sizeof k) == sizeof k) last = k;
        close(acks[0]);
        for (int j = first; j <= last + 1; ++j) {
            const int n_out = (sizes() % 4 == 0) ? 50000 + static_cast<int>(sizes() % 150000) : 8;
            if (j <= last) complete.push_back(Rec::line(j, 9, 10, n_out));
        }
        next_key = last + 2;  // last + 1 may or may not have landed

        const Rec after = Rec::line(100000 + round);
        ASSERT_EQ(after.write(), 0);
        complete.push_back(after);
        expect_all_found(complete, "after a killed writer");
    }
    EXPECT_GT(complete.size(), 12u);
}

TEST(ConcurrentWriters, TwoProcessesAppendingThousandsOfRecordsLoseNone) {
    MIRTEX_FRESH_PROCESS();
    constexpr int kPerWriter = 2000;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> writers;
    for (int w = 0; w < 2; ++w) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(go[1]);
            char c;
            if (read(go[0], &c, 1) != 0) _exit(2);  // start together when the pipe closes
            for (int i = 0; i < kPerWriter; ++i)
                if (Rec::line(w * 100000 + i, 2, 1, 1).write() != 0) _exit(1);
            _exit(0);
        }
        writers.push_back(pid);
    }
    close(go[0]);
    close(go[1]);
    for (const pid_t pid : writers) {
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const std::size_t record = Rec::line(0, 2, 1, 1).bytes();
    EXPECT_EQ(file_size(), 18 + 2 * kPerWriter * record);
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < kPerWriter; ++i)
            ASSERT_TRUE(Rec::line(w * 100000 + i, 2, 1, 1).found()) << "writer " << w << " record " << i;
}

TEST(ConcurrentWriters, RepairsAndMergesWhileAWriterAppendsLoseNothing) {
    // The table tool replaces the file under a writer that keeps appending:
    // every record lands in the file that ends up under the name, and the
    // file is whole and verified after each replacement.
    constexpr int kRecords = 400;
    const std::string path = table_file();
    put_bytes(path, {});
    ASSERT_EQ(Rec::line(0).write(), 0);
    const pid_t writer = fork();
    if (writer == 0) {
        for (int i = 1; i < kRecords; ++i)
            if (Rec::line(i).write() != 0) _exit(1);
        _exit(0);
    }
    const std::string other = path + ".other";
    const char* repair[] = {path.c_str()};
    const char* merge[] = {path.c_str(), other.c_str(), path.c_str()};
    auto quiet = [](void*, int, const char*) {};
    for (int round = 0; round < 30; ++round) {
        EXPECT_EQ(mirtex_calc_table("repair", repair, 1, 0, quiet, nullptr), 0);
        if (round % 10 == 0) {
            std::filesystem::copy_file(path, other, std::filesystem::copy_options::overwrite_existing);
            EXPECT_EQ(mirtex_calc_table("merge", merge, 3, 0, quiet, nullptr), 0);
        }
    }
    int status = 0;
    waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int i = 0; i < kRecords; ++i) ASSERT_TRUE(Rec::line(i).found()) << "record " << i;
    std::string said;
    EXPECT_EQ(mirtex_calc_table("check", repair, 1, 0, [](void* s, int, const char* l) { *static_cast<std::string*>(s) += l; }, &said), 0);
    EXPECT_NE(said.find(" 0 unverified, no damage;"), std::string::npos) << said;
}

}  // namespace
}  // namespace mirtex::test
