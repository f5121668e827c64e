#include "sim/plot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "sim/output.h"

namespace mirtex::sim {

namespace {

// Plot area of the magnitude chart and place of the Smith chart.
constexpr double kW = 1080, kH = 760;
constexpr double kX0 = 70, kX1 = 590, kY0 = 50, kPanel = 350;
constexpr double kSmithX = 870, kSmithY = 225, kSmithR = 180;
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

}  // namespace

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

std::string svg_plot(const NetworkData& d, const std::string& title, const std::string& freq_unit, bool log_axis) {
    const std::size_t n = d.ports();
    double scale = freq_unit_scale(freq_unit);
    std::string unit = freq_unit;
    if (scale == 0.0) scale = 1e9, unit = "GHz";
    // A log axis needs positive frequencies.
    log_axis = log_axis && !d.freqs_hz.empty() && d.freqs_hz.front() > 0.0;

    fmt::memory_buffer out;
    auto it = std::back_inserter(out);
    std::vector<std::string> legends;
    fmt::format_to(it,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\" "
                   "font-family=\"sans-serif\" font-size=\"12\">\n"
                   "<rect width=\"{0}\" height=\"{1}\" fill=\"white\"/>\n"
                   "<text x=\"{2}\" y=\"24\" font-size=\"15\">{3}</text>\n",
                   kW, kH, kX0, xml_escape(title));
    fmt::format_to(it, "<defs><clipPath id=\"smith\"><circle cx=\"{}\" cy=\"{}\" r=\"{}\"/></clipPath></defs>\n",
                   kSmithX, kSmithY, kSmithR);

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

    // One panel per kind of parameter: reflections, then transmissions.
    std::size_t panel = 0;
    for (const bool reflections : {true, false}) {
        if (!reflections && n < 2) break;
        const double y0 = kY0 + panel * kPanel, y1 = y0 + kPanel - 60;
        ++panel;
        auto shown = [&](std::size_t r, std::size_t c) { return (r == c) == reflections; };
        double top = -std::numeric_limits<double>::infinity(), bottom = std::numeric_limits<double>::infinity();
        for (const auto& s : d.s)
            for (std::size_t r = 0; r < n; ++r)
                for (std::size_t c = 0; c < n; ++c)
                    if (shown(r, c)) {
                        const double v = db(s(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)));
                        top = std::max(top, v);
                        bottom = std::min(bottom, v);
                    }
        if (!std::isfinite(top)) top = 0.0, bottom = -40.0;
        bottom = std::max(bottom, top - kRangeDb);
        // Small spans keep a fine scale: 0.1 dB of insertion loss must show.
        if (top - bottom < 0.5) bottom = top - 0.5;
        const auto yt0 = ticks(bottom - 1e-9, top + 1e-9, 6);
        const double step = yt0.size() > 1 ? yt0[1] - yt0[0] : 10.0;
        const double ylo = std::floor(bottom / step) * step, yhi = std::max(std::ceil(top / step) * step, ylo + step);
        auto px = [&](double f) { return kX0 + axis_pos(f) * (kX1 - kX0); };
        auto py = [&](double v) { return y1 - (v - ylo) / (yhi - ylo) * (y1 - y0); };
        const std::string clip = fmt::format("panel{}", panel);
        fmt::format_to(it, "<defs><clipPath id=\"{}\"><rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\"/></clipPath></defs>\n",
                       clip, kX0, y0, kX1 - kX0, y1 - y0);
        fmt::format_to(it, "<g stroke=\"#dddddd\" stroke-width=\"1\">\n");
        for (double v : ticks(ylo, yhi, 6))
            fmt::format_to(it, "<line x1=\"{}\" y1=\"{:.2f}\" x2=\"{}\" y2=\"{:.2f}\"/>\n", kX0, py(v), kX1, py(v));
        for (double f : xt)
            fmt::format_to(it, "<line x1=\"{:.2f}\" y1=\"{}\" x2=\"{:.2f}\" y2=\"{}\"/>\n", px(f), y0, px(f), y1);
        fmt::format_to(it, "</g>\n<rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"none\" stroke=\"black\" "
                           "data-axis=\"{}\"/>\n",
                       kX0, y0, kX1 - kX0, y1 - y0, log_axis ? "log" : "linear");
        for (double v : ticks(ylo, yhi, 6))
            fmt::format_to(it, "<text x=\"{}\" y=\"{:.2f}\" text-anchor=\"end\">{:g}</text>\n", kX0 - 6, py(v) + 4, v);
        for (double f : xt)
            fmt::format_to(it, "<text x=\"{:.2f}\" y=\"{}\" text-anchor=\"middle\">{:g}</text>\n", px(f), y1 + 16, f);
        fmt::format_to(it, "<text x=\"{}\" y=\"{}\" text-anchor=\"middle\">f / {}{}</text>\n", (kX0 + kX1) / 2, y1 + 34,
                       xml_escape(unit), log_axis ? " (log)" : "");
        fmt::format_to(it, "<text x=\"18\" y=\"{0}\" text-anchor=\"middle\" transform=\"rotate(-90 18 {0})\">{1} / dB</text>\n",
                       (y0 + y1) / 2, reflections ? "reflection |S|" : "transmission |S|");

        // Every parameter its own colour, dash pattern and marker shape, the
        // markers staggered so that equal curves (S21 and S12 of a
        // reciprocal circuit) both stay visible.
        fmt::format_to(it, "<g clip-path=\"url(#{})\" fill=\"none\" stroke-width=\"1.6\">\n", clip);
        std::size_t curve = 0, legend = 0;
        const std::size_t every = std::max<std::size_t>(1, d.s.size() / 8);
        for (std::size_t r = 0; r < n; ++r)
            for (std::size_t c = 0; c < n; ++c, ++curve) {
                if (!shown(r, c)) continue;
                const char* colour = kColours[curve % kColours.size()];
                const char* dash = kDashes[legend % kDashes.size()];
                fmt::format_to(it, "<polyline class=\"S{}{}{}\" stroke=\"{}\" stroke-dasharray=\"{}\" points=\"", r + 1,
                               n < 10 ? "" : ",", c + 1, colour, dash);
                for (std::size_t k = 0; k < d.s.size(); ++k) {
                    const double v = std::max(db(d.s[k](static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c))),
                                              ylo - (yhi - ylo));
                    fmt::format_to(it, "{}{:.2f},{:.2f}", k ? " " : "", px(d.freqs_hz[k] / scale), py(v));
                }
                fmt::format_to(it, "\"/>\n");
                for (std::size_t k = (legend * every / 3) % every; k < d.s.size(); k += every)
                    marker(it, legend, px(d.freqs_hz[k] / scale),
                           py(db(d.s[k](static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)))), colour);
                const double lx = kX1 + 12 + 52.0 * static_cast<double>(legend / 16), ly = y0 + 8 + 14.0 * (legend % 16);
                legends.push_back(fmt::format(
                    "<line x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\" stroke=\"{}\" stroke-width=\"2\" "
                    "stroke-dasharray=\"{}\"/><text x=\"{:.1f}\" y=\"{:.1f}\">S{}{}{}</text>\n",
                    lx, ly, lx + 14, ly, colour, dash, lx + 18, ly + 4, r + 1, n < 10 ? "" : ",", c + 1));
                ++legend;
            }
        fmt::format_to(it, "</g>\n");
        for (const std::string& l : legends) fmt::format_to(it, "{}", l);
        legends.clear();
    }

    // ------------------------------------------------------- Smith chart
    auto sx = [](double re) { return kSmithX + kSmithR * re; };
    auto sy = [](double im) { return kSmithY - kSmithR * im; };
    fmt::format_to(it, "<g fill=\"none\" stroke=\"#bbbbbb\" stroke-width=\"1\" clip-path=\"url(#smith)\">\n");
    for (double rr : {0.2, 0.5, 1.0, 2.0, 5.0})
        fmt::format_to(it, "<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"{:.2f}\"/>\n", sx(rr / (1 + rr)), sy(0),
                       kSmithR / (1 + rr));
    for (double x : {0.2, 0.5, 1.0, 2.0, 5.0})
        for (double sign : {1.0, -1.0})
            fmt::format_to(it, "<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"{:.2f}\"/>\n", sx(1), sy(sign / x), kSmithR / x);
    fmt::format_to(it, "<line x1=\"{}\" y1=\"{}\" x2=\"{}\" y2=\"{}\"/>\n</g>\n", sx(-1), sy(0), sx(1), sy(0));
    fmt::format_to(it, "<circle cx=\"{}\" cy=\"{}\" r=\"{}\" fill=\"none\" stroke=\"black\"/>\n", kSmithX, kSmithY,
                   kSmithR);
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
    const double z1 = d.z_ref.empty() ? 50.0 : d.z_ref.front();
    fmt::format_to(it, "<text x=\"{}\" y=\"{}\" text-anchor=\"middle\">S11 (reference {:g} ohm)</text>\n", kSmithX,
                   kSmithY + kSmithR + 30, z1);
    if (!d.s.empty()) {
        fmt::format_to(it, "<polyline fill=\"none\" stroke=\"{}\" stroke-width=\"1.8\" points=\"", kColours[0]);
        for (std::size_t k = 0; k < d.s.size(); ++k)
            fmt::format_to(it, "{}{:.2f},{:.2f}", k ? " " : "", sx(d.s[k](0, 0).real()), sy(d.s[k](0, 0).imag()));
        fmt::format_to(it, "\"/>\n");
        const auto first = d.s.front()(0, 0), last = d.s.back()(0, 0);
        fmt::format_to(it, "<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"4\" fill=\"{}\"/>\n", sx(first.real()),
                       sy(first.imag()), kColours[2]);
        fmt::format_to(it, "<rect x=\"{:.2f}\" y=\"{:.2f}\" width=\"7\" height=\"7\" fill=\"{}\"/>\n",
                       sx(last.real()) - 3.5, sy(last.imag()) - 3.5, kColours[1]);
        fmt::format_to(it,
                       "<text x=\"{}\" y=\"{}\" font-size=\"11\"><tspan fill=\"{}\">&#9679; {:g} {}</tspan>"
                       "<tspan dx=\"12\" fill=\"{}\">&#9632; {:g} {}</tspan></text>\n",
                       kSmithX - kSmithR, kSmithY + kSmithR + 48, kColours[2], d.freqs_hz.front() / scale,
                       xml_escape(unit), kColours[1], d.freqs_hz.back() / scale, xml_escape(unit));
    }
    fmt::format_to(it, "</svg>\n");
    return fmt::to_string(out);
}

}  // namespace mirtex::sim
