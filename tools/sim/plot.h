// A self-contained SVG picture of a sweep: |S| in dB against frequency, the
// reflections (S11, S22, ...) in one panel and the transmissions in another
// on its own scale, each parameter with its own colour, dash and markers so
// that equal curves stay visible; and S11 on a Smith chart with labelled
// resistance and reactance circles.
#pragma once

#include <string>

#include "sim/analysis.h"

namespace mirtex::sim {

// title is shown above the charts; freq_unit as in OutputOptions.
// log_axis: frequency on a logarithmic axis (for log sweeps).
std::string svg_plot(const NetworkData& d, const std::string& title, const std::string& freq_unit = "GHz",
                     bool log_axis = false);

// Text made safe for XML character data and attribute values.
std::string xml_escape(const std::string& s);

}  // namespace mirtex::sim
