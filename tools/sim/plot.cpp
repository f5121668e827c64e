#include "sim/plot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

#include "sim/output.h"

namespace mirtex::sim {

namespace {

// Plot areas of the panels, the legend's column beside them, and the
// Smith chart's radius.
constexpr double kX0 = 70, kX1 = 590, kY0 = 50, kLegendX = 612, kSmithR = 180;
constexpr double kRow = 14;  // legend line height
constexpr std::array<const char*, 4> kDashes = {"none", "7 3", "2 2", "9 3 2 3"};
// The magnitude chart shows at most this many dB below its highest value.
constexpr double kRangeDb = 100;

constexpr std::array<const char*, 10> kColours = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                                  "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

// Axis ticks at 1, 2 or 5 times a power of ten, about `want` of them.
std::vector<double> ticks(double lo, double hi, int want) {
    const double raw = (hi - lo) / want;
    if (!(raw > 0.0) || !std::isfinite(raw)) return {lo};
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    double step = p;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= raw) {
            step = m * p;
            break;
        }
    std::vector<double> t;
    for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9 && t.size() < 50; k += 1.0)
        t.push_back(std::abs(k) < 0.5 ? 0.0 : k * step);
    return t;
}

double db(std::complex<double> c) { return 20.0 * std::log10(std::max(std::abs(c), 1e-20)); }

// Marker of curve k at (x, y): circle, square, triangle, diamond in turn.
template <class It>
void marker(It& it, std::size_t k, double x, double y, const char* colour) {
    switch (k % 4) {
        case 0: fmt::format_to(it, "<circle class=\"marker\" cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"3\" fill=\"{}\"/>\n", x, y, colour); break;
        case 1:
            fmt::format_to(it, "<rect class=\"marker\" x=\"{:.2f}\" y=\"{:.2f}\" width=\"6\" height=\"6\" fill=\"{}\"/>\n", x - 3,
                           y - 3, colour);
            break;
        case 2:
            fmt::format_to(it, "<polygon class=\"marker\" points=\"{:.2f},{:.2f} {:.2f},{:.2f} {:.2f},{:.2f}\" fill=\"{}\"/>\n", x,
                           y - 4, x - 3.5, y + 3, x + 3.5, y + 3, colour);
            break;
        default:
            fmt::format_to(it, "<polygon class=\"marker\" points=\"{:.2f},{:.2f} {:.2f},{:.2f} {:.2f},{:.2f} {:.2f},{:.2f}\" "
                               "fill=\"{}\"/>\n",
                           x, y - 4, x + 4, y, x, y + 4, x - 4, y, colour);
    }
}

// Colour of trace k of count: ten well-separated colours, and beyond ten
// hues spread evenly round the circle, alternately darker and lighter.
std::string colour(std::size_t k, std::size_t count) {
    if (count <= kColours.size()) return kColours[k];
    const double h = 6.0 * static_cast<double>(k) / static_cast<double>(count);
    const double l = k % 2 ? 0.35 : 0.5, c = (1 - std::abs(2 * l - 1)) * 0.75;
    const double x = c * (1 - std::abs(std::fmod(h, 2.0) - 1)), m = l - c / 2;
    double rgb[3] = {0, 0, 0};
    const int sector = static_cast<int>(h) % 6;
    const int big[6] = {0, 1, 1, 2, 2, 0}, small[6] = {1, 0, 2, 1, 0, 2};
    rgb[big[sector]] = c;
    rgb[small[sector]] = x;
    return fmt::format("#{:02x}{:02x}{:02x}", static_cast<int>(std::lround(255 * (rgb[0] + m))),
                       static_cast<int>(std::lround(255 * (rgb[1] + m))), static_cast<int>(std::lround(255 * (rgb[2] + m))));
}

std::string trace_name(std::size_t r, std::size_t c, std::size_t n) {
    return n < 10 ? fmt::format("S{}{}", r + 1, c + 1) : fmt::format("S{}_{}", r + 1, c + 1);
}

struct Trace {
    std::size_t r, c, index;
    std::string name, colour;
    const char* dash;
};

}  // namespace

