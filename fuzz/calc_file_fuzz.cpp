// Fuzzing the calculation-file reader and the append's repair of the file.
//
// Input: one selector byte, one checksum byte, then the bytes of a
// calculation file.  The selector picks the identification, the shape of
// the query and which record of the file the query's key is taken from, so
// that well-formed inputs produce hits as well as misses.  The checksum
// byte decides whether a checksum file lies beside it: none, or the last
// 20·k bytes of the input (k its upper six bits), behind a proper header
// when its bit 1 is set.  Beyond not crashing, every run checks what the
// files promise:
//   - a look-up answers a hit or a miss, nothing else;
//   - an append that is refused leaves the file byte for byte as it was;
//   - an accepted append only cuts off an incomplete tail (or a header cut
//     short) and adds exactly the new record, which the next look-up finds
//     unless an earlier record with the same inputs answers first, and the
//     checksum file, when it is ours, vouches for it;
//   - a repair leaves a file that every later look-up of the records it
//     kept finds, and that takes the next append.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cache/calc_file.h"
#include "cache/checksums.h"
#include "mirtex/table.h"
#include "host.h"

namespace {

struct Shape {
    int n_ipar, n_dpar, n_ipar_out, n_dpar_out;
    std::size_t key_bytes() const { return 4u * n_ipar + 8u * n_dpar; }
    std::size_t record_bytes() const { return 16 + key_bytes() + 4u * n_ipar_out + 8u * n_dpar_out; }
};

constexpr Shape kShapes[8] = {{9, 10, 0, 8}, {19, 8, 0, 11}, {1, 1, 0, 1}, {2, 1, 1, 1},
                              {9, 0, 0, 8},  {0, 10, 0, 8},  {38, 26, 3, 32}, {9, 10, 0, 0}};
constexpr const char* kIdents[4] = {"Tessaric Line", "Tessaric Gap", "T", "Tessaric Line"};
constexpr const char* kFile = "cpw_fuzz.cdb";

std::string g_path;

std::vector<unsigned char> slurp(const std::string& path = g_path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const std::uint8_t* data, std::size_t size, const std::string& path = g_path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    while (size > 0) {
        const ssize_t w = ::write(fd, data, size);
        if (w <= 0) std::abort();
        data += w;
        size -= static_cast<std::size_t>(w);
    }
    ::close(fd);
}

bool starts_with(const std::vector<unsigned char>& a, const std::vector<unsigned char>& prefix) {
    return prefix.size() <= a.size() && std::equal(prefix.begin(), prefix.end(), a.begin());
}

#define CHECK(cond)                 \
    do {                            \
        if (!(cond)) __builtin_trap(); \
    } while (0)

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "mirtex-fuzz-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) std::abort();
    setenv("MIRTEX_TABLE_PATH", tmpl.c_str(), 1);
    g_path = mirtex::table_directory() + kFile;
    static const std::string dir = tmpl;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const unsigned sel = data[0], sum_sel = data[1];
    const char* ident = kIdents[sel & 3];
    const Shape shape = kShapes[(sel >> 2) & 7];
    std::size_t sum_bytes = 0;
    if (sum_sel & 1) sum_bytes = std::min<std::size_t>(mirtex::kSumEntryBytes * (sum_sel >> 2), size - 2);
    const std::vector<unsigned char> old(data + 2, data + size - sum_bytes);
    put(old.data(), old.size());
    std::remove(mirtex::sum_path(g_path).c_str());
    if (sum_sel & 1) {
        std::vector<unsigned char> sums = (sum_sel & 2) ? mirtex::sum_header() : std::vector<unsigned char>{};
        sums.insert(sums.end(), data + size - sum_bytes, data + size);
        put(sums.data(), sums.size(), mirtex::sum_path(g_path));
    }

    // The key: the bytes where record number (sel >> 5) would keep its
    // inputs if every record had the query's shape.
    std::vector<unsigned char> key(shape.key_bytes(), 0);
    const std::size_t at = 4 + std::strlen(ident) + 1 + (sel >> 5) * shape.record_bytes() + 16;
    for (std::size_t k = 0; k < key.size() && at + k < old.size(); ++k) key[k] = old[at + k];
    std::vector<int> ipar(static_cast<std::size_t>(shape.n_ipar));
    std::vector<double> dpar(static_cast<std::size_t>(shape.n_dpar));
    if (!ipar.empty()) std::memcpy(ipar.data(), key.data(), 4 * ipar.size());
    if (!dpar.empty()) std::memcpy(dpar.data(), key.data() + 4 * ipar.size(), 8 * dpar.size());

    std::vector<int> iout(static_cast<std::size_t>(shape.n_ipar_out) + 1, 0);
    std::vector<double> dout(static_cast<std::size_t>(shape.n_dpar_out) + 1, 0.0);
    const int first = ReadCalc(kFile, ident, ipar.data(), shape.n_ipar, dpar.data(), shape.n_dpar, iout.data(),
                               shape.n_ipar_out, dout.data(), shape.n_dpar_out);
    CHECK(first == 0 || first == 1);

