#include "sim/units.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include <fmt/format.h>

namespace mirtex::sim {

namespace {

constexpr std::array<std::string_view, 8> kUnits = {"m", "Hz", "Ohm", "ohm", "F", "H", "S", "s"};

constexpr std::array<std::pair<char, double>, 9> kPrefixes = {{
    {'f', 1e-15}, {'p', 1e-12}, {'n', 1e-9}, {'u', 1e-6}, {'m', 1e-3},
    {'k', 1e3}, {'M', 1e6}, {'G', 1e9}, {'T', 1e12},
}};

bool is_unit(std::string_view s) {
    for (std::string_view u : kUnits)
        if (s == u) return true;
    return false;
}

// Length of the leading decimal number of text: sign, digits, point,
// exponent.  0 when there is none.  The exponent is taken only when digits
// follow it, so "3e" leaves "e" as the suffix (and fails there).
std::size_t number_length(std::string_view t) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        const std::size_t start = j;
        while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j;
        if (j > start) i = j;
    }
    return i;
}

std::optional<double> number_value(std::string_view t) {
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

std::optional<double> suffix_factor(std::string_view s) {
    if (s.empty() || is_unit(s)) {
        // A lone prefix letter wins over the unit of the same spelling.
        if (s == "m") return 1e-3;
        return 1.0;
    }
    if (s.substr(0, 3) == "meg" && (s.size() == 3 || is_unit(s.substr(3)))) return 1e6;
    for (const auto& [p, f] : kPrefixes)
        if (s[0] == p && (s.size() == 1 || is_unit(s.substr(1)))) return f;
    return std::nullopt;
}

bool is_bare_number(std::string_view t) {
    const std::size_t n = number_length(t);
    return n > 0 && n == t.size();
}

std::optional<double> parse_quantity(std::string_view text, std::string& why) {
    const std::size_t n = number_length(text);
    if (n == 0) {
        why = fmt::format("bad number '{}'", text);
        return std::nullopt;
    }
    const auto v = number_value(text.substr(0, n));
    if (!v) {
        why = fmt::format("bad number '{}' (out of range)", text);
        return std::nullopt;
    }
    const auto f = suffix_factor(text.substr(n));
    if (!f) {
        why = fmt::format("bad number or unit '{}' (unknown unit '{}')", text, text.substr(n));
        return std::nullopt;
    }
    const double r = *v * *f;
    if (!std::isfinite(r)) {
        why = fmt::format("bad number '{}' (out of range)", text);
        return std::nullopt;
    }
    return r;
}

std::optional<int> parse_whole(std::string_view text, std::string& why) {
    const auto v = parse_quantity(text, why);
    if (!v) return std::nullopt;
    if (*v != std::trunc(*v) || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max()) {
        why = fmt::format("'{}' is not a whole number", text);
        return std::nullopt;
    }
    return static_cast<int>(*v);
}

bool is_length_keyword(std::string_view k) {
    static constexpr std::string_view kExact[] = {"L",  "L1", "L2", "S",  "GW", "H1", "H2",     "H3",     "DL", "GAP",
                                                  "WG", "SL", "TL", "BW", "BG", "BS", "SG1",    "SG2",    "WF", "SF",
                                                  "LF", "G",  "WL", "WT", "ST", "I_DIA1", "I_DIA2", "res_l"};
    for (std::string_view e : kExact)
        if (k == e) return true;
    // A stem followed by digits (W1, t2, die_h1, cap_os2 ...), or S<k>_<k+1>.
    for (std::string_view stem : {"W", "t", "die_h", "cap_os", "cap_l", "res_l"})
        if (k.size() > stem.size() && k.substr(0, stem.size()) == stem &&
            k.find_first_not_of("0123456789", stem.size()) == std::string_view::npos)
            return true;
    return k.size() >= 4 && k[0] == 'S' && k.find('_') != std::string_view::npos &&
           k.find_first_not_of("0123456789_", 1) == std::string_view::npos;
}

std::string in_written_units(double v, std::string_view written, bool length) {
    std::string_view suffix = written.substr(number_length(written));
    const auto f = suffix_factor(suffix);
    if (suffix.empty() || !f) {
        if (!length || v == 0) return fmt::format("{:g}", v);
        suffix = "um";
    }
    return fmt::format("{:g} {}", v / *suffix_factor(suffix), suffix);
}

std::string exact_text(double v) {
    // fmt's default formatting is the shortest text that reads back exactly.
    return fmt::format("{}", v);
}

}  // namespace mirtex::sim
