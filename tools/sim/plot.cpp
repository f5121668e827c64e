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
constexpr double kW = 1080, kH = 470;
constexpr double kX0 = 70, kX1 = 590, kY0 = 50, kY1 = 400;
constexpr double kSmithX = 870, kSmithY = 225, kSmithR = 180;
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

std::string svg_plot(const NetworkData& d, const std::string& title, const std::string& freq_unit) {
    const std::size_t n = d.ports();
    double scale = freq_unit_scale(freq_unit);
    std::string unit = freq_unit;
    if (scale == 0.0) scale = 1e9, unit = "GHz";

    fmt::memory_buffer out;
    auto it = std::back_inserter(out);
    fmt::format_to(it,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\" "
                   "font-family=\"sans-serif\" font-size=\"12\">\n"
                   "<rect width=\"{0}\" height=\"{1}\" fill=\"white\"/>\n"
                   "<text x=\"{2}\" y=\"24\" font-size=\"15\">{3}</text>\n",
                   kW, kH, kX0, xml_escape(title));

    // ------------------------------------------------ |S| in dB against f
    double flo = d.freqs_hz.empty() ? 0.0 : d.freqs_hz.front() / scale;
    double fhi = d.freqs_hz.empty() ? 1.0 : d.freqs_hz.back() / scale;
    if (!(fhi > flo)) {
        const double half = 0.5 * std::max(1.0, std::abs(flo));
        flo -= half;
        fhi = flo + 2 * half;
    }
    double top = -std::numeric_limits<double>::infinity(), bottom = std::numeric_limits<double>::infinity();
    for (const auto& s : d.s)
        for (Eigen::Index k = 0; k < s.size(); ++k) {
            const double v = db(s(k));
            top = std::max(top, v);
            bottom = std::min(bottom, v);
        }
    if (!std::isfinite(top)) top = 0.0, bottom = -40.0;
    bottom = std::max(bottom, top - kRangeDb);
    const auto yt = ticks(bottom - 1e-9, top + 1e-9, 6);
    const double step = yt.size() > 1 ? yt[1] - yt[0] : 10.0;
    const double ylo = std::floor(bottom / step) * step, yhi = std::max(std::ceil(top / step) * step, ylo + step);
    auto px = [&](double f) { return kX0 + (f - flo) / (fhi - flo) * (kX1 - kX0); };
    auto py = [&](double v) { return kY1 - (v - ylo) / (yhi - ylo) * (kY1 - kY0); };

    fmt::format_to(it, "<defs><clipPath id=\"area\"><rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\"/></clipPath>"
                       "<clipPath id=\"smith\"><circle cx=\"{}\" cy=\"{}\" r=\"{}\"/></clipPath></defs>\n",
                   kX0, kY0, kX1 - kX0, kY1 - kY0, kSmithX, kSmithY, kSmithR);
    fmt::format_to(it, "<g stroke=\"#dddddd\" stroke-width=\"1\">\n");
    for (double v : ticks(ylo, yhi, 6))
        fmt::format_to(it, "<line x1=\"{}\" y1=\"{:.2f}\" x2=\"{}\" y2=\"{:.2f}\"/>\n", kX0, py(v), kX1, py(v));
    const auto xt = ticks(flo, fhi, 8);
    for (double f : xt)
        fmt::format_to(it, "<line x1=\"{:.2f}\" y1=\"{}\" x2=\"{:.2f}\" y2=\"{}\"/>\n", px(f), kY0, px(f), kY1);
    fmt::format_to(it, "</g>\n<rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"none\" stroke=\"black\"/>\n",
                   kX0, kY0, kX1 - kX0, kY1 - kY0);
    for (double v : ticks(ylo, yhi, 6))
        fmt::format_to(it, "<text x=\"{}\" y=\"{:.2f}\" text-anchor=\"end\">{:g}</text>\n", kX0 - 6, py(v) + 4, v);
    for (double f : xt)
        fmt::format_to(it, "<text x=\"{:.2f}\" y=\"{}\" text-anchor=\"middle\">{:g}</text>\n", px(f), kY1 + 16, f);
    fmt::format_to(it, "<text x=\"{}\" y=\"{}\" text-anchor=\"middle\">f / {}</text>\n", (kX0 + kX1) / 2, kY1 + 36,
                   xml_escape(unit));
    fmt::format_to(it, "<text x=\"18\" y=\"{}\" text-anchor=\"middle\" transform=\"rotate(-90 18 {})\">|S| / dB</text>\n",
                   (kY0 + kY1) / 2, (kY0 + kY1) / 2);

    fmt::format_to(it, "<g clip-path=\"url(#area)\" fill=\"none\" stroke-width=\"1.6\">\n");
    std::size_t curve = 0;
    for (std::size_t r = 0; r < n; ++r)
        for (std::size_t c = 0; c < n; ++c, ++curve) {
            const char* colour = kColours[curve % kColours.size()];
            const char* dash = curve / kColours.size() % 2 ? " stroke-dasharray=\"6 3\"" : "";
            fmt::format_to(it, "<polyline stroke=\"{}\"{} points=\"", colour, dash);
            for (std::size_t k = 0; k < d.s.size(); ++k) {
                const double v = std::max(db(d.s[k](static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c))),
                                          ylo - (yhi - ylo));
                fmt::format_to(it, "{}{:.2f},{:.2f}", k ? " " : "", px(d.freqs_hz[k] / scale), py(v));
            }
            fmt::format_to(it, "\"/>\n");
            if (d.s.size() == 1)
                fmt::format_to(it, "<circle cx=\"{:.2f}\" cy=\"{:.2f}\" r=\"3\" fill=\"{}\"/>\n",
                               px(d.freqs_hz[0] / scale),
                               py(db(d.s[0](static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)))), colour);
        }
    fmt::format_to(it, "</g>\n");
    // Legend, one entry per parameter, in columns beside the chart.
    curve = 0;
    for (std::size_t r = 0; r < n; ++r)
        for (std::size_t c = 0; c < n; ++c, ++curve) {
            const double lx = kX1 + 12 + 52.0 * static_cast<double>(curve / 24), ly = kY0 + 8 + 14.0 * (curve % 24);
            const char* dash = curve / kColours.size() % 2 ? " stroke-dasharray=\"6 3\"" : "";
            fmt::format_to(it,
                           "<line x1=\"{:.1f}\" y1=\"{:.1f}\" x2=\"{:.1f}\" y2=\"{:.1f}\" stroke=\"{}\" "
                           "stroke-width=\"2\"{}/><text x=\"{:.1f}\" y=\"{:.1f}\">S{}{}{}</text>\n",
                           lx, ly, lx + 14, ly, kColours[curve % kColours.size()], dash, lx + 18, ly + 4, r + 1,
                           n < 10 ? "" : ",", c + 1);
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
