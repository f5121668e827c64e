// Whole-file reads, complete writes and the writers' lock, shared by the
// calculation files, their checksum files and the table tool.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mirtex {

// All n bytes, retried on signals and short writes; false on an error.
bool write_all(int fd, const unsigned char* p, std::size_t n);
inline bool write_all(int fd, const std::vector<unsigned char>& bytes) { return write_all(fd, bytes.data(), bytes.size()); }

// The whole of a regular file (O_NONBLOCK: a FIFO of that name never hangs
// the caller); false, with the reason in *why, when it cannot be read.
bool read_whole(const std::string& path, std::vector<unsigned char>& out, std::string* why = nullptr);

// Exclusive advisory lock over the whole file, released when the
// descriptor closes (also when the process dies).
void lock_exclusive(int fd);

}  // namespace mirtex