std::vector<std::pair<std::size_t, std::size_t>> parse_traces(const std::vector<std::string>& words, std::size_t ports) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (const std::string& w : words) {
        std::size_t r = 0, c = 0;
        const std::string digits = w.size() > 1 && (w[0] == 'S' || w[0] == 's') ? w.substr(1) : "";
        const std::size_t under = digits.find('_');
        const bool ok = digits.find_first_not_of("0123456789_") == std::string::npos && !digits.empty() &&
                        (under == std::string::npos ? digits.size() == 2 && ports < 10
                                                    : under > 0 && under + 1 < digits.size() &&
                                                          digits.find('_', under + 1) == std::string::npos);
        if (ok) {
            r = under == std::string::npos ? static_cast<std::size_t>(digits[0] - '0') : std::stoul(digits.substr(0, under));
            c = under == std::string::npos ? static_cast<std::size_t>(digits[1] - '0') : std::stoul(digits.substr(under + 1));
        }
        if (!ok || r < 1 || c < 1 || r > ports || c > ports)
            throw std::invalid_argument(fmt::format("--traces: '{}' is not a parameter of this {}-port (S21{})", w, ports,
                                                    ports < 10 ? "" : ", or S10_2 from 10 ports on"));
        out.emplace_back(r - 1, c - 1);
    }
    return out;
}

std::vector<double> group_delay(const NetworkData& d, std::size_t r, std::size_t c) {
    const std::size_t m = d.s.size();
    std::vector<double> out(m, std::numeric_limits<double>::quiet_NaN());
    if (m < 2) return out;
    auto at = [&](std::size_t k) { return d.s[k](static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)); };
    for (std::size_t k = 0; k < m; ++k) {
        const std::size_t a = k == 0 ? 0 : k - 1, b = k + 1 == m ? k : k + 1;
        const double dphi = std::arg(at(b) / at(a));
        const double domega = 2 * 3.14159265358979323846 * (d.freqs_hz[b] - d.freqs_hz[a]);
        if (domega > 0 && std::abs(at(a)) > 0 && std::abs(at(b)) > 0) out[k] = -dphi / domega;
    }
    return out;
}

std::string xml_escape(const std::string& s) {
    std::string o;
    for (char c : s) {
        switch (c) {
            case '&': o += "&amp;"; break;
            case '<': o += "&lt;"; break;
            case '>': o += "&gt;"; break;
            case '"': o += "&quot;"; break;
            case '\'': o += "&apos;"; break;
            default:
                // Control characters are not allowed in XML 1.0 text.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') o += c;
        }
    }
    return o;
}

