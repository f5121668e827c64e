#include "cache/checksums.h"

#include "cache/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace mirtex {
namespace {

constexpr char kMagic[kSumHeaderBytes + 1] = "MIRTEX CRC32C v1";

constexpr std::array<std::uint32_t, 256> make_table() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0x82F63B78u : c >> 1;
        t[i] = c;
    }
    return t;
}
constexpr std::array<std::uint32_t, 256> kTable = make_table();


template <typename T>
T get(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}



}  // namespace

std::uint32_t crc32c(const void* data, std::size_t n, std::uint32_t crc) {
    const auto* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (std::size_t k = 0; k < n; ++k) crc = kTable[(crc ^ p[k]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

std::string sum_path(const std::string& data_path) { return data_path + ".sum"; }

std::vector<unsigned char> sum_header() { return {kMagic, kMagic + kSumHeaderBytes}; }

std::array<unsigned char, kSumEntryBytes> sum_entry_bytes(const SumEntry& e) {
    std::array<unsigned char, kSumEntryBytes> b{};
    std::memcpy(b.data(), &e.offset, 8);
    std::memcpy(b.data() + 8, &e.length, 4);
    std::memcpy(b.data() + 12, &e.crc, 4);
    const std::uint32_t own = crc32c(b.data(), 16);
    std::memcpy(b.data() + 16, &own, 4);
    return b;
}

Checksums Checksums::parse(const unsigned char* p, std::size_t n) {
    Checksums s;
    if (n < kSumHeaderBytes || std::memcmp(p, kMagic, kSumHeaderBytes) != 0) {
        s.state_ = n == 0 ? State::Missing : State::Foreign;
        return s;
    }
    s.state_ = State::Present;
    // Entries at their 20-byte stride; where one fails its own check, the
    // next good one is sought byte by byte, so bytes lost or added in the
    // checksum file cost only the entries they touched.
    std::size_t at = kSumHeaderBytes;
    bool in_damage = false;
    while (at + kSumEntryBytes <= n) {
        const unsigned char* e = p + at;
        if (get<std::uint32_t>(e + 16) == crc32c(e, 16)) {
            s.entries_.push_back({get<std::uint64_t>(e), get<std::uint32_t>(e + 8), get<std::uint32_t>(e + 12)});
            at += kSumEntryBytes;
            in_damage = false;
            continue;
        }
        if (!in_damage) ++s.damaged_;
        in_damage = true;
        ++at;
    }
    // A tail shorter than an entry is an append cut short: not damage.
    std::sort(s.entries_.begin(), s.entries_.end(),
              [](const SumEntry& a, const SumEntry& b) { return a.offset < b.offset; });
    for (const SumEntry& e : s.entries_) s.known_.insert((std::uint64_t{e.length} << 32) | e.crc);
    return s;
}

Checksums Checksums::load(const std::string& data_path) {
    std::vector<unsigned char> bytes;
    if (!read_whole(sum_path(data_path), bytes)) return {};
    return parse(bytes.data(), bytes.size());
}

bool Checksums::lists(std::uint32_t length, std::uint32_t crc) const {
    return known_.count((std::uint64_t{length} << 32) | crc) != 0;
}

bool Checksums::covers(std::uint64_t offset, std::uint64_t length) const {
    // The first entry that ends after offset, then whether it starts before
    // the range ends.  Entries do not overlap one another in a sound file;
    // a damaged one that would is dropped by its own CRC.
    auto it = std::upper_bound(entries_.begin(), entries_.end(), offset,
                               [](std::uint64_t off, const SumEntry& e) { return off < e.offset + e.length; });
    if (it != entries_.begin()) {
        auto prev = std::prev(it);
        if (prev->offset + prev->length > offset) return true;
    }
    for (; it != entries_.end() && it->offset < offset + length; ++it)
        if (it->offset + it->length > offset) return true;
    return false;
}

bool append_sum_entry(const std::string& data_path, const SumEntry& e) {
    const std::string path = sum_path(data_path);
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::vector<unsigned char> out(kSumHeaderBytes + kSumEntryBytes);
    std::size_t at = 0;
    if (ok && st.st_size < static_cast<off_t>(kSumHeaderBytes)) {
        // New, or a header cut short: begin it afresh.
        ok = ftruncate(fd, 0) == 0;
        std::memcpy(out.data(), kMagic, kSumHeaderBytes);
        at = kSumHeaderBytes;
    } else if (ok) {
        unsigned char head[kSumHeaderBytes];
        ok = ::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head) &&
             std::memcmp(head, kMagic, kSumHeaderBytes) == 0;
    }
    if (ok) {
        const auto entry = sum_entry_bytes(e);
        std::memcpy(out.data() + at, entry.data(), entry.size());
        out.resize(at + entry.size());
        ok = write_all(fd, out);
    }
    ::close(fd);
    return ok;
}

bool reset_sum_file(const std::string& data_path) {
    const int fd = ::open(sum_path(data_path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) return false;
    struct stat st {};
    unsigned char head[kSumHeaderBytes];
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // A file of that name that is not a checksum file is not ours to clear.
    if (ok && st.st_size >= static_cast<off_t>(kSumHeaderBytes))
        ok = ::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head) &&
             std::memcmp(head, kMagic, kSumHeaderBytes) == 0;
    ok = ok && ftruncate(fd, 0) == 0 && write_all(fd, sum_header());
    ::close(fd);
    return ok;
}

}  // namespace mirtex
