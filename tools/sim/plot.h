// A self-contained SVG picture of a sweep: |S| in dB against frequency, the
// reflections (S11, S22, ...) in one panel and the transmissions in another
// on its own scale; on request the phase and the group delay in panels of
// their own; and the reflections on a Smith chart with labelled resistance
// and reactance circles and frequencies along the trace.  Every trace has
// its own colour, dash and marker, so that equal curves stay visible, and
// one legend beside the panels names them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sim/analysis.h"

namespace mirtex::sim {

struct PlotOptions {
    std::string freq_unit = "GHz";  // as in OutputOptions
    bool log_axis = false;          // frequency on a logarithmic axis (for log sweeps)
    bool phase = false;             // phase and group delay panels
    // The parameters drawn, (row, column) from 0; empty: all of them.
    std::vector<std::pair<std::size_t, std::size_t>> traces;
};

// title is shown above the charts.
std::string svg_plot(const NetworkData& d, const std::string& title, const PlotOptions& o);

inline std::string svg_plot(const NetworkData& d, const std::string& title, const std::string& freq_unit = "GHz",
                            bool log_axis = false) {
    PlotOptions o;
    o.freq_unit = freq_unit;
    o.log_axis = log_axis;
    return svg_plot(d, title, o);
}

// "S21,S11" (S<row><column>, or S<row>_<column> from 10 ports on) for a
// network of `ports` ports.  Throws std::invalid_argument naming the word.
std::vector<std::pair<std::size_t, std::size_t>> parse_traces(const std::vector<std::string>& words, std::size_t ports);

// Group delay -d(phase)/d(omega) of S(r, c) in seconds at every frequency,
// by differences of neighbouring points (each phase step taken as the
// smaller of its wrapped values); NaN where it cannot be formed.
std::vector<double> group_delay(const NetworkData& d, std::size_t r, std::size_t c);

// Text made safe for XML character data and attribute values.
std::string xml_escape(const std::string& s);

}  // namespace mirtex::sim