std::string svg_plot(const NetworkData& d, const std::string& title, const PlotOptions& o) {
    const std::size_t n = d.ports();
    double scale = freq_unit_scale(o.freq_unit);
    std::string unit = o.freq_unit;
    if (scale == 0.0) scale = 1e9, unit = "GHz";
    // A log axis needs positive frequencies.
    const bool log_axis = o.log_axis && !d.freqs_hz.empty() && d.freqs_hz.front() > 0.0;

    // The traces, in row order, each with its own colour, dash and marker.
    std::vector<std::pair<std::size_t, std::size_t>> chosen = o.traces;
    if (chosen.empty())
        for (std::size_t r = 0; r < n; ++r)
            for (std::size_t c = 0; c < n; ++c) chosen.emplace_back(r, c);
    std::vector<Trace> traces;
    for (const auto& [r, c] : chosen) {
        const std::size_t k = traces.size();
        traces.push_back({r, c, k, trace_name(r, c, n), colour(k, chosen.size()), kDashes[k % kDashes.size()]});
    }
    auto value = [&](std::size_t k, const Trace& t) {
        return d.s[k](static_cast<Eigen::Index>(t.r), static_cast<Eigen::Index>(t.c));
    };

    // The panels, top to bottom.
    struct Panel {
        std::string label;
        bool reflections, transmissions, phase, delay;
    };
    std::vector<Panel> panels;
    const bool any_refl = std::any_of(traces.begin(), traces.end(), [](const Trace& t) { return t.r == t.c; });
    const bool any_trans = std::any_of(traces.begin(), traces.end(), [](const Trace& t) { return t.r != t.c; });
    if (any_refl) panels.push_back({"reflection |S| / dB", true, false, false, false});
    if (any_trans) panels.push_back({"transmission |S| / dB", false, true, false, false});
    double delay_scale = 1e9;
    if (o.phase) {
        double largest = 0;
        for (const Trace& t : traces)
            for (double v : group_delay(d, t.r, t.c))
                if (std::isfinite(v)) largest = std::max(largest, std::abs(v));
        if (largest < 1e-9) delay_scale = 1e12;
        panels.push_back({"phase / deg", true, true, true, false});
        panels.push_back({delay_scale > 1e9 ? "group delay / ps" : "group delay / ns", true, true, false, true});
    }
    const double panel_h = o.phase ? 250 : 350;
    const double panels_bottom = kY0 + panel_h * static_cast<double>(panels.size()) - 20;

    // The legend's column: as many rows as the panels' height holds, as many
    // columns as the traces need; the Smith chart stands beyond it.
    std::size_t longest = 0;
    for (const Trace& t : traces) longest = std::max(longest, t.name.size());
    const double col_w = 40 + 7.0 * static_cast<double>(longest);
    const auto rows = std::max<std::size_t>(1, static_cast<std::size_t>((panels_bottom - kY0 - 12) / kRow));
    const std::size_t cols = (traces.size() + rows - 1) / rows;
    const double legend_w = static_cast<double>(cols) * col_w + 8;
    const double legend_h = static_cast<double>(std::min(rows, traces.size())) * kRow + 8;
    const double smith_x = kLegendX + legend_w + 50 + kSmithR, smith_y = kY0 + 10 + kSmithR;
    const double width = smith_x + kSmithR + 60;
    const double height = std::max(panels_bottom + 40, smith_y + kSmithR + 80);

    fmt::memory_buffer out;
    auto it = std::back_inserter(out);
    fmt::format_to(it,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\" "
                   "font-family=\"sans-serif\" font-size=\"12\">\n"
                   "<rect width=\"{0}\" height=\"{1}\" fill=\"white\"/>\n"
                   "<text x=\"{2}\" y=\"24\" font-size=\"15\">{3}</text>\n",
                   width, height, kX0, xml_escape(title));
    fmt::format_to(it, "<defs><clipPath id=\"smith\"><circle cx=\"{}\" cy=\"{}\" r=\"{}\"/></clipPath></defs>\n",
                   smith_x, smith_y, kSmithR);

    // The frequency axis, linear or logarithmic.
    double flo = d.freqs_hz.empty() ? 0.0 : d.freqs_hz.front() / scale;
    double fhi = d.freqs_hz.empty() ? 1.0 : d.freqs_hz.back() / scale;
    if (!(fhi > flo)) {
        if (log_axis) {
            flo /= 2, fhi = flo * 4;
        } else {
            const double half = 0.5 * std::max(1.0, std::abs(flo));
            flo -= half;
            fhi = flo + 2 * half;
        }
    }
    auto axis_pos = [&](double f) {
        return log_axis ? (std::log10(f) - std::log10(flo)) / (std::log10(fhi) - std::log10(flo)) : (f - flo) / (fhi - flo);
    };
    std::vector<double> xt;
    if (log_axis) {
        for (double dec = std::pow(10.0, std::floor(std::log10(flo))); dec <= fhi * 1.0000001 && xt.size() < 60; dec *= 10)
            for (double m : {1.0, 2.0, 5.0})
                if (m * dec >= flo * 0.9999999 && m * dec <= fhi * 1.0000001) xt.push_back(m * dec);
    } else {
        xt = ticks(flo, fhi, 8);
    }
    const std::size_t every = std::max<std::size_t>(1, d.s.size() / 8);

    for (std::size_t p = 0; p < panels.size(); ++p) {
        const Panel& pn = panels[p];
        const double y0 = kY0 + static_cast<double>(p) * panel_h, y1 = y0 + panel_h - 60;
        auto shown = [&](const Trace& t) { return t.r == t.c ? pn.reflections : pn.transmissions; };
        // The panel's values per trace and frequency (NaN: not drawn).
        std::vector<std::vector<double>> vals(traces.size());
        for (const Trace& t : traces) {
            if (!shown(t)) continue;
            if (pn.delay) {
                vals[t.index] = group_delay(d, t.r, t.c);
                for (double& v : vals[t.index]) v *= delay_scale;
                continue;
            }
            for (std::size_t k = 0; k < d.s.size(); ++k)
                vals[t.index].push_back(pn.phase ? std::arg(value(k, t)) * 180 / 3.14159265358979323846 : db(value(k, t)));
        }
        double top = -std::numeric_limits<double>::infinity(), bottom = std::numeric_limits<double>::infinity();
        for (const auto& v : vals)
            for (double x : v)
                if (std::isfinite(x)) top = std::max(top, x), bottom = std::min(bottom, x);
        double ylo = -180, yhi = 180, step = 90;
        if (!pn.phase) {
            if (!std::isfinite(top)) top = 0.0, bottom = -1.0;
            if (!pn.delay) bottom = std::max(bottom, top - kRangeDb);
            // The span follows the data: a tenth of a dB of insertion loss
            // fills the panel; a flat curve gets a small span round it.
            if (top - bottom < 1e-3 * std::max(1.0, std::abs(top))) {
                const double pad = 1e-3 * std::max(1.0, std::abs(top));
                top += pad;
                bottom -= pad;
            }
            const auto yt0 = ticks(bottom, top, 6);
            step = yt0.size() > 1 ? yt0[1] - yt0[0] : (top - bottom) / 2;
            ylo = std::floor(bottom / step) * step;
            yhi = std::max(std::ceil(top / step) * step, ylo + step);
        }
        std::vector<double> yt;
        for (double v = ylo; v <= yhi + step * 1e-6 && yt.size() < 50; v += step) yt.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
        auto px = [&](double f) { return kX0 + axis_pos(f) * (kX1 - kX0); };
        auto py = [&](double v) { return y1 - (v - ylo) / (yhi - ylo) * (y1 - y0); };
        const std::string clip = fmt::format("panel{}", p + 1);
        fmt::format_to(it, "<defs><clipPath id=\"{}\"><rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\"/></clipPath></defs>\n",
                       clip, kX0, y0, kX1 - kX0, y1 - y0);
        fmt::format_to(it, "<g stroke=\"#dddddd\" stroke-width=\"1\">\n");
        for (double v : yt) fmt::format_to(it, "<line x1=\"{}\" y1=\"{:.2f}\" x2=\"{}\" y2=\"{:.2f}\"/>\n", kX0, py(v), kX1, py(v));
        for (double f : xt)
            fmt::format_to(it, "<line x1=\"{:.2f}\" y1=\"{}\" x2=\"{:.2f}\" y2=\"{}\"/>\n", px(f), y0, px(f), y1);
        fmt::format_to(it, "</g>\n<rect class=\"panel\" data-label=\"{}\" x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" "
                           "fill=\"none\" stroke=\"black\" data-axis=\"{}\"/>\n",
                       xml_escape(pn.label), kX0, y0, kX1 - kX0, y1 - y0, log_axis ? "log" : "linear");
        for (double v : yt) fmt::format_to(it, "<text x=\"{}\" y=\"{:.2f}\" text-anchor=\"end\">{:g}</text>\n", kX0 - 6, py(v) + 4, v);
        for (double f : xt)
            fmt::format_to(it, "<text x=\"{:.2f}\" y=\"{}\" text-anchor=\"middle\">{:g}</text>\n", px(f), y1 + 16, f);
        fmt::format_to(it, "<text x=\"{}\" y=\"{}\" text-anchor=\"middle\">f / {}{}</text>\n", (kX0 + kX1) / 2, y1 + 34,
                       xml_escape(unit), log_axis ? " (log)" : "");
        fmt::format_to(it, "<text x=\"18\" y=\"{0}\" text-anchor=\"middle\" transform=\"rotate(-90 18 {0})\">{1}</text>\n",
                       (y0 + y1) / 2, xml_escape(pn.label));

        // Markers staggered along each trace, so that equal curves (S21 and
        // S12 of a reciprocal circuit) both stay visible.  A wrapped phase
        // breaks its line where it jumps.
        fmt::format_to(it, "<g clip-path=\"url(#{})\" fill=\"none\" stroke-width=\"1.6\">\n", clip);
        for (const Trace& t : traces) {
            if (!shown(t)) continue;
            const std::string cls = t.name + (pn.phase ? " phase" : pn.delay ? " delay" : "");
            fmt::format_to(it, "<polyline class=\"{}\" stroke=\"{}\" stroke-dasharray=\"{}\" points=\"", cls, t.colour, t.dash);
            bool first = true;
            double before = 0;
            for (std::size_t k = 0; k < d.s.size(); ++k) {
                const double v = vals[t.index][k];
                if (!std::isfinite(v)) continue;
                if (pn.phase && !first && std::abs(v - before) > 180)
                    fmt::format_to(it, "\"/>\n<polyline class=\"{}\" stroke=\"{}\" stroke-dasharray=\"{}\" points=\"", cls,
                                   t.colour, t.dash), first = true;
                fmt::format_to(it, "{}{:.2f},{:.2f}", first ? "" : " ", px(d.freqs_hz[k] / scale), py(std::max(v, ylo - (yhi - ylo))));
                first = false;
                before = v;
            }
            fmt::format_to(it, "\"/>\n");
            for (std::size_t k = (t.index * every / 3) % every; k < d.s.size(); k += every)
                if (std::isfinite(vals[t.index][k]))
                    marker(it, t.index, px(d.freqs_hz[k] / scale), py(std::max(vals[t.index][k], ylo - (yhi - ylo))),
                           t.colour.c_str());
        }
        fmt::format_to(it, "</g>\n");
    }

    // One legend for every panel, in a box of its own beside them.
    fmt::format_to(it, "<rect class=\"legend\" x=\"{}\" y=\"{}\" width=\"{:.1f}\" height=\"{:.1f}\" fill=\"white\" "
                       "stroke=\"#999999\"/>\n",
                   kLegendX - 4, kY0 - 4, legend_w, legend_h);
    for (const Trace& t : traces) {
        const double lx = kLegendX + col_w * static_cast<double>(t.index / rows);
        const double ly = kY0 + 6 + kRow * static_cast<double>(t.index % rows);
        fmt::format_to(it,
                       "<line x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\" stroke=\"{}\" stroke-width=\"2\" "
                       "stroke-dasharray=\"{}\"/>",
                       lx, ly, lx + 22, ly, t.colour, t.dash);
        marker(it, t.index, lx + 11, ly, t.colour.c_str());
        fmt::format_to(it, "<text class=\"legend-entry\" x=\"{:.1f}\" y=\"{:.1f}\">{}</text>\n", lx + 26, ly + 4, t.name);
    }

    // ------------------------------------------------------- Smith chart
    auto sx = [&](double re) { return smith_x + kSmithR * re; };
    auto sy = [&](double im) { return smith_y - kSmithR * im; };
    fmt::format_to(it, "<g fill=\"none\" stroke=\"#bbbbbb\" stroke-width=\"1\" clip-path=\"url(#smith)\">\n");
    for (double rr : {0.2, 0.5, 1.0, 2.0, 5.0})
        fmt::format_to(it, "<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"{:.2f}\"/>\n", sx(rr / (1 + rr)), sy(0),
                       kSmithR / (1 + rr));
    for (double x : {0.2, 0.5, 1.0, 2.0, 5.0})
        for (double sign : {1.0, -1.0})
            fmt::format_to(it, "<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"{:.2f}\"/>\n", sx(1), sy(sign / x), kSmithR / x);
    fmt::format_to(it, "<line x1=\"{}\" y1=\"{}\" x2=\"{}\" y2=\"{}\"/>\n</g>\n", sx(-1), sy(0), sx(1), sy(0));
    fmt::format_to(it, "<circle class=\"smith\" cx=\"{}\" cy=\"{}\" r=\"{}\" fill=\"none\" stroke=\"black\"/>\n", smith_x,
                   smith_y, kSmithR);
    for (double rr : {0.2, 0.5, 1.0, 2.0, 5.0})
        fmt::format_to(it, "<text x=\"{:.2f}\" y=\"{:.2f}\" font-size=\"9\" fill=\"#888888\">{:g}</text>\n",
                       sx((rr - 1) / (rr + 1)) + 2, sy(0) - 3, rr);
    // Reactance circles labelled where they meet the rim: z = jx maps to
    // (jx - 1)/(jx + 1).
    for (double x : {0.2, 0.5, 1.0, 2.0, 5.0})
        for (double sign : {1.0, -1.0}) {
            const std::complex<double> g = (std::complex<double>(0, sign * x) - 1.0) / (std::complex<double>(0, sign * x) + 1.0);
            fmt::format_to(it, "<text class=\"reactance\" x=\"{:.2f}\" y=\"{:.2f}\" font-size=\"9\" fill=\"#888888\" "
                               "text-anchor=\"middle\">{}j{:g}</text>\n",
                           sx(1.08 * g.real()), sy(1.08 * g.imag()) + 3, sign > 0 ? "+" : "-", x);
        }
    // The chosen reflections (S11 when none is chosen), in their colours.
    std::vector<Trace> smith;
    for (const Trace& t : traces)
        if (t.r == t.c) smith.push_back(t);
    if (smith.empty()) smith.push_back({0, 0, 0, trace_name(0, 0, n), "#555555", "none"});
    std::string names;
    for (const Trace& t : smith) names += (names.empty() ? "" : ", ") + t.name;
    const double z1 = d.z_ref.empty() ? 50.0 : d.z_ref.front();
    bool same_ref = true;
    for (const Trace& t : smith) same_ref = same_ref && d.z_ref[t.r] == z1;
    fmt::format_to(it, "<text x=\"{}\" y=\"{}\" text-anchor=\"middle\">{} (reference {:g} ohm{})</text>\n", smith_x,
                   smith_y + kSmithR + 30, names, z1, same_ref ? "" : ", each port its own");
    if (!d.s.empty()) {
        for (const Trace& t : smith) {
            fmt::format_to(it, "<polyline class=\"{} smith-trace\" fill=\"none\" stroke=\"{}\" stroke-width=\"1.8\" points=\"",
                           t.name, t.colour);
            for (std::size_t k = 0; k < d.s.size(); ++k)
                fmt::format_to(it, "{}{:.2f},{:.2f}", k ? " " : "", sx(value(k, t).real()), sy(value(k, t).imag()));
            fmt::format_to(it, "\"/>\n");
        }
        // Frequencies at a few points along the first trace, each label set
        // outwards from the chart's centre.
        const Trace& t = smith.front();
        const std::size_t m = d.s.size();
        std::vector<std::complex<double>> placed = {value(0, t), value(m - 1, t)};
        for (int q = 1; q <= 5 && m > 2; ++q) {
            const std::size_t k = (static_cast<std::size_t>(q) * (m - 1) + 3) / 6;
            const std::complex<double> g = value(k, t);
            // A label closer than about 22 px to another would cover it.
            if (k == 0 || k + 1 >= m ||
                std::any_of(placed.begin(), placed.end(), [&](auto p) { return std::abs(p - g) * kSmithR < 22; }))
                continue;
            placed.push_back(g);
            const double a = std::abs(g) > 0.05 ? std::arg(g) : 0.0;
            fmt::format_to(it, "<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"2.5\" fill=\"{}\"/>", sx(g.real()), sy(g.imag()), t.colour);
            fmt::format_to(it, "<text class=\"freq-label\" x=\"{:.2f}\" y=\"{:.2f}\" font-size=\"10\" text-anchor=\"{}\">{:.4g}</text>\n",
                           sx(g.real()) + 8 * std::cos(a), sy(g.imag()) - 8 * std::sin(a) + 4,
                           std::cos(a) >= 0 ? "start" : "end", d.freqs_hz[k] / scale);
        }
        const auto first = value(0, t), last = value(m - 1, t);
        fmt::format_to(it, "<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"4\" fill=\"{}\"/>\n", sx(first.real()),
                       sy(first.imag()), kColours[2]);
        fmt::format_to(it, "<rect x=\"{:.2f}\" y=\"{:.2f}\" width=\"7\" height=\"7\" fill=\"{}\"/>\n",
                       sx(last.real()) - 3.5, sy(last.imag()) - 3.5, kColours[1]);
        fmt::format_to(it,
                       "<text x=\"{}\" y=\"{}\" font-size=\"11\"><tspan fill=\"{}\">&#9679; {:g} {}</tspan>"
                       "<tspan dx=\"12\" fill=\"{}\">&#9632; {:g} {}</tspan><tspan dx=\"12\">labels in {}</tspan></text>\n",
                       smith_x - kSmithR, smith_y + kSmithR + 48, kColours[2], d.freqs_hz.front() / scale,
                       xml_escape(unit), kColours[1], d.freqs_hz.back() / scale, xml_escape(unit), xml_escape(unit));
    }
    fmt::format_to(it, "</svg>\n");
    return fmt::to_string(out);
}

}  // namespace mirtex::sim
