// mirtex-sim's standard error: the library's messages, and the progress of
// its field solves.  The solver reports every 20 sweeps of a relaxation run
// as "<label> : <run>   n= <sweep>    e= <residual>".  On a terminal those
// reports become one status line per solve, rewritten in place, with the
// residual against the grid's BOUND and the time left estimated from the
// residual's decay; elsewhere the last report of each run is kept, one line
// per run.  Verbose output passes every report through as it comes.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "host.h"
#include "sim/netlist.h"

namespace mirtex::sim {

// One progress report of a relaxation run.
struct SolverReport {
    std::string label;  // "C_LIN(TL1)"
    std::string run;    // "1/2"
    long sweep = 0;
    double residual = 0;
};

// The report in a message, or nothing when the message is something else.
std::optional<SolverReport> parse_solver_report(const std::string& text);

// The relaxation bound of the element a solver label names ("C_LIN(TL1)":
// the BOUND of the grid item TL1's C_GRID refers to); 0 when unknown.
double solver_bound(const Netlist& nl, const std::string& label);

class Console {
public:
    struct Options {
        bool tty = false;      // out is a terminal: status lines rewritten in place
        bool quiet = false;    // status lines and progress off; warnings and errors stay
        bool verbose = false;  // every solver report as it comes
    };
    // Messages after a stop request (*stop set) are dropped: the program
    // reports the stop itself.
    Console(std::FILE* out, Options o, const volatile std::sig_atomic_t* stop,
            std::function<double(const std::string&)> bound_of);

    void message(const host::LogLine& l);
    // After frequency point k of n.
    void sweep_progress(std::size_t k, std::size_t n, double f_hz);
    // Ends the status line and writes a run's pending report.
    void finish();

private:
    void report(const SolverReport& r);
    void status(const std::string& text, bool throttle);
    void clear_status();
    void flush_pending();

    using Clock = std::chrono::steady_clock;
    std::FILE* out_;
    Options o_;
    const volatile std::sig_atomic_t* stop_;
    std::function<double(const std::string&)> bound_of_;
    bool shown_ = false;
    Clock::time_point last_shown_{};
    std::string pending_, pending_key_;          // non-terminal: the last report of the current run
    std::string run_key_;                        // terminal: the run the history belongs to
    double run_start_ = 0;                       // seconds, its first report
    std::deque<std::pair<double, double>> history_;  // (seconds, log10 residual) of the current run
};

}  // namespace mirtex::sim
