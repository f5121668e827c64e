// A self-contained SVG picture of a sweep: |S| in dB against frequency for
// every S-parameter, and S11 on a Smith chart.
#pragma once

#include <string>

#include "sim/analysis.h"

namespace mirtex::sim {

// title is shown above the charts; freq_unit as in OutputOptions.
std::string svg_plot(const NetworkData& d, const std::string& title, const std::string& freq_unit = "GHz");

// Text made safe for XML character data and attribute values.
std::string xml_escape(const std::string& s);

}  // namespace mirtex::sim
