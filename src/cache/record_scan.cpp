#include "cache/record_scan.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace mirtex {

namespace {

// Buffer size: the whole of a small file, 64 KiB pieces of a large one.
constexpr std::size_t kMinBuffer = 4 * 1024;
constexpr std::size_t kMaxBuffer = 64 * 1024;

// No element's vectors come near this many entries; a count beyond it is
// damage, not the head of a record that was cut short.
constexpr std::int32_t kPlausibleCount = 1 << 24;

// pread of up to n bytes, retried on signals; <= 0 at the end or on error.
ssize_t pread_some(int fd, void* dst, std::size_t n, std::uint64_t pos) {
    for (;;) {
        const ssize_t r = ::pread(fd, dst, n, static_cast<off_t>(pos));
        if (r >= 0 || errno != EINTR) return r;
    }
}

}  // namespace

FileReader::FileReader(int fd, std::uint64_t size)
    : fd_(fd),
      size_(size),
      cap_(size < kMinBuffer ? kMinBuffer : size > kMaxBuffer ? kMaxBuffer : static_cast<std::size_t>(size)),
      buf_(new unsigned char[cap_]) {}

bool FileReader::fill() {
    const ssize_t r = pread_some(fd_, buf_.get(), cap_, pos_);
    if (r <= 0) return false;
    buf_pos_ = pos_;
    buf_len_ = static_cast<std::size_t>(r);
    return true;
}

bool FileReader::read(void* dst, std::size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    while (n > 0) {
        if (pos_ >= buf_pos_ && pos_ < buf_pos_ + buf_len_) {
            const std::size_t at = static_cast<std::size_t>(pos_ - buf_pos_);
            const std::size_t k = n < buf_len_ - at ? n : buf_len_ - at;
            std::memcpy(d, buf_.get() + at, k);
            d += k;
            n -= k;
            pos_ += k;
        } else if (n >= cap_) {
            // Large vectors go straight to their destination.
            const ssize_t r = pread_some(fd_, d, n, pos_);
            if (r <= 0) return false;
            d += r;
            n -= static_cast<std::size_t>(r);
            pos_ += static_cast<std::uint64_t>(r);
        } else if (!fill()) {
            return false;
        }
    }
    return true;
}

HeaderCheck read_header(FileReader& reader, const char* ident) {
    std::int32_t length = 0;
    if (!reader.read(&length, sizeof length)) return HeaderCheck::WrongLength;
    const std::size_t n = std::strlen(ident);
    if (length < 1 || static_cast<std::size_t>(length) != n + 1) return HeaderCheck::WrongLength;
    std::string text(static_cast<std::size_t>(length), '\0');
    if (!reader.read(text.data(), text.size())) return HeaderCheck::WrongIdent;
    return std::memcmp(text.data(), ident, n) == 0 ? HeaderCheck::Ok : HeaderCheck::WrongIdent;
}

RecordHead RecordHead::of(std::int32_t n_ipar, std::int32_t n_dpar, std::int32_t n_ipar_out,
                          std::int32_t n_dpar_out) {
    RecordHead h;
    h.count[0] = n_ipar;
    h.count[1] = n_dpar;
    h.count[2] = n_ipar_out;
    h.count[3] = n_dpar_out;
    h.counts_read = true;
    for (int k = 0; k < 4; ++k)
        if (h.count[k] > 0)
            h.body_bytes += static_cast<std::uint64_t>(h.count[k]) * (k % 2 == 0 ? sizeof(std::int32_t) : sizeof(double));
    return h;
}

bool RecordHead::same_counts(const RecordHead& o) const {
    return std::memcmp(count, o.count, sizeof count) == 0;
}

bool next_record(FileReader& reader, RecordHead& head) {
    const std::uint64_t start = reader.position();
    head.counts_read = false;
    if (reader.remaining() < RecordHead::kBytes || !reader.read(head.count, RecordHead::kBytes)) {
        reader.seek(start);
        return false;
    }
    head.counts_read = true;
    std::uint64_t body = 0;
    for (int k = 0; k < 4; ++k) {
        if (head.count[k] < 0) {
            reader.seek(start);
            return false;
        }
        const std::uint64_t width = (k % 2 == 0) ? sizeof(std::int32_t) : sizeof(double);
        body += static_cast<std::uint64_t>(head.count[k]) * width;
    }
    head.body_bytes = body;
    if (body > reader.remaining()) {
        reader.seek(start);
        return false;
    }
    return true;
}

