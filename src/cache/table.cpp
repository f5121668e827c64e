// The calculation-table tool: what a file holds, which of its records can be
// trusted, and new files built from the trusted ones.
//
// A record is trusted when its bytes carry a checksum the checksum file
// lists (verified), or, where no listed record ever lay (records of a peer
// program, records from before the checksum file, a record whose entry a
// crash kept from being written), when its counts are a shape of the file's
// kind and its result passes the kind's physical check (unverified).
// Everything else is damage.  The walk tries every byte offset after
// damage and never lets an untrusted record's counts carry it forward, so
// no damaged count can hide the intact records behind it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "cache/checksums.h"
#include "cache/file_io.h"
#include "debug/slot_names.h"
#include "mirtex/mirtex.h"
#include "mirtex/table.h"

namespace mirtex {
namespace {

// No element's vectors come near this many entries.
constexpr std::int32_t kMaxCount = 1 << 16;

struct Output {
    mirtex_table_sink sink;
    void* ctx;
    void line(const std::string& s) const { sink(ctx, 0, s.c_str()); }
    void error(const std::string& s) const { sink(ctx, 1, s.c_str()); }
};

struct Record {
    std::uint64_t offset = 0;
    bool verified = false;
    std::int32_t count[4] = {0, 0, 0, 0};
    std::vector<unsigned char> bytes;  // the whole record, counts first

