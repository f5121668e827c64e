// The stand-in host: what a circuit simulator provides to a model library.
//
// It keeps the devices the library announced, the definitions it registered,
// the instances of a design, the status and error windows (as an ordered
// log), and runs analyses the way the simulator does: every pre-analysis
// callback, then per frequency every Y (and noise) callback, then every
// post-analysis callback.
#pragma once

#include <complex>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mirtex/host.h"

namespace mirtex::host {

enum class Severity { Info, Error };

struct LogLine {
    Severity severity;
    std::string text;
};

// A parameter value as a design gives it.
struct Value {
    enum class Kind { Real, Int, Mtrl, Strg };
    Kind kind = Kind::Real;
    double real = 0.0;
    int integer = 0;
    std::string text;  // referenced instance name (MTRL) or text (STRG)

    static Value Real(double v) { return {Kind::Real, v, 0, {}}; }
    static Value Int(int v) { return {Kind::Int, 0.0, v, {}}; }
    static Value Mtrl(std::string name) { return {Kind::Mtrl, 0.0, 0, std::move(name)}; }
    static Value Strg(std::string s) { return {Kind::Strg, 0.0, 0, std::move(s)}; }
};

using Params = std::vector<std::pair<std::string, Value>>;

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An n x n admittance (or noise-correlation) matrix, row by row.
using Matrix = std::vector<COMPLEX>;

struct AnalysisOptions {
    bool noise = false;
};

// What one frequency point produced: per instance (in the order given to the
// analysis) its Y matrix and, with noise on, its noise-correlation matrix.
struct Point {
    double freq_hz = 0.0;
    std::vector<Matrix> y;
    std::vector<Matrix> noise;
};

struct AnalysisResult {
    bool ok = true;
    std::string error;          // why the analysis stopped, when !ok
    std::vector<Point> points;  // filled only when no sink was given
};

// Called per frequency point; return false to stop the analysis.
using PointSink = std::function<bool(std::size_t index, const Point&)>;

class Host {
public:
    static Host& get();

    // --- devices announced by model libraries -------------------------
    void announce(const char* name, int (*boot)(void), int flag);
    std::vector<std::string> announced() const;
    // Run the device's boot callback unless it ran already; true when the
    // device is known and its boot answered 0.
    bool boot(const std::string& device);
    // Boot every announced device (the library guards its own boot).
    bool boot_all();

    // --- definitions ---------------------------------------------------
    // Store definitions; a malformed record is rejected with a message.
    int register_definitions(UserElemDef* defs, int count, const char* caller);
    // The registered definition of that name, booting its device first if
    // it was announced and not yet booted; null when unknown.
    const UserElemDef* definition(const std::string& name);
    const std::vector<const UserElemDef*>& definitions() const { return order_; }

    // --- instances -----------------------------------------------------
    // Create an instance of a registered definition; every parameter must
    // be given exactly once with a value of its type.  Throws Error.
    UserInstDef* create(const std::string& def_name, const std::string& inst_name, const Params& params);
    UserInstDef* find(const char* name) const;
    void clear_instances();
    // A fresh design on the same booted devices and definitions: no
    // instances, an empty log, no echo and no extra sink.
    void reset_design();

    // --- status and error windows --------------------------------------
    void message(Severity s, const char* text);
    const std::vector<LogLine>& log() const { return log_; }
    void clear_log() { log_.clear(); }
    void set_echo(bool on) { echo_ = on; }
    // Extra receiver of every line (for a progress display that must
    // clear its line first); called after the line is logged.
    void set_sink(std::function<void(const LogLine&)> sink) { sink_ = std::move(sink); }
    std::size_t count(Severity s, const std::string& text) const;
    bool contains(Severity s, const std::string& part) const;

    // --- analysis --------------------------------------------------------
    AnalysisResult analyse(const std::vector<UserInstDef*>& insts, const std::vector<double>& freqs_hz,
                           const AnalysisOptions& opt = {}, const PointSink& sink = {});
    bool first_frequency() const { return first_frequency_; }

    // --- the instance's linear matrix that add_lin_y stamps into ------
    int add_lin_y(UserInstDef* inst, int row, int col, COMPLEX y);
    Matrix linear_matrix(const UserInstDef* inst) const;

private:
    Host() = default;

    struct Device {
        std::string name;
        int (*boot)(void);
        int flag;
        bool booted = false;
        int result = 0;
    };
    struct Instance {
        UserInstDef rec{};
        std::string name;
        std::vector<UserParamValue> values;
        std::vector<std::string> texts;
    };

    std::vector<Device> devices_;
    std::map<std::string, const UserElemDef*> defs_;
    std::vector<const UserElemDef*> order_;
    std::vector<std::unique_ptr<Instance>> instances_;
    std::unordered_map<std::string, Instance*> by_name_;
    std::unordered_map<const UserInstDef*, Matrix> linear_;
    std::vector<LogLine> log_;
    bool echo_ = false;
    std::function<void(const LogLine&)> sink_;
    bool first_frequency_ = false;
};

// Load a model library with dlopen so that its host references bind to this
// host.  Returns the handle, or null with a one-line reason in err.
void* load_library(const std::string& path, std::string& err);

// The noise-correlation matrix of a passive n-port: C = 2kT (Y + Y^H), with
// T = temp + 273.15 (temp in degrees Celsius).  False for T < 0 K.
bool passive_noise_matrix(const COMPLEX* y, int n, COMPLEX* noise, double temp_c);

constexpr double kBoltzmann = 1.380649e-23;

}  // namespace mirtex::host
