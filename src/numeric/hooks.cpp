#include "numeric/hooks.h"

namespace {
mirtex::ErrorReport last_report;
}

namespace mirtex {
const ErrorReport& last_error_message() { return last_report; }
}  // namespace mirtex

extern "C" {

MIRTEX_API void Error_Message(const char* text, const char* button) {
    ++last_report.count;
    try {
        last_report.text = text ? text : "";
        last_report.button = button ? button : "";
    } catch (...) {
        // Only a record for tests; losing it must not take the caller down.
    }
}

MIRTEX_API int On_Error_Retry(const char*) { return 0; }

MIRTEX_API int Question_2(const char*, const char*, const char*) { return 2; }

MIRTEX_API void Warte_On(const char*) {}

MIRTEX_API void Warte_Off(void) {}

MIRTEX_API void Read_Value(const char*, int* value) {
    if (value) *value = 9999;
}
}
