#include "sim/output.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "sim/units.h"

namespace mirtex::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

const char* kind_letter(ParamKind k) { return k == ParamKind::S ? "S" : k == ParamKind::Y ? "Y" : "Z"; }
const char* format_name(NumberFormat f) { return f == NumberFormat::MA ? "MA" : f == NumberFormat::DB ? "DB" : "RI"; }

// The two numbers of one complex value in the chosen format.  An exact zero
// in DB is written as -400 dB, since Touchstone has no infinity.
std::pair<double, double> pair_of(std::complex<double> c, NumberFormat f) {
    switch (f) {
        case NumberFormat::RI: return {c.real(), c.imag()};
        case NumberFormat::DB: return {20.0 * std::log10(std::max(std::abs(c), 1e-20)), std::arg(c) * 180.0 / kPi};
        default: return {std::abs(c), std::arg(c) * 180.0 / kPi};
    }
}

// Names of the two numbers of a pair, for column headers.
std::pair<const char*, const char*> column_names(NumberFormat f) {
    if (f == NumberFormat::RI) return {"re", "im"};
    return {f == NumberFormat::DB ? "dB" : "mag", "deg"};
}

std::string param_name(const char* letter, std::size_t r, std::size_t c, std::size_t n) {
    return n < 10 ? fmt::format("{}{}{}", letter, r + 1, c + 1) : fmt::format("{}{}_{}", letter, r + 1, c + 1);
}

// The matrices to write, converted from S as asked, with the scale of
// version-1 normalisation applied.
std::vector<Eigen::MatrixXcd> matrices(const NetworkData& d, ParamKind kind, double normalise) {
    std::vector<Eigen::MatrixXcd> out;
    out.reserve(d.s.size());
    for (std::size_t k = 0; k < d.s.size(); ++k) {
        try {
            out.push_back(convert(d.s[k], d.z_ref, kind) * normalise);
        } catch (const std::domain_error& e) {
            throw std::domain_error(fmt::format("{} at {:g} Hz", e.what(), d.freqs_hz[k]));
        }
    }
    return out;
}

bool same_references(const std::vector<double>& z) {
    for (double v : z)
        if (v != z.front()) return false;
    return true;
}

std::string unit_name(const std::string& unit) {
    for (const char* u : {"Hz", "kHz", "MHz", "GHz"})
        if (strcasecmp(u, unit.c_str()) == 0) return u;
    throw std::invalid_argument("unknown frequency unit '" + unit + "'");
}

}  // namespace

double freq_unit_scale(const std::string& unit) {
    if (strcasecmp(unit.c_str(), "Hz") == 0) return 1.0;
    if (strcasecmp(unit.c_str(), "kHz") == 0) return 1e3;
    if (strcasecmp(unit.c_str(), "MHz") == 0) return 1e6;
    if (strcasecmp(unit.c_str(), "GHz") == 0) return 1e9;
    return 0.0;
}

std::string touchstone(const NetworkData& d, const OutputOptions& o) {
    const std::size_t n = d.ports();
    const double scale = freq_unit_scale(o.freq_unit);
    const std::string unit = unit_name(o.freq_unit);
    const bool v2 = !same_references(d.z_ref);
    const double r = d.z_ref.front();
    // Version 1 normalises Y and Z to the reference resistance.
    const double norm = v2 || o.kind == ParamKind::S ? 1.0 : o.kind == ParamKind::Y ? r : 1.0 / r;
    const auto m = matrices(d, o.kind, norm);

    fmt::memory_buffer out;
    auto it = std::back_inserter(out);
    if (!o.comment.empty()) fmt::format_to(it, "! {}\n", o.comment);
    fmt::format_to(it, "! {}-parameters of {} port{} at {} frequenc{}\n", kind_letter(o.kind), n, n == 1 ? "" : "s",
                   d.freqs_hz.size(), d.freqs_hz.size() == 1 ? "y" : "ies");
    if (v2) fmt::format_to(it, "[Version] 2.0\n");
    fmt::format_to(it, "# {} {} {} R {}\n", unit, kind_letter(o.kind), format_name(o.format), exact_text(r));
    if (v2) {
        fmt::format_to(it, "[Number of Ports] {}\n", n);
        if (n == 2) fmt::format_to(it, "[Two-Port Data Order] 21_12\n");
        fmt::format_to(it, "[Number of Frequencies] {}\n[Reference]", d.freqs_hz.size());
        for (double z : d.z_ref) fmt::format_to(it, " {}", exact_text(z));
        fmt::format_to(it, "\n[Network Data]\n");
    }
    // Two-ports in the order 11 21 12 22; larger matrices row by row, each
    // row on a line of its own with at most four pairs per line.
    std::vector<std::pair<std::size_t, std::size_t>> order;
    if (n == 2)
        order = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    else
        for (std::size_t a = 0; a < n; ++a)
            for (std::size_t b = 0; b < n; ++b) order.emplace_back(a, b);
    for (std::size_t k = 0; k < m.size(); ++k) {
        fmt::format_to(it, "{:.15g}", d.freqs_hz[k] / scale);
        for (std::size_t q = 0; q < order.size(); ++q) {
            const auto [a, b] = order[q];
            if (n > 2 && q > 0 && (b == 0 || b % 4 == 0)) fmt::format_to(it, "\n ");
            const auto [x, y] = pair_of(m[k](static_cast<Eigen::Index>(a), static_cast<Eigen::Index>(b)), o.format);
            fmt::format_to(it, " {:.12g} {:.12g}", x, y);
        }
        fmt::format_to(it, "\n");
    }
    if (v2) fmt::format_to(it, "[End]\n");
    return fmt::to_string(out);
}