    std::size_t key_bytes() const { return 16 + 4u * count[0] + 8u * count[1]; }
    std::string_view key() const { return {reinterpret_cast<const char*>(bytes.data()), key_bytes()}; }
    // The values of one vector, copied out: a record's vectors lie at any
    // byte offset, so they are never read in place.
    template <typename T>
    std::vector<T> values(std::size_t byte, int n) const {
        std::vector<T> v(static_cast<std::size_t>(n));
        if (n > 0) std::memcpy(v.data(), bytes.data() + byte, v.size() * sizeof(T));
        return v;
    }
    std::vector<int> ipar() const { return values<int>(16, count[0]); }
    std::vector<double> dpar() const { return values<double>(16 + 4u * count[0], count[1]); }
    std::vector<int> ipar_out() const { return values<int>(key_bytes(), count[2]); }
    std::vector<double> dpar_out() const { return values<double>(key_bytes() + 4u * count[2], count[3]); }
};

struct Range {
    std::uint64_t begin, end;
};

struct Walk {
    const CalcKind* kind = nullptr;
    bool header_ok = false;
    std::uint64_t size = 0;
    Checksums sums;
    std::vector<Record> records;
    std::vector<Range> damaged;
    std::size_t verified() const {
        return static_cast<std::size_t>(std::count_if(records.begin(), records.end(), [](const Record& r) { return r.verified; }));
    }
};

std::string base_name(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}


std::vector<unsigned char> header_of(const CalcKind& k) {
    const std::int32_t n = static_cast<std::int32_t>(std::strlen(k.ident) + 1);
    std::vector<unsigned char> h(4 + static_cast<std::size_t>(n));
    std::memcpy(h.data(), &n, 4);
    std::memcpy(h.data() + 4, k.ident, static_cast<std::size_t>(n));
    return h;
}

bool shape_of_kind(const CalcKind& k, const std::int32_t* c) {
    for (int i = 0; i < 4; ++i)
        if (k.counts[i] >= 0 ? c[i] != k.counts[i] : c[i] > kMaxCount) return false;
    return true;
}

// n bytes that can only be the beginning of a record of this kind cut
// short: counts of the kind's shape (as far as they go) claiming more than n.
bool begins_record(const CalcKind& k, const unsigned char* b, std::uint64_t n) {
    std::int32_t c[4] = {0, 0, 0, 0};
    std::memcpy(c, b, static_cast<std::size_t>(std::min<std::uint64_t>(n, 16)));
    if (n >= 16) {
        if (!shape_of_kind(k, c)) return false;
        const std::uint64_t len = 16 + 4u * c[0] + 8u * c[1] + 4u * c[2] + 8u * c[3];
        return len > n;
    }
    for (std::uint64_t i = 0; i < n / 4; ++i)
        if (k.counts[i] >= 0 ? c[i] != k.counts[i] : (c[i] < 0 || c[i] > kMaxCount)) return false;
    const std::size_t part = static_cast<std::size_t>(n % 4), i = static_cast<std::size_t>(n / 4);
    return part == 0 || k.counts[i] < 0 || std::memcmp(&c[i], &k.counts[i], part) == 0;
}

// The kind a file holds: by its header, else (a damaged header) by its name.
const CalcKind* kind_of(const std::vector<unsigned char>& f, const std::string& path, bool& header_ok) {
    for (const CalcKind& k : kCalcKinds) {
        const std::vector<unsigned char> h = header_of(k);
        if (f.size() >= h.size() && std::memcmp(f.data(), h.data(), h.size()) == 0) {
            header_ok = true;
            return &k;
        }
    }
    header_ok = false;
    const std::string name = base_name(path);
    for (const CalcKind& k : kCalcKinds)
        if (name == k.file) return &k;
    return nullptr;
}

// The whole file, record by record.  Refuses (returns false) only a file
// that cannot be read or is of no known kind.
bool walk(const std::string& path, Walk& w, std::string& why) {
    std::vector<unsigned char> f;
    if (!read_whole(path, f, &why)) return false;
    w.size = f.size();
    w.kind = kind_of(f, path, w.header_ok);
    if (w.kind == nullptr) {
        why = "not a calculation file (unknown identification and name)";
        return false;
    }
    w.sums = Checksums::load(path);
    // After a damaged header the walk starts at the first byte: the header's
    // own bytes never read as a record.
    std::uint64_t p = w.header_ok ? header_of(*w.kind).size() : 0;
    auto mark = [&](std::uint64_t b, std::uint64_t e) {
        if (!w.damaged.empty() && w.damaged.back().end == b)
            w.damaged.back().end = e;
        else
            w.damaged.push_back({b, e});
    };
    // An unverified record is trusted for its own bytes, not for where it
    // ends: when damage follows right behind it, its counts may be the
    // damaged ones (bytes lost inside it make it reach into the next
    // record), so the walk goes back into it and takes any record that
    // begins inside it and reaches past its end.
    std::uint64_t zone_end = 0, last_start = 0, last_end = 0;
    bool last_unverified = false;
    while (p < f.size()) {
        Record r;
        bool ok = f.size() - p >= 16;
        std::uint64_t len = 16;
        if (ok) {
            std::memcpy(r.count, f.data() + p, 16);
            for (int i = 0; i < 4; ++i) ok = ok && r.count[i] >= 0 && r.count[i] <= kMaxCount;
            ok = ok && r.count[0] > 0 && r.count[1] > 0;
            if (ok) len += 4u * r.count[0] + 8u * r.count[1] + 4u * r.count[2] + 8u * r.count[3];
            ok = ok && len <= f.size() - p && p + len > zone_end;
        }
        if (ok) {
            const std::uint32_t crc = crc32c(f.data() + p, len);
            r.verified = w.sums.lists(static_cast<std::uint32_t>(len), crc);
            r.offset = p;
            r.bytes.assign(f.begin() + static_cast<std::ptrdiff_t>(p), f.begin() + static_cast<std::ptrdiff_t>(p + len));
            ok = r.verified ||
                 (!(w.sums.present() && w.sums.covers(p, len)) && shape_of_kind(*w.kind, r.count) &&
                  result_is_plausible(w.kind->file, r.ipar_out().data(), r.count[2], r.dpar_out().data(), r.count[3]));
        }
        if (ok) {
            last_unverified = !r.verified;
            last_start = p;
            last_end = p += len;
            w.records.push_back(std::move(r));
        } else if (last_unverified && p == last_end) {
            last_unverified = false;
            zone_end = last_end;
            p = last_start + 1;
        } else {
            if (p >= zone_end) mark(p, p + 1);
            ++p;
        }
    }
    // The beginning of one record, as a writer killed mid-append leaves it,
    // is a tear, not damage: the next append cuts it off by itself.
    if (!w.damaged.empty() && w.damaged.back().end == f.size() && w.header_ok &&
        begins_record(*w.kind, f.data() + w.damaged.back().begin, f.size() - w.damaged.back().begin))
        w.damaged.back().begin = w.damaged.back().end;  // an empty range, dropped below
    std::erase_if(w.damaged, [](const Range& r) { return r.end <= r.begin; });
    return true;
}

std::string ranges_text(const std::vector<Range>& d) {
    std::string s;
    for (std::size_t i = 0; i < d.size() && i < 8; ++i)
        s += format("%s%llu-%llu", i ? ", " : "", static_cast<unsigned long long>(d[i].begin),
                    static_cast<unsigned long long>(d[i].end));
    if (d.size() > 8) s += format(" and %zu more", d.size() - 8);
    return s;
}

const char* sums_text(const Checksums& s) {
    switch (s.state()) {
        case Checksums::State::Missing: return "no checksum file";
        case Checksums::State::Foreign: return "checksum file not ours (ignored)";
        case Checksums::State::Present: break;
    }
    return s.damaged_entries() > 0 ? "checksum file partly damaged" : "checksum file";
}

int check_one(const std::string& path, const Output& out) {
    Walk w;
    std::string why;
    if (!walk(path, w, why)) {
        out.error(format("%s: %s", path.c_str(), why.c_str()));
        return MIRTEX_TABLE_REFUSED;
    }
    const std::size_t ver = w.verified();
    std::string line = format("%s: %s, %zu records: %zu verified, %zu unverified, %s; %s", path.c_str(),
                              w.kind->ident, w.records.size(), ver, w.records.size() - ver,
                              w.damaged.empty() ? "no damage" : ("damaged bytes " + ranges_text(w.damaged)).c_str(),
                              sums_text(w.sums));
    if (!w.header_ok) line += "; the identification is damaged";
    if (w.sums.damaged_entries() > 0) line += format(" (%zu damaged entries)", w.sums.damaged_entries());
    out.line(line);
    return w.damaged.empty() && w.header_ok ? MIRTEX_TABLE_OK : MIRTEX_TABLE_DAMAGED;
}

int check(const std::vector<std::string>& paths, const Output& out) {
    int status = MIRTEX_TABLE_OK;
    for (const std::string& p : paths) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            // A table directory: every calculation file of a known kind in it.
            std::size_t found = 0;
            const std::string dir = p.back() == '/' ? p : p + "/";
            for (const CalcKind& k : kCalcKinds) {
                struct stat fs {};
                if (::stat((dir + k.file).c_str(), &fs) != 0) continue;
                ++found;
                status = std::max(status, check_one(dir + k.file, out));
            }
            if (found == 0) out.line(format("%s: no calculation files", p.c_str()));
            continue;
        }
        status = std::max(status, check_one(p, out));
    }
    return status;
}

