// The 42 element and data-item definitions the library registers at boot.
#pragma once

#include <string>

#include "mirtex/host.h"

namespace mirtex {

constexpr int kDefinitionCount = 42;

// The definitions in registration order.
UserElemDef* definitions();

// The label under which messages name an element ("C_GAP" for "CxGAP",
// "C_2COUP" for "C_2COUP"); the definition name itself for data items.
std::string element_label(const char* definition_name);

// The names of the elements this build cannot evaluate, null-terminated.
const char* const* unavailable_elements();

}  // namespace mirtex
