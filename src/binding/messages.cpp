#include "binding/messages.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "mirtex/host.h"
#include "mirtex/mirtex.h"

namespace mirtex {

namespace {
// The host's windows take one line at a time, whichever solver thread
// sends it.
std::mutex g_window;
}  // namespace

std::string vformat(const char* fmt, va_list ap) {
    va_list probe;
    va_copy(probe, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, probe);
    va_end(probe);
    if (n <= 0) return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, ap);
    return out;
}

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = vformat(fmt, ap);
    va_end(ap);
    return s;
}

namespace {
thread_local HeldErrors* t_held = nullptr;
}  // namespace

HeldErrors::HeldErrors() : outer_(t_held) { t_held = this; }
HeldErrors::~HeldErrors() { t_held = outer_; }

void send_error(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = vformat(fmt, ap);
    va_end(ap);
    if (t_held != nullptr) {
        try {
            t_held->held_.push_back(std::move(s));
        } catch (...) {
        }
        return;
    }
    const std::lock_guard<std::mutex> lock(g_window);
    send_error_to_scn(s.c_str());
}

void send_info(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const std::string s = vformat(fmt, ap);
    va_end(ap);
    const std::lock_guard<std::mutex> lock(g_window);
    send_info_to_scn(s.c_str());
}

namespace {
thread_local bool t_labelled = false;
thread_local char t_label[sizeof CPW_Misc.label] = "";
}  // namespace

const char* run_label() {
    return t_labelled ? t_label : CPW_Misc.label;
}

int run_label_length() {
    return static_cast<int>(strnlen(run_label(), sizeof CPW_Misc.label));
}

ThreadLabel::ThreadLabel(const std::string& label) : previous_(t_label), had_(t_labelled) {
    copy_bounded(t_label, sizeof t_label, label);
    t_labelled = true;
}

ThreadLabel::~ThreadLabel() {
    copy_bounded(t_label, sizeof t_label, previous_);
    t_labelled = had_;
}

void copy_bounded(char* dst, std::size_t size, const std::string& text) {
    if (size == 0) return;
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

}  // namespace mirtex