// ---------------------------------------------------------------- list

using debug::Shown;

// An integer input in grid steps ("2*S/DL") as the netlist's word in um.
std::optional<Shown> shown_int(std::string_view name, int v, double dl) {
    const auto slash = name.find("/DL");
    if (slash == std::string_view::npos || dl <= 0) return std::nullopt;
    std::string_view word = name.substr(0, slash);
    double scale = dl * 1e6;
    if (word.rfind("2*", 0) == 0) {
        word.remove_prefix(2);
        scale /= 2;
    }
    return Shown{std::string(word), v * scale, "um"};
}


int list(const std::string& path, bool csv, const Output& out) {
    Walk w;
    std::string why;
    if (!walk(path, w, why)) {
        out.error(format("%s: %s", path.c_str(), why.c_str()));
        return MIRTEX_TABLE_REFUSED;
    }
    const debug::SlotNames* names = debug::slot_names(w.kind->label);
    // The named slots of each vector, as far as the record holds them.
    auto named = [](const std::vector<std::string_view>* v, int n) {
        std::vector<std::string> r = v != nullptr ? debug::plain_names(*v) : std::vector<std::string>{};
        if (r.size() > static_cast<std::size_t>(n)) r.resize(static_cast<std::size_t>(n));
        return r;
    };
    bool header_done = false;
    for (const Record& r : w.records) {
        const auto in_i = named(names ? &names->ipar : nullptr, r.count[0]);
        const auto in_d = named(names ? &names->dpar : nullptr, r.count[1]);
        const auto out_d = named(names ? &names->dpar_out : nullptr, r.count[3]);
        if (csv) {
            // Raw SI values of every named slot, for scripts.
            if (!header_done) {
                std::string h = "offset,status";
                for (const auto* v : {&in_i, &in_d, &out_d})
                    for (const std::string& n : *v) h += "," + n;
                out.line(h);
                header_done = true;
            }
            std::string l = format("%llu,%s", static_cast<unsigned long long>(r.offset), r.verified ? "verified" : "unverified");
            const auto ip = r.ipar();
            const auto dp = r.dpar();
            const auto dout = r.dpar_out();
            for (std::size_t i = 0; i < in_i.size(); ++i) l += format(",%d", ip[i]);
            for (std::size_t i = 0; i < in_d.size(); ++i) l += format(",%.17g", dp[i]);
            for (std::size_t i = 0; i < out_d.size(); ++i) l += format(",%.17g", dout[i]);
            out.line(l);
            continue;
        }
        const auto ip = r.ipar();
        const auto dp = r.dpar();
        const auto dout = r.dpar_out();
        double dl = 0;
        for (std::size_t i = 0; i < in_d.size(); ++i)
            if (in_d[i] == "DL[m]") dl = dp[i];
        std::string l = format("@%llu %s ", static_cast<unsigned long long>(r.offset), r.verified ? "verified  " : "unverified");
        // Each word once (a width may be stored in grid steps and in metres).
        std::set<std::string> said;
        auto say = [&](const Shown& s, const char* fmt) {
            if (said.insert(s.word).second) l += format(fmt, s.word.c_str(), s.value, s.unit);
        };
        // A width held in whole steps (W/DL) and in half steps (2*W/DL):
        // only the half steps keep a width like 16.25 um at DL 2.5 um.
        std::vector<Shown> ints;
        for (std::size_t i = 0; i < in_i.size(); ++i)
            if (const auto s = shown_int(in_i[i], ip[i], dl)) {
                const auto it = std::find_if(ints.begin(), ints.end(), [&](const Shown& x) { return x.word == s->word; });
                if (it == ints.end())
                    ints.push_back(*s);
                else if (in_i[i].rfind("2*", 0) == 0)
                    *it = *s;
            }
        for (const Shown& s : ints) say(s, " %s=%.4g%s");
        for (std::size_t i = 0; i < in_d.size(); ++i) {
            const Shown s = debug::shown(in_d[i], dp[i]);
            // The geometry and the materials; solver settings stay in the CSV.
            if (std::strcmp(s.unit, "um") == 0 || s.word.rfind("ER", 0) == 0 || s.word.rfind("die_", 0) == 0)
                say(s, " %s=%.4g%s");
        }
        l += "  |";
        for (std::size_t i = 0; i < out_d.size(); ++i) {
            const Shown s = debug::shown(out_d[i], dout[i]);
            if (std::strcmp(s.unit, "um") != 0) l += format(" %s=%.5g%s", s.word.c_str(), s.value, s.unit);
        }
        out.line(l);
    }
    if (!w.damaged.empty())
        out.error(format("%s: damaged bytes %s", path.c_str(), ranges_text(w.damaged).c_str()));
    return MIRTEX_TABLE_OK;
}

