#include "cache/calc_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "binding/messages.h"
#include "cache/checksums.h"
#include "cache/file_io.h"
#include "cache/record_scan.h"

namespace mirtex {

std::string table_directory_from_environment() {
    std::string dir;
    // A variable set to the empty text counts as unset: taken literally it
    // would put the files in the root directory.
    for (const char* name : {"MIRTEX_TABLE_PATH", "TMP", "TEMP"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            dir = value;
            break;
        }
    }
    if (dir.empty()) {
        if (char* cwd = getcwd(nullptr, 0)) {
            dir = cwd;
            std::free(cwd);
        } else {
            dir = ".";  // the working directory even when its name cannot be had
        }
    }
    if (dir.back() != '/') dir += '/';
    return dir;
}

const std::string& table_directory() {
    static const std::string dir = table_directory_from_environment();
    return dir;
}

namespace {

// The file's full path, or false (with an error line) when it does not fit
// the path buffer: a longer path is refused rather than cut, since a cut
// path would name some other file.
bool full_path(const char* file, std::string& path) {
    path = table_directory() + file;
    if (path.size() + 1 <= kCalcPathBuffer) return true;
    send_error("Cache-path too long (%zu characters, at most %zu): %s", path.size(), kCalcPathBuffer - 1,
               path.c_str());
    return false;
}

// Open a calculation file; only a regular file is one (O_NONBLOCK keeps a
// FIFO of that name from hanging the simulator).
int open_regular(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The descriptor still refers to the file under path.
bool same_file(int fd, const std::string& path) {
    struct stat a {}, b {};
    return fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::uint64_t file_size(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Trouble with a file is told once per file and analysis: a sweep of 1,000
// points must not print the same line 1,000 times, and the next analysis
// must hear of it again while it lasts.
std::set<std::string>& reported() {
    static std::set<std::string> files;
    return files;
}

template <typename... Args>
void report_once(const std::string& path, const char* fmt, Args... args) {
    if (reported().insert(path).second) send_error(fmt, args...);
}

constexpr const char* kDamaged =
    "Cache-file %s is damaged after %llu bytes; it is left as it is and results are not stored in it "
    "('mirtex-sim table repair %s' rebuilds it from its intact records).";
constexpr const char* kWrongIdent =
    "Cache has a wrong identification: %s is not a '%s' file; results are not stored in it.";

std::vector<std::pair<std::string, ResultCheck>>& result_checks() {
    static std::vector<std::pair<std::string, ResultCheck>> checks;
    return checks;
}




template <typename T>
void put(std::vector<unsigned char>& out, const T* src, int n) {
    if (n <= 0) return;
    const auto* b = reinterpret_cast<const unsigned char*>(src);
    out.insert(out.end(), b, b + static_cast<std::size_t>(n) * sizeof(T));
}

std::vector<unsigned char> header_bytes(const char* ident) {
    std::vector<unsigned char> h;
    const std::int32_t length = static_cast<std::int32_t>(std::strlen(ident) + 1);
    put(h, &length, 1);
    put(h, ident, length);
    return h;
}

// Where the next record goes, with the file repaired for it: the end of the
// last complete record.  False when the file must not be appended to (its
// messages are then sent).
bool prepare_append(int fd, const std::string& path, const char* ident, const RecordHead& next,
                    std::vector<unsigned char>& out, std::uint64_t& base) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const std::vector<unsigned char> header = header_bytes(ident);
    FileReader reader(fd, size);

    if (size < header.size()) {
        // Empty, or the beginning of our own header from a writer that died
        // while creating the file: start it afresh.  Anything else is a file
        // that is not ours.
        if (size > 0) {
            std::vector<unsigned char> head(static_cast<std::size_t>(size));
            if (!reader.read(head.data(), head.size())) return false;
            if (std::memcmp(head.data(), header.data(), head.size()) != 0) {
                report_once(path, kWrongIdent,
                            path.c_str(), ident);
                return false;
            }
            if (ftruncate(fd, 0) != 0) return false;
        }
        out = header;
        base = 0;
        return true;
    }

    if (read_header(reader, ident) != HeaderCheck::Ok) {
        report_once(path, kWrongIdent,
                    path.c_str(), ident);
        return false;
    }
    // The record shapes this file holds, to tell a tear from damage.
    std::vector<RecordHead> shapes{next};
    RecordHead head;
    while (next_record(reader, head)) {
        bool known = false;
        for (const RecordHead& s : shapes) known = known || s.same_counts(head);
        if (!known) shapes.push_back(head);
        reader.skip(head.body_bytes);
    }
    base = reader.position();
    switch (classify_tail(reader, head, shapes.data(), shapes.size())) {
        case Tail::Clean:
            return true;
        case Tail::Torn:
            // A record cut short by a writer that died mid-append: cut it
            // off, or every record after it would be out of the scan's
            // reach.
            return ftruncate(fd, static_cast<off_t>(base)) == 0;
        case Tail::Damaged:
            break;
    }
    report_once(path, kDamaged, path.c_str(), static_cast<unsigned long long>(base), path.c_str());
    return false;
}

int read_calc(const char* file, const char* ident, const int* ipar, int n_ipar, const double* dpar, int n_dpar,
              int* ipar_out, int n_ipar_out, double* dpar_out, int n_dpar_out) {
    send_info("Mirtex: Reading from Cache");
    std::string path;
    if (!full_path(file, path)) return -1;
    const Fd fd(open_regular(path, O_RDONLY));
    if (fd.get() < 0) {
        send_info("no cache-file found");
        return -1;
    }

    const std::uint64_t size = file_size(fd.get());
    FileReader reader(fd.get(), size);
    const std::vector<unsigned char> header = header_bytes(ident);
    if (size < header.size()) {
        // Nothing yet, or our own header cut short by a writer that died
        // creating the file: no record, and the next append repairs it.
        std::vector<unsigned char> head(static_cast<std::size_t>(size));
        if (size == 0 || (reader.read(head.data(), head.size()) &&
                          std::memcmp(head.data(), header.data(), head.size()) == 0))
            return 1;
        reader.seek(0);
    }
    std::optional<Checksums> sums;  // read at the first candidate, or for a bad header
    bool verified_only = false;
    if (const HeaderCheck h = read_header(reader, ident); h != HeaderCheck::Ok) {
        // A damaged header over records this library wrote still holds
        // those records: where the checksum file vouches for a record, it is
        // one of ours whatever happened to the header.  Nothing else is
        // trusted in such a file, and nothing is appended to it.
        if (h == HeaderCheck::WrongLength)
            report_once(path,
                        "Cache-identification has a wrong length: %s is not a '%s' file; results are not stored in it.",
                        path.c_str(), ident);
        else
            report_once(path, kWrongIdent, path.c_str(), ident);
        sums = Checksums::load(path);
        if (!sums->present()) return 1;
        verified_only = true;
        reader.seek(0);
    }

    // Only a query with both an integer and a real key part can match.
    if (n_ipar <= 0 || n_dpar <= 0) return 1;
    const RecordHead want = RecordHead::of(n_ipar, n_dpar, n_ipar_out, n_dpar_out);
    const std::size_t iout = static_cast<std::size_t>(n_ipar_out > 0 ? n_ipar_out : 0) * sizeof(std::int32_t);
    const std::size_t dout = static_cast<std::size_t>(n_dpar_out > 0 ? n_dpar_out : 0) * sizeof(double);
    // The sought record begins with its counts and its key: those bytes are
    // looked for at every offset, so a record is found wherever damage
    // before it has left it, and no damaged count can send the scan past it.
    std::vector<unsigned char> pattern;
    put(pattern, want.count, 4);
    put(pattern, ipar, n_ipar);
    put(pattern, dpar, n_dpar);
    const std::size_t record_bytes = pattern.size() + iout + dout;

    std::vector<unsigned char> record(record_bytes);
    std::vector<int> icand(iout / sizeof(int));
    std::vector<double> dcand(dout / sizeof(double));
    for (std::uint64_t from = reader.position();;) {
        if (!find_bytes(reader, from, pattern.data(), pattern.size())) return 1;
        const std::uint64_t at = reader.position();
        from = at + 1;  // the next search starts past this candidate
        if (size - at < record_bytes) return 1;
        FileReader rec(fd.get(), size);
        rec.seek(at);
        if (!rec.read(record.data(), record.size())) return 1;
        const unsigned char* p = record.data() + pattern.size();
        if (iout > 0) std::memcpy(icand.data(), p, iout);
        if (dout > 0) std::memcpy(dcand.data(), p + iout, dout);

        if (!sums) sums = Checksums::load(path);
        const std::uint32_t crc = crc32c(record.data(), record.size());
        if (!sums->lists(static_cast<std::uint32_t>(record_bytes), crc)) {
            if (verified_only || sums->covers(at, record_bytes)) {
                // Written by us and listed, but its bytes changed since.
                report_once(path + "#checksum",
                            "WARNING: Cache-file %s: the record at byte %llu does not match its checksum; it is not "
                            "used and the element is solved again ('mirtex-sim table repair %s' rebuilds the file).",
                            path.c_str(), static_cast<unsigned long long>(at), path.c_str());
                continue;
            }
            // Not listed: a peer's record, or one whose entry a crash kept
            // from being written.  Only the physics can judge it.
            if (!result_is_plausible(file, icand.data(), n_ipar_out, dcand.data(), n_dpar_out)) {
                report_once(format("%s#%llu", path.c_str(), static_cast<unsigned long long>(at)),
                            "WARNING: Cache-file %s: the record at byte %llu holds a result that is not physical; it "
                            "is not used.",
                            path.c_str(), static_cast<unsigned long long>(at));
                continue;
            }
        }
        if (iout > 0) std::memcpy(ipar_out, icand.data(), iout);
        if (dout > 0) std::memcpy(dpar_out, dcand.data(), dout);
        return 0;
    }
}

int write_calc(const char* file, const char* ident, const int* ipar, int n_ipar, const double* dpar, int n_dpar,
               const int* ipar_out, int n_ipar_out, const double* dpar_out, int n_dpar_out) {
    // A negative count would write a record that ends every later scan.
    if (n_ipar < 0 || n_dpar < 0 || n_ipar_out < 0 || n_dpar_out < 0) return -1;
    std::string path;
    if (!full_path(file, path)) return -1;
    std::optional<Fd> fd;
    // Header check, repair and append happen under one lock, and the record
    // goes out in one write on an appending descriptor, so that two
    // processes sharing a table directory never interleave their records.
    // A file that the table tool replaced while we waited for the lock is
    // no longer the one under this name: open the name again.
    for (int tries = 0; tries < 8; ++tries) {
        fd.emplace(open_regular(path, O_RDWR | O_APPEND | O_CREAT));
        if (fd->get() < 0) {
            report_once(path, "Cache-file %s cannot be written (not a regular file, or no permission); results are not stored in it.",
                        path.c_str());
            return -1;
        }
        lock_exclusive(fd->get());
        if (same_file(fd->get(), path)) break;
    }
    std::vector<unsigned char> out;
    std::uint64_t base = 0;
    if (!prepare_append(fd->get(), path, ident, RecordHead::of(n_ipar, n_dpar, n_ipar_out, n_dpar_out), out, base))
        return -1;
    // A file begun afresh gets a checksum file begun afresh: entries of an
    // earlier file of that name would vouch for nothing in it.
    if (base == 0) reset_sum_file(path);

    const std::size_t record_at = out.size();
    const std::int32_t counts[4] = {n_ipar, n_dpar, n_ipar_out, n_dpar_out};
    put(out, counts, 4);
    put(out, ipar, n_ipar);
    put(out, dpar, n_dpar);
    put(out, ipar_out, n_ipar_out);
    put(out, dpar_out, n_dpar_out);
    if (!write_all(fd->get(), out.data(), out.size())) {
        const int err = errno;
        // A full disk or a quota: take back the part that landed, so the
        // file ends on a complete record as before.
        [[maybe_unused]] const int rc = ftruncate(fd->get(), static_cast<off_t>(base));
        report_once(path, "Cache-file %s could not be written (%s); result not stored.", path.c_str(), std::strerror(err));
        return -1;
    }
    // The record's checksum, still under the lock.  Should it not be
    // written, the record is read as one without an entry.
    const std::size_t record_bytes = out.size() - record_at;
    append_sum_entry(path, {base + record_at, static_cast<std::uint32_t>(record_bytes),
                            crc32c(out.data() + record_at, record_bytes)});
    send_info("Writing in Cache");
    return 0;
}

}  // namespace

bool result_is_plausible(const char* file, const int* ipar_out, int n_ipar_out, const double* dpar_out, int n_dpar_out) {
    for (int k = 0; k < n_dpar_out; ++k)
        if (!std::isfinite(dpar_out[k])) return false;
    for (const auto& [name, check] : result_checks())
        if (name == file) return check(ipar_out, n_ipar_out, dpar_out, n_dpar_out);
    return true;
}

bool register_result_check(const char* file, ResultCheck check) {
    result_checks().emplace_back(file, check);
    return true;
}

void calc_file_analysis_end() { reported().clear(); }

}  // namespace mirtex

// Memory running out while a file is read or a record is built ends the call
// as a miss or as a record not kept; it never unwinds into the caller.
// Solves that run side by side take turns: a record is appended whole
// before another thread scans or appends (within the process; between
// processes the file's own write discipline holds).
namespace {
std::recursive_mutex g_file_turn;
}

extern "C" {

MIRTEX_API int ReadCalc(const char* file, const char* ident, const int* ipar, int n_ipar, const double* dpar,
                        int n_dpar, int* ipar_out, int n_ipar_out, double* dpar_out, int n_dpar_out) {
    const std::lock_guard<std::recursive_mutex> turn(g_file_turn);
    try {
        return mirtex::read_calc(file, ident, ipar, n_ipar, dpar, n_dpar, ipar_out, n_ipar_out, dpar_out, n_dpar_out);
    } catch (...) {
        return 1;
    }
}

MIRTEX_API int WriteCalc(const char* file, const char* ident, const int* ipar, int n_ipar, const double* dpar,
                         int n_dpar, const int* ipar_out, int n_ipar_out, const double* dpar_out, int n_dpar_out) {
    const std::lock_guard<std::recursive_mutex> turn(g_file_turn);
    try {
        return mirtex::write_calc(file, ident, ipar, n_ipar, dpar, n_dpar, ipar_out, n_ipar_out, dpar_out,
                                  n_dpar_out);
    } catch (...) {
        return -1;
    }
}

}  // extern "C"
