// Reading calculation files: a buffered positional reader, the header check
// and the record scan shared by the look-up and by the append's tail repair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace mirtex {

// Sequential reads at a position of its own over a descriptor, through one
// buffer; size is the file's length when the scan began, against which
// record counts are checked.
class FileReader {
public:
    FileReader(int fd, std::uint64_t size);
    // Exactly n bytes, or false when the file ends first.
    bool read(void* dst, std::size_t n);
    void skip(std::uint64_t n) { pos_ += n; }
    void seek(std::uint64_t pos) { pos_ = pos; }
    std::uint64_t position() const { return pos_; }
    std::uint64_t remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }

private:
    bool fill();

    int fd_;
    std::uint64_t size_;
    std::uint64_t pos_ = 0;
    std::size_t cap_;
    std::unique_ptr<unsigned char[]> buf_;
    std::uint64_t buf_pos_ = 0;  // file position of buf_[0]
    std::size_t buf_len_ = 0;
};

enum class HeaderCheck { Ok, WrongLength, WrongIdent };

// Check the identification header at the reader's position and step past
// it: its length must be strlen(ident) + 1 and its text must start with
// ident.
HeaderCheck read_header(FileReader& reader, const char* ident);

// The four counts of a record and the length of what follows them.
struct RecordHead {
    static constexpr std::size_t kBytes = 4 * sizeof(std::int32_t);

    std::int32_t count[4] = {0, 0, 0, 0};  // n_ipar, n_dpar, n_ipar_out, n_dpar_out
    bool counts_read = false;
    std::uint64_t body_bytes = 0;

    static RecordHead of(std::int32_t n_ipar, std::int32_t n_dpar, std::int32_t n_ipar_out,
                         std::int32_t n_dpar_out);
    bool same_counts(const RecordHead& o) const;
};

// Read the next record's counts and leave the reader at its body.  False,
// with the reader back at the record's start, when no complete record
// follows: the file ends within it, or its counts are negative or claim
// more than the file holds (so a damaged count never sizes a buffer).
bool next_record(FileReader& reader, RecordHead& head);

// What stopped the scan, judged at the position where next_record() failed.
enum class Tail {
    Clean,   // the file ends on a record boundary
    Torn,    // the beginning of one record, as a writer killed mid-append leaves it
    Damaged  // anything else: intact records may follow, so it is not ours to cut
};

// The start of the next complete record of one of the shapes after `from`,
// the reader left there; false, with the reader back at `from`, when none
// follows.
bool find_next_record(FileReader& reader, std::uint64_t from, const RecordHead* shapes, std::size_t n_shapes);

// The first occurrence of the n bytes at pat at or after `from`, the reader
// left there; false, with the reader back at `from`, when there is none.
bool find_bytes(FileReader& reader, std::uint64_t from, const unsigned char* pat, std::size_t n);

// A tail is torn only when it cannot hold a complete record: fewer bytes
// than the counts themselves that begin the key counts of a known shape, or a
// record whose counts are a writer's (the
// key counts of a shape this file holds: one already scanned or the one
// about to be appended) and whose bytes run past the end of the file, when
// the rest is not exactly one record of a known shape and no complete
// record of a known shape begins anywhere behind it.  A count overwritten by
// damage looks like a long record running past the end of the file; taking
// it for a tear would cut off every intact record behind it.  The reader is
// left where it was.
Tail classify_tail(FileReader& reader, const RecordHead& head, const RecordHead* shapes, std::size_t n_shapes);

}  // namespace mirtex