// --------------------------------------------------------- repair, merge

class LockedFd {
public:
    explicit LockedFd(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644)) {
        if (fd_ >= 0) lock_exclusive(fd_);
    }
    ~LockedFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    LockedFd(const LockedFd&) = delete;
    LockedFd& operator=(const LockedFd&) = delete;
    bool ok() const { return fd_ >= 0; }
    int get() const { return fd_; }

private:
    int fd_;
};

bool write_whole(const std::string& path, const std::vector<unsigned char>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = write_all(fd, bytes) && fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// A calculation file and its checksum file made of these records.
struct Image {
    std::vector<unsigned char> data, sums;
};

Image image_of(const CalcKind& kind, const std::vector<const Record*>& recs) {
    Image im;
    im.data = header_of(kind);
    im.sums = sum_header();
    for (const Record* r : recs) {
        const SumEntry e{im.data.size(), static_cast<std::uint32_t>(r->bytes.size()),
                         crc32c(r->bytes.data(), r->bytes.size())};
        im.data.insert(im.data.end(), r->bytes.begin(), r->bytes.end());
        const auto eb = sum_entry_bytes(e);
        im.sums.insert(im.sums.end(), eb.begin(), eb.end());
    }
    return im;
}

// Put the image in place of path while path's writers' lock is held:
// complete temporary files first, locked themselves so that a writer who
// opens the new file waits until both are in place, then renames (the
// checksum file first: a reader between the two renames finds records the
// checksums do not vouch for, a miss, never a wrong value).
bool replace(const std::string& path, const Image& im, const Output& out) {
    const std::string tmp = format("%s.tmp-%ld", path.c_str(), static_cast<long>(getpid()));
    const bool ok = write_whole(tmp, im.data) && write_whole(sum_path(tmp), im.sums);
    LockedFd hold(tmp, O_RDONLY);
    if (!ok || !hold.ok() || ::rename(sum_path(tmp).c_str(), sum_path(path).c_str()) != 0 ||
        ::rename(tmp.c_str(), path.c_str()) != 0) {
        out.error(format("%s: cannot write the new file (%s); the file is left as it was", path.c_str(), std::strerror(errno)));
        ::unlink(tmp.c_str());
        ::unlink(sum_path(tmp).c_str());
        return false;
    }
    return true;
}

std::string stamp() {
    const std::time_t t = std::time(nullptr);
    std::tm tm {};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%S", &tm);
    return buf;
}

int repair(const std::string& path, const Output& out) {
    LockedFd lock(path, O_RDONLY);
    if (!lock.ok()) {
        out.error(format("%s: %s", path.c_str(), std::strerror(errno)));
        return MIRTEX_TABLE_REFUSED;
    }
    Walk w;
    std::string why;
    if (!walk(path, w, why)) {
        out.error(format("%s: %s", path.c_str(), why.c_str()));
        return MIRTEX_TABLE_REFUSED;
    }
    const bool data_sound = w.damaged.empty() && w.header_ok;
    if (data_sound && w.verified() == w.records.size() && w.sums.damaged_entries() == 0 &&
        w.sums.entries().size() == w.records.size()) {
        out.line(format("%s: %zu records, all verified; nothing to repair", path.c_str(), w.records.size()));
        return MIRTEX_TABLE_OK;
    }
    std::vector<const Record*> keep;
    for (const Record& r : w.records) keep.push_back(&r);
    const Image im = image_of(*w.kind, keep);
    std::string kept;
    if (!data_sound || im.data.size() != w.size) {
        // The original stays beside the new file, checksum file and all,
        // for whoever wants to look at what was lost.
        // A second repair within the same second gets a name of its own.
        std::string old = path + ".damaged-" + stamp();
        const std::string first = old;
        for (int n = 2; ::link(path.c_str(), old.c_str()) != 0 && errno == EEXIST && n < 1000; ++n)
            old = format("%s-%d", first.c_str(), n);
        if (::access(old.c_str(), F_OK) != 0) {
            out.error(format("%s: cannot keep the original as %s (%s); nothing changed", path.c_str(), old.c_str(),
                             std::strerror(errno)));
            return MIRTEX_TABLE_IO_ERROR;
        }
        [[maybe_unused]] const int rc = ::link(sum_path(path).c_str(), sum_path(old).c_str());
        kept = "; the original is kept as " + old;
    }
    if (!replace(path, im, out)) return MIRTEX_TABLE_IO_ERROR;
    out.line(format("%s: %zu records kept (%zu verified, %zu unverified, now all checksummed), %s%s", path.c_str(),
                    w.records.size(), w.verified(), w.records.size() - w.verified(),
                    w.damaged.empty() ? "no damaged bytes" : ("damaged bytes " + ranges_text(w.damaged) + " dropped").c_str(),
                    kept.c_str()));
    return MIRTEX_TABLE_OK;
}

int merge(const std::vector<std::string>& srcs, const std::string& dest, const Output& out) {
    // The destination's writers wait until the merged file is in place; a
    // missing destination is created empty under the lock (its writers
    // then see it replaced and open it again).
    LockedFd lock(dest, O_RDWR | O_CREAT);
    if (!lock.ok()) {
        out.error(format("%s: %s", dest.c_str(), std::strerror(errno)));
        return MIRTEX_TABLE_IO_ERROR;
    }
    struct Source {
        std::string path;
        Walk walk;
        std::int64_t mtime_ns = 0;
    };
    std::vector<Source> all;
    for (const std::string& p : srcs) all.push_back({p, {}, 0});
    struct stat dst {};
    if (fstat(lock.get(), &dst) == 0 && dst.st_size > 0) all.insert(all.begin(), Source{dest, {}, 0});
    for (Source& s : all) {
        std::string why;
        if (!walk(s.path, s.walk, why)) {
            out.error(format("%s: %s", s.path.c_str(), why.c_str()));
            return MIRTEX_TABLE_REFUSED;
        }
        if (s.walk.kind != all.front().walk.kind) {
            out.error(format("%s holds '%s', %s holds '%s': tables of different kinds cannot be merged", s.path.c_str(),
                             s.walk.kind->ident, all.front().path.c_str(), all.front().walk.kind->ident));
            return MIRTEX_TABLE_REFUSED;
        }
        if (!s.walk.damaged.empty())
            out.error(format("%s: damaged bytes %s are left out", s.path.c_str(), ranges_text(s.walk.damaged).c_str()));
        struct stat st {};
        if (::stat(s.path.c_str(), &st) == 0)
            s.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    if (all.empty()) return MIRTEX_TABLE_OK;
    // Newest wins: files by their modification time, a file's later records
    // after its earlier ones.  The merged file keeps the order in which
    // each geometry first appeared.
    std::vector<const Source*> by_age;
    for (const Source& s : all) by_age.push_back(&s);
    std::stable_sort(by_age.begin(), by_age.end(), [](const Source* a, const Source* b) { return a->mtime_ns < b->mtime_ns; });
    std::map<std::string_view, const Record*> newest;
    for (const Source* s : by_age)
        for (const Record& r : s->walk.records) newest[r.key()] = &r;
    std::vector<const Record*> order;
    std::map<std::string_view, bool> placed;
    for (const Source& s : all)
        for (const Record& r : s.walk.records)
            if (!placed[r.key()]) {
                placed[r.key()] = true;
                order.push_back(newest[r.key()]);
            }
    std::size_t total = 0;
    for (const Source& s : all) total += s.walk.records.size();
    if (!replace(dest, image_of(*all.front().walk.kind, order), out)) return MIRTEX_TABLE_IO_ERROR;
    out.line(format("%s: %zu records from %zu files (%zu duplicates left out)", dest.c_str(), order.size(), all.size(),
                    total - order.size()));
    return MIRTEX_TABLE_OK;
}

int run(const char* verb, const char* const* paths, int n_paths, int flags, const Output& out) {
    std::vector<std::string> p;
    for (int i = 0; i < n_paths; ++i) p.emplace_back(paths[i] != nullptr ? paths[i] : "");
    const std::string v = verb != nullptr ? verb : "";
    if (v == "check" && !p.empty()) return check(p, out);
    if (v == "list" && p.size() == 1) return list(p[0], (flags & MIRTEX_TABLE_CSV) != 0, out);
    if (v == "repair" && p.size() == 1) return repair(p[0], out);
    if (v == "merge" && p.size() >= 2) {
        const std::string dest = p.back();
        p.pop_back();
        return merge(p, dest, out);
    }
    out.error("usage: check DIR|FILE... | list FILE | repair FILE | merge SRC... DEST");
    return MIRTEX_TABLE_REFUSED;
}

}  // namespace
}  // namespace mirtex

// Nothing thrown inside (memory running out) reaches the caller.
extern "C" int mirtex_calc_table(const char* verb, const char* const* paths, int n_paths, int flags,
                                 mirtex_table_sink sink, void* ctx) {
    const mirtex::Output out{sink, ctx};
    try {
        return mirtex::run(verb, paths, n_paths, flags, out);
    } catch (...) {
        out.error("out of memory");
        return MIRTEX_TABLE_IO_ERROR;
    }
}
