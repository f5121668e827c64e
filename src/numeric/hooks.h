// Interactive hooks.  In a host without dialogs they are silent: nothing is
// shown, questions get their fixed answers.  The arrays and the integration
// routines report their failures through Error_Message.
#pragma once

#include <string>

#include "mirtex/mirtex.h"

extern "C" {
MIRTEX_API void Error_Message(const char* text, const char* button);
MIRTEX_API int On_Error_Retry(const char* text);  // 0: do not retry
MIRTEX_API int Question_2(const char* text, const char* first, const char* second);  // 2
MIRTEX_API void Warte_On(const char* text);
MIRTEX_API void Warte_Off(void);
MIRTEX_API void Read_Value(const char* prompt, int* value);  // stores 9999
}

namespace mirtex {

// What Error_Message last received, kept so that tests can see a report the
// user never sees.  The count rises with every call.
struct ErrorReport {
    std::string text;
    std::string button;
    long count = 0;
};
const ErrorReport& last_error_message();

}  // namespace mirtex