std::string csv(const NetworkData& d, const OutputOptions& o) {
    const std::size_t n = d.ports();
    const auto m = matrices(d, o.kind, 1.0);
    const auto [a, b] = column_names(o.format);
    fmt::memory_buffer out;
    auto it = std::back_inserter(out);
    fmt::format_to(it, "freq_Hz");
    for (std::size_t r = 0; r < n; ++r)
        for (std::size_t c = 0; c < n; ++c) {
            const std::string p = param_name(kind_letter(o.kind), r, c, n);
            fmt::format_to(it, ",{}_{},{}_{}", p, a, p, b);
        }
    fmt::format_to(it, "\n");
    for (std::size_t k = 0; k < m.size(); ++k) {
        fmt::format_to(it, "{}", exact_text(d.freqs_hz[k]));
        for (Eigen::Index r = 0; r < m[k].rows(); ++r)
            for (Eigen::Index c = 0; c < m[k].cols(); ++c) {
                const auto [x, y] = pair_of(m[k](r, c), o.format);
                fmt::format_to(it, ",{:.12g},{:.12g}", x, y);
            }
        fmt::format_to(it, "\n");
    }
    return fmt::to_string(out);
}

std::string table(const NetworkData& d, const OutputOptions& o) {
    const std::size_t n = d.ports();
    const double scale = freq_unit_scale(o.freq_unit);
    const auto m = matrices(d, o.kind, 1.0);
    const auto [a, b] = column_names(o.format);
    fmt::memory_buffer out;
    auto it = std::back_inserter(out);
    fmt::format_to(it, "# {}-parameters, reference", kind_letter(o.kind));
    for (double z : d.z_ref) fmt::format_to(it, " {}", exact_text(z));
    fmt::format_to(it, " ohm\n{:>12}", "f/" + unit_name(o.freq_unit));
    for (std::size_t r = 0; r < n; ++r)
        for (std::size_t c = 0; c < n; ++c) {
            const std::string p = param_name(kind_letter(o.kind), r, c, n);
            fmt::format_to(it, " {:>12} {:>9}", p + " " + a, b);
        }
    fmt::format_to(it, "\n");
    for (std::size_t k = 0; k < m.size(); ++k) {
        fmt::format_to(it, "{:>12.6g}", d.freqs_hz[k] / scale);
        for (Eigen::Index r = 0; r < m[k].rows(); ++r)
            for (Eigen::Index c = 0; c < m[k].cols(); ++c) {
                const auto [x, y] = pair_of(m[k](r, c), o.format);
                fmt::format_to(it, " {:>12.6g} {:>9.3f}", x, y);
            }
        fmt::format_to(it, "\n");
    }
    return fmt::to_string(out);
}

// ------------------------------------------------------------ PendingFile

namespace {

// All of content to fd; false on an error (errno says which).
bool write_all(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t w = ::write(fd, content.data() + done, content.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace

PendingFile::PendingFile(const std::string& path, const std::string& content) : path_(path) {
    // A device or a pipe (-o /dev/null, -o /dev/stdout) is written into as a
    // shell redirect would: renaming a file over it would replace the
    // device itself.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        direct_ = content;
        return;
    }
    const std::filesystem::path p(path);
    const std::filesystem::path dir = p.has_parent_path() ? p.parent_path() : std::filesystem::path(".");
    std::string tmpl = (dir / ("." + p.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(tmpl.data());
    if (fd < 0) throw std::runtime_error(fmt::format("cannot write {}: {}", path, std::strerror(errno)));
    temp_ = tmpl;
    // mkstemp makes the file private; give it the mode a plain create would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    if (!write_all(fd, content)) {
        const int e = errno;
        ::close(fd);
        throw std::runtime_error(fmt::format("cannot write {}: {}", path, std::strerror(e)));
    }
    if (::close(fd) != 0) throw std::runtime_error(fmt::format("cannot write {}: {}", path, std::strerror(errno)));
}

PendingFile::~PendingFile() {
    if (!done_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void PendingFile::commit() {
    if (direct_) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        const bool ok = fd >= 0 && write_all(fd, *direct_);
        const int e = errno;
        if (fd >= 0) ::close(fd);
        if (!ok) throw std::runtime_error(fmt::format("cannot write {}: {}", path_, std::strerror(e)));
        done_ = true;
        return;
    }
    if (std::rename(temp_.c_str(), path_.c_str()) != 0)
        throw std::runtime_error(fmt::format("cannot write {}: {}", path_, std::strerror(errno)));
    done_ = true;
}

}  // namespace mirtex::sim