bool find_next_record(FileReader& reader, std::uint64_t from, const RecordHead* shapes, std::size_t n_shapes) {
    // Every byte offset is tried: bytes inserted or lost in the damage put
    // the intact records behind it at any offset, not only at four-byte
    // steps.  Most offsets fail at their counts, from the reader's buffer.
    RecordHead probe;
    for (std::uint64_t at = from + 1;; ++at) {
        reader.seek(at);
        if (reader.remaining() < RecordHead::kBytes) break;
        if (!next_record(reader, probe)) continue;
        for (std::size_t k = 0; k < n_shapes; ++k)
            if (shapes[k].same_counts(probe)) {
                reader.seek(at);
                return true;
            }
    }
    reader.seek(from);
    return false;
}

bool find_bytes(FileReader& reader, std::uint64_t from, const unsigned char* pat, std::size_t n) {
    // Pieces that overlap by n - 1 bytes, so that no occurrence falls
    // between two of them.
    constexpr std::size_t kPiece = 256 * 1024;
    std::vector<unsigned char> buf;
    for (std::uint64_t at = from; n > 0;) {
        reader.seek(at);
        const std::uint64_t rest = reader.remaining();
        if (rest < n) break;
        const std::size_t take = rest < kPiece + n ? static_cast<std::size_t>(rest) : kPiece + n - 1;
        buf.resize(take);
        if (!reader.read(buf.data(), take)) break;
        if (const void* hit = memmem(buf.data(), take, pat, n)) {
            reader.seek(at + static_cast<std::uint64_t>(static_cast<const unsigned char*>(hit) - buf.data()));
            return true;
        }
        at += take - n + 1;
    }
    reader.seek(from);
    return false;
}

Tail classify_tail(FileReader& reader, const RecordHead& head, const RecordHead* shapes, std::size_t n_shapes) {
    const std::uint64_t rest = reader.remaining();
    if (rest == 0) return Tail::Clean;
    const std::uint64_t start = reader.position();
    if (!head.counts_read) {
        // Not even the counts made it: torn when the bytes begin the key
        // counts of a known shape.  Other bytes are where the scan ended up
        // after a damaged count sent it into the middle of later records.
        unsigned char part[RecordHead::kBytes];
        const bool got = rest < sizeof part && reader.read(part, static_cast<std::size_t>(rest));
        reader.seek(start);
        const std::size_t key = rest < 2 * sizeof(std::int32_t) ? static_cast<std::size_t>(rest) : 2 * sizeof(std::int32_t);
        for (std::size_t k = 0; got && k < n_shapes; ++k)
            if (std::memcmp(part, shapes[k].count, key) == 0) return Tail::Torn;
        return Tail::Damaged;
    }
    for (const std::int32_t c : head.count)
        if (c < 0 || c >= kPlausibleCount) return Tail::Damaged;
    // A writer killed mid-append leaves the true counts of its record: a key
    // of a shape this file holds.  Other counts are a place the scan reached
    // through damage (a count changed to a smaller value sends it into the
    // middle of later records).  Exactly one record's worth of bytes cannot
    // be told from a whole record with one damaged count, so it is kept too.
    bool key_known = false;
    for (std::size_t k = 0; k < n_shapes; ++k) {
        if (RecordHead::kBytes + shapes[k].body_bytes == rest) return Tail::Damaged;
        key_known = key_known || (shapes[k].count[0] == head.count[0] && shapes[k].count[1] == head.count[1]);
    }
    if (!key_known) return Tail::Damaged;
    const bool intact_behind = find_next_record(reader, start, shapes, n_shapes);
    reader.seek(start);
    return intact_behind ? Tail::Damaged : Tail::Torn;
}

}  // namespace mirtex