    std::vector<int> ires(iout.size());
    std::vector<double> dres(dout.size());
    for (std::size_t k = 0; k < ires.size(); ++k) ires[k] = static_cast<int>(sel * 7 + k);
    for (std::size_t k = 0; k < dres.size(); ++k) dres[k] = 0.25 * static_cast<double>(k) - sel;
    const int wrote = WriteCalc(kFile, ident, ipar.data(), shape.n_ipar, dpar.data(), shape.n_dpar, ires.data(),
                                shape.n_ipar_out, dres.data(), shape.n_dpar_out);
    const std::vector<unsigned char> now = slurp();
    CHECK(wrote == 0 || wrote == -1);
    if (wrote != 0) {
        CHECK(now == old);
    } else {
        CHECK(now.size() >= shape.record_bytes());
        const std::vector<unsigned char> kept(now.begin(), now.end() - static_cast<std::ptrdiff_t>(shape.record_bytes()));
        std::vector<unsigned char> header(4);
        const std::int32_t length = static_cast<std::int32_t>(std::strlen(ident) + 1);
        std::memcpy(header.data(), &length, 4);
        header.insert(header.end(), ident, ident + length);
        // Either a cut of the old file that still holds its header (whose
        // terminating byte the reader does not look at), or a fresh header
        // over a file that was only the start of one.
        const std::vector<unsigned char> text(header.begin(), header.end() - 1);
        CHECK((starts_with(old, kept) && starts_with(kept, text) && kept.size() >= header.size()) ||
              (kept == header && starts_with(header, old)));
        CHECK(std::memcmp(now.data() + kept.size() + 16, key.data(), key.size()) == 0);

        std::vector<int> iback(iout.size(), -1);
        std::vector<double> dback(dout.size(), -1.0);
        const int again = ReadCalc(kFile, ident, ipar.data(), shape.n_ipar, dpar.data(), shape.n_dpar,
                                   iback.data(), shape.n_ipar_out, dback.data(), shape.n_dpar_out);
        if (shape.n_ipar == 0 || shape.n_dpar == 0) {
            CHECK(again == 1);
        } else {
            CHECK(again == 0);
            const std::vector<int>& iwant = first == 0 ? iout : ires;
            const std::vector<double>& dwant = first == 0 ? dout : dres;
            const std::size_t ni = static_cast<std::size_t>(shape.n_ipar_out);
            const std::size_t nd = static_cast<std::size_t>(shape.n_dpar_out);
            CHECK(ni == 0 || std::memcmp(iback.data(), iwant.data(), 4 * ni) == 0);
            CHECK(nd == 0 || std::memcmp(dback.data(), dwant.data(), 8 * nd) == 0);
        }
        // The new record's checksum is listed, unless a foreign checksum
        // file was left alone.
        const mirtex::Checksums sums = mirtex::Checksums::load(g_path);
        const unsigned char* rec = now.data() + kept.size();
        CHECK(sums.state() == mirtex::Checksums::State::Foreign ||
              sums.lists(static_cast<std::uint32_t>(shape.record_bytes()),
                         mirtex::crc32c(rec, shape.record_bytes())));
    }

    // A repair (the file named as a kind of ours) keeps a file whose
    // records are found and which takes the next append.
    const std::string named = mirtex::table_directory() + "cpw_line.cdb";
    std::rename(g_path.c_str(), named.c_str());
    std::rename(mirtex::sum_path(g_path).c_str(), mirtex::sum_path(named).c_str());
    const char* paths[] = {named.c_str()};
    const int repaired = mirtex_calc_table("repair", paths, 1, 0, [](void*, int, const char*) {}, nullptr);
    CHECK(repaired == 0);
    const std::vector<unsigned char> line_head = {14, 0, 0, 0, 'T', 'e', 's', 's', 'a', 'r', 'i', 'c', ' ', 'L', 'i', 'n', 'e', 0};
    const std::vector<unsigned char> after = slurp(named);
    if (starts_with(after, line_head)) {
        const double v[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        const int k[9] = {static_cast<int>(size), 1, 2, 3, 4, 5, 6, 7, 8};
        double r[8] = {1, 1, 1, 1, 1, 1, 1, 1};
        CHECK(WriteCalc("cpw_line.cdb", "Tessaric Line", k, 9, v, 10, nullptr, 0, r, 8) == 0);
        CHECK(ReadCalc("cpw_line.cdb", "Tessaric Line", k, 9, v, 10, nullptr, 0, r, 8) == 0);
    }
    for (const auto& e : std::filesystem::directory_iterator(mirtex::table_directory()))
        std::filesystem::remove(e.path());
    mirtex::host::Host::get().clear_log();
    return 0;
}
