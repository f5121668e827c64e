#include "sim/console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include <fmt/format.h>

namespace mirtex::sim {

std::optional<SolverReport> parse_solver_report(const std::string& text) {
    const std::size_t colon = text.find(" : ");
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    SolverReport r;
    r.label = text.substr(0, colon);
    char run[24] = "";
    int used = 0;
    if (std::sscanf(text.c_str() + colon + 3, "%23s n= %ld e= %lg%n", run, &r.sweep, &r.residual, &used) != 3 ||
        text[colon + 3 + static_cast<std::size_t>(used)] != '\0' || std::strchr(run, '/') == nullptr)
        return std::nullopt;
    r.run = run;
    return r;
}

double solver_bound(const Netlist& nl, const std::string& label) {
    // "<KIND>(<instance>)"
    const std::size_t open = label.rfind('(');
    if (open == std::string::npos || label.back() != ')') return 0;
    const std::string inst = label.substr(open + 1, label.size() - open - 2);
    auto param = [](const Item& it, const char* key) -> const host::Value* {
        for (const auto& [k, v] : it.params)
            if (k == key) return &v;
        return nullptr;
    };
    for (const Item& el : nl.items) {
        if (el.name != inst) continue;
        const host::Value* grid = param(el, "C_GRID");
        if (grid == nullptr) return 0;
        for (const Item& it : nl.items)
            if (it.name == grid->text)
                if (const host::Value* b = param(it, "BOUND")) return b->real;
    }
    return 0;
}

Console::Console(std::FILE* out, Options o, const volatile std::sig_atomic_t* stop,
                 std::function<double(const std::string&)> bound_of)
    : out_(out), o_(o), stop_(stop), bound_of_(std::move(bound_of)) {}

void Console::message(const host::LogLine& l) {
    if (stop_ != nullptr && *stop_) return;
    if (l.severity == host::Severity::Info && !o_.verbose)
        if (const auto r = parse_solver_report(l.text)) return report(*r);
    // Quiet silences status lines; warnings stay: they say that a result
    // may not be what the designer meant.
    if (o_.quiet && l.severity == host::Severity::Info && l.text.rfind("WARNING", 0) != 0) return;
    flush_pending();
    clear_status();
    std::fprintf(out_, "%s\n", l.text.c_str());
}

void Console::report(const SolverReport& r) {
    if (o_.quiet) return;
    const std::string key = r.label + " " + r.run;
    if (!o_.tty) {
        // One line per run: the run's last report, written when the next
        // run or anything else begins.
        if (key != pending_key_) flush_pending();
        pending_key_ = key;
        pending_ = fmt::format("{} : {}   n= {}    e= {:g}", r.label, r.run, r.sweep, r.residual);
        return;
    }
    const double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    if (key != run_key_) history_.clear(), run_start_ = now;
    run_key_ = key;
    if (!(r.residual > 0)) return;
    history_.emplace_back(now, std::log10(r.residual));
    if (history_.size() > 8) history_.pop_front();

    const double bound = bound_of_ ? bound_of_(r.label) : 0.0;
    std::string text = fmt::format("{}  run {}  sweep {}  residual {:.2e}", r.label, r.run, r.sweep, r.residual);
    if (bound > 0) text += fmt::format(" (BOUND {:g})", bound);
    // The residual of a relaxation falls about geometrically: a straight
    // line in log(residual) over time, extrapolated to the bound.  Each run
    // still to come is taken to last as long as this one.
    const auto& [t0, l0] = history_.front();
    const auto& [t1, l1] = history_.back();
    const double rate = history_.size() > 2 && t1 > t0 ? (l1 - l0) / (t1 - t0) : 0.0;
    int k = 0, n = 0;
    if (bound > 0 && rate < 0 && std::sscanf(r.run.c_str(), "%d/%d", &k, &n) == 2 && k >= 1 && n >= k) {
        const double left = std::max(0.0, (std::log10(bound) - l1) / rate);
        const double total = left + (n - k) * (now - run_start_ + left);
        text += total < 1 ? "  <1 s left" : fmt::format("  ~{:.0f} s left", total);
    }
    status(text, true);
}

void Console::sweep_progress(std::size_t k, std::size_t n, double f_hz) {
    if (!o_.tty || o_.quiet) return;
    flush_pending();
    status(fmt::format("sweep {}/{}  {:.6g} GHz", k + 1, n, f_hz / 1e9), k + 1 < n);
}

void Console::status(const std::string& text, bool throttle) {
    const auto now = Clock::now();
    if (shown_ && throttle && now - last_shown_ < std::chrono::milliseconds(80)) return;
    last_shown_ = now;
    // Kept within the terminal's width, so that the carriage return goes
    // back to the line's start.
    winsize ws{};
    std::size_t width = ioctl(fileno(out_), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 1 ? ws.ws_col - 1u : 79u;
    std::fprintf(out_, "\r\x1b[K%s", text.substr(0, width).c_str());
    std::fflush(out_);
    shown_ = true;
}

void Console::clear_status() {
    if (!shown_) return;
    std::fprintf(out_, "\r\x1b[K");
    std::fflush(out_);
    shown_ = false;
}

void Console::flush_pending() {
    if (pending_.empty()) return;
    if (!(stop_ != nullptr && *stop_)) std::fprintf(out_, "%s\n", pending_.c_str());
    pending_.clear();
    pending_key_.clear();
}

void Console::finish() {
    clear_status();
    flush_pending();
}

}  // namespace mirtex::sim
