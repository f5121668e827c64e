// Messages to the host's status and error windows.
//
// Every text the library shows passes through format(): it measures the
// whole text first and formats into a buffer of exactly that size, so an
// instance name or a file path of any length is shown whole and nothing is
// ever written past a buffer.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

namespace mirtex {

std::string vformat(const char* fmt, va_list ap);
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Format and send one line to the error window.
void send_error(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Format and send one line to the status window.
void send_info(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Copy text into a fixed field (such as CPW_Misc.label), cutting it to fit
// and always terminating it.
void copy_bounded(char* dst, std::size_t size, const std::string& text);

// The label of the solve in hand on this thread, for its messages:
// CPW_Misc.label, or the label a ThreadLabel holds on this thread (solves
// of several elements side by side each name their own).
const char* run_label();
int run_label_length();
class ThreadLabel {
public:
    explicit ThreadLabel(const std::string& label);
    ~ThreadLabel();
    ThreadLabel(const ThreadLabel&) = delete;
    ThreadLabel& operator=(const ThreadLabel&) = delete;

private:
    std::string previous_;
    bool had_ = false;
};

// While one is alive, the errors this thread sends are held here instead of
// shown: for a solve whose failure the caller tells in its own words (the
// coarse grid of an extrapolation) or leaves to be told once, later (a
// solve ahead of its pre step).  Scopes nest; the innermost holds.
class HeldErrors {
public:
    HeldErrors();
    ~HeldErrors();
    HeldErrors(const HeldErrors&) = delete;
    HeldErrors& operator=(const HeldErrors&) = delete;
    const std::vector<std::string>& held() const { return held_; }

private:
    friend void send_error(const char* fmt, ...);
    std::vector<std::string> held_;
    HeldErrors* outer_;
};

}  // namespace mirtex
