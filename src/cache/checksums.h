// Checksum files: beside each calculation file `<name>` a file
// `<name>.sum` lists, for each record appended through this library, its
// offset, its length and the CRC-32C of its bytes (the four counts through
// the last result).  The calculation file itself keeps its format byte for
// byte, so that every other reader of it goes on working.
//
// A checksum file is a 16-byte header followed by 20-byte entries:
//   uint64 offset, uint32 length, uint32 crc, uint32 crc of these 16 bytes
// The entry's own CRC lets a reader drop an entry that was damaged, and
// find the next good one at any byte offset when bytes were inserted or
// lost in the checksum file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace mirtex {

// CRC-32C (Castagnoli polynomial, reflected, as iSCSI and ext4 use it).
std::uint32_t crc32c(const void* data, std::size_t n, std::uint32_t crc = 0);

struct SumEntry {
    std::uint64_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t crc = 0;
};

inline constexpr std::size_t kSumHeaderBytes = 16;
inline constexpr std::size_t kSumEntryBytes = 20;

std::string sum_path(const std::string& data_path);
std::vector<unsigned char> sum_header();
std::array<unsigned char, 20> sum_entry_bytes(const SumEntry& e);

// What a checksum file says about its calculation file.
class Checksums {
public:
    enum class State { Missing, Foreign, Present };

    // Reads path's checksum file; never fails: a missing file is Missing,
    // one with another header is Foreign, damaged entries are dropped (and
    // counted, with the byte ranges they held).
    static Checksums load(const std::string& data_path);
    // The same from bytes already in memory (the tool and the fuzz target).
    static Checksums parse(const unsigned char* p, std::size_t n);

    State state() const { return state_; }
    bool present() const { return state_ == State::Present; }
    const std::vector<SumEntry>& entries() const { return entries_; }
    std::size_t damaged_entries() const { return damaged_; }

    // A record of `length` bytes with this CRC was listed: it is what was
    // written, wherever in the file it now lies.
    bool lists(std::uint32_t length, std::uint32_t crc) const;
    // Some listed record's bytes overlap [offset, offset + length): a
    // record there that is not listed itself is damage, not a peer's.
    bool covers(std::uint64_t offset, std::uint64_t length) const;

private:
    State state_ = State::Missing;
    std::vector<SumEntry> entries_;  // ordered by offset
    std::unordered_set<std::uint64_t> known_;  // (length << 32) | crc
    std::size_t damaged_ = 0;
};

// Append one entry, creating the checksum file with its header when it is
// missing or empty.  Called under the calculation file's lock right after
// the record; a foreign checksum file is left alone.  False when nothing
// was written.
bool append_sum_entry(const std::string& data_path, const SumEntry& e);
// Start the checksum file afresh (a new calculation file): header only.
bool reset_sum_file(const std::string& data_path);

}  // namespace mirtex
