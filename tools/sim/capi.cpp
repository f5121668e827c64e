// The C interface of libmirtex_sim.so over the simulator's own pieces: the
// netlist parser, the instance creation and input checks, the sweep and the
// line calculator, exactly as mirtex-sim strings them together.
#include <dlfcn.h>
#include <fmt/format.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host.h"
#include "mirtex/sim_api.h"
#include "sim/analysis.h"
#include "sim/catalogue.h"
#include "sim/check.h"
#include "sim/line_calc.h"
#include "sim/netlist.h"
#include "sim/units.h"

static_assert(sizeof(mirtex_sim_line_result) == 5 * sizeof(double));
static_assert(sizeof(mirtex_sim_line_point) == 4 * sizeof(double));
static_assert(sizeof(mirtex_sim_synthesis) == 7 * sizeof(double));

using namespace mirtex::sim;
using mirtex::host::Host;
using mirtex::host::Severity;

struct mirtex_sim_circuit {
    Netlist nl;
    std::vector<UserInstDef*> insts;
    std::optional<Circuit> circuit;
    std::string warnings;
};

namespace {

struct ErrorState {
    std::string full, message, file;
    int line = 0;
};
thread_local ErrorState t_error;

void set_error(const std::string& message, const std::string& file = {}, int line = 0) {
    t_error.message = message;
    t_error.file = file;
    t_error.line = line;
    t_error.full = file.empty() ? message : fmt::format("{}:{}: {}", file, line, message);
}

volatile std::sig_atomic_t g_stop = 0;

int interrupted() {
    set_error("interrupted");
    return MIRTEX_SIM_INTERRUPTED;
}
void (*g_stop_cpw)(int) = nullptr;
void* g_library = nullptr;
std::string g_library_path;
std::set<std::string> g_unavailable;
// Whose instances the host holds now: a circuit, the line calculator's
// token, or nothing.  Instance names are process-wide, so each circuit's
// instances are made anew whenever another's were made since.
const void* g_active = nullptr;
const char kLineCalculator = 0;

// Runs body; every exception becomes the thread's error.
template <class Body>
int guarded(Body&& body) {
    try {
        return body();
    } catch (const NetlistError& e) {
        set_error(e.message(), e.file(), e.line());
    } catch (const std::exception& e) {
        set_error(e.what());
    } catch (...) {
        set_error("unexpected failure");
    }
    return MIRTEX_SIM_ERROR;
}

std::string beside_this_library(const char* name) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&mirtex_sim_open), &info) == 0 || info.dli_fname == nullptr) return name;
    const std::string self = info.dli_fname;
    const auto slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/" + name;
}

// The library's own error lines of the current call (the host's summary of
// a stopped analysis repeats what the caller is told anyway).
std::string library_errors() {
    std::string out;
    for (const auto& l : Host::get().log())
        if (l.severity == Severity::Error && l.text.rfind("host: analysis stopped", 0) != 0) out += "\n" + l.text;
    return out;
}

// Every call starts with a fresh log and no stop request.
Host& begin_call() {
    if (g_library == nullptr && mirtex_sim_open(nullptr) != MIRTEX_SIM_OK) throw std::runtime_error(t_error.full);
    g_stop = 0;
    Host& host = Host::get();
    host.clear_log();
    return host;
}

void activate(mirtex_sim_circuit* c) {
    if (g_active == c) return;
    Host& host = Host::get();
    g_active = nullptr;
    host.clear_instances();
    c->insts = create_instances(c->nl, host);
    c->circuit.emplace(c->nl, c->insts);
    g_active = c;
}

int copy_out(const std::string& text, char* buf, int size) {
    if (buf != nullptr && size > 0) std::snprintf(buf, static_cast<std::size_t>(size), "%s", text.c_str());
    return static_cast<int>(text.size());
}

std::vector<double> frequencies(const double* f, int n) {
    if (n < 0 || (n > 0 && f == nullptr)) throw std::invalid_argument("no frequencies given");
    std::vector<double> out(f, f + n);
    for (double x : out)
        if (!std::isfinite(x) || x < 0) throw std::invalid_argument(fmt::format("frequency {} Hz: not a frequency", x));
    return out;
}

std::vector<std::string> word_list(const char* const* words, int n) {
    std::vector<std::string> out;
    for (int k = 0; k < n; ++k) out.emplace_back(words[k] != nullptr ? words[k] : "");
    return out;
}

// Parsing ends here: unavailable elements refused, the instances made and
// the library's input checks run, each message at its statement.
mirtex_sim_circuit* finish_parse(Netlist nl) {
    refuse_unavailable(nl, g_unavailable);
    auto c = std::make_unique<mirtex_sim_circuit>();
    c->nl = std::move(nl);
    for (const std::string& w : c->nl.warnings) c->warnings += w + "\n";
    activate(c.get());
    char* text = nullptr;
    std::size_t len = 0;
    std::FILE* mem = open_memstream(&text, &len);
    if (mem == nullptr) throw std::runtime_error("out of memory");
    const bool ok = check_inputs(c->nl, c->insts, g_library, Host::get(), mem);
    std::fclose(mem);
    const std::string report(text, len);
    std::free(text);
    if (!ok) {
        g_active = nullptr;
        Host::get().clear_instances();
        // Lines are "<file>:<line>: <Type>:<Name>: <text>"; the first whose
        // text is not a warning is the error.
        const std::string prefix = c->nl.file + ":";
        std::istringstream lines(report);
        for (std::string l; std::getline(lines, l);) {
            const std::size_t msg = l.find(": ", prefix.size()), text = l.find(": ", msg + 2);
            if (l.rfind(prefix, 0) != 0 || msg == std::string::npos || text == std::string::npos ||
                l.compare(text + 2, 7, "WARNING") == 0)
                continue;
            throw NetlistError(c->nl.file, std::atoi(l.c_str() + prefix.size()), l.substr(msg + 2));
        }
        throw NetlistError(c->nl.file, 0, "the library's input checks failed");
    }
    c->warnings += report;
    return c.release();
}

}  // namespace

extern "C" {

int mirtex_sim_open(const char* library_path) {
    return guarded([&]() -> int {
        const std::string path = library_path != nullptr ? library_path : beside_this_library("libmirtex.so");
        if (g_library != nullptr) {
            if (library_path == nullptr || path == g_library_path) return MIRTEX_SIM_OK;
            throw std::runtime_error(g_library_path + " is open already; a process holds one model library");
        }
        std::string err;
        void* handle = mirtex::host::load_library(path, err);
        if (handle == nullptr) throw std::runtime_error(err);
        Host& host = Host::get();
        if (host.announced().empty()) throw std::runtime_error(path + " announces no devices");
        // The solver's stop entry has C++ linkage: stop_cpw(int).
        g_stop_cpw = reinterpret_cast<void (*)(int)>(dlsym(handle, "_Z8stop_cpwi"));
        host.set_echo(false);
        if (!host.boot_all()) throw std::runtime_error(path + " failed to boot");
        g_unavailable = unavailable_elements(handle);
        g_library = handle;
        g_library_path = path;
        return MIRTEX_SIM_OK;
    });
}

const char* mirtex_sim_error(void) {
    return t_error.full.c_str();
}
const char* mirtex_sim_error_message(void) {
    return t_error.message.c_str();
}
const char* mirtex_sim_error_file(void) {
    return t_error.file.c_str();
}
int mirtex_sim_error_line(void) {
    return t_error.line;
}

void mirtex_sim_interrupt(void) {
    g_stop = 1;
    if (g_stop_cpw != nullptr) g_stop_cpw(SIGINT);
}

mirtex_sim_circuit* mirtex_sim_parse(const char* text, const char* name) {
    mirtex_sim_circuit* c = nullptr;
    guarded([&]() -> int {
        Host& host = begin_call();
        c = finish_parse(parse_netlist(text != nullptr ? text : "", name != nullptr ? name : "<text>", host));
        return MIRTEX_SIM_OK;
    });
    return c;
}

mirtex_sim_circuit* mirtex_sim_read(const char* path) {
    mirtex_sim_circuit* c = nullptr;
    guarded([&]() -> int {
        Host& host = begin_call();
        c = finish_parse(read_netlist(path != nullptr ? path : "", host));
        return MIRTEX_SIM_OK;
    });
    return c;
}

void mirtex_sim_free(mirtex_sim_circuit* c) {
    if (c == nullptr) return;
    if (g_active == c) {
        g_active = nullptr;
        Host::get().clear_instances();
    }
    delete c;
}

int mirtex_sim_ports(const mirtex_sim_circuit* c) {
    return c != nullptr ? static_cast<int>(c->nl.ports.size()) : 0;
}

int mirtex_sim_z_ref(const mirtex_sim_circuit* c, double* z, int capacity) {
    if (c == nullptr) return 0;
    for (int k = 0; k < capacity && k < static_cast<int>(c->nl.ports.size()); ++k) z[k] = c->nl.ports[k].z;
    return static_cast<int>(c->nl.ports.size());
}

int mirtex_sim_sweep(const mirtex_sim_circuit* c, double* freqs_hz, int capacity) {
    if (c == nullptr) return 0;
    const auto& f = c->nl.sweep.freqs_hz;
    for (int k = 0; k < capacity && k < static_cast<int>(f.size()); ++k) freqs_hz[k] = f[k];
    return static_cast<int>(f.size());
}

const char* mirtex_sim_warnings(const mirtex_sim_circuit* c) {
    return c != nullptr ? c->warnings.c_str() : "";
}

int mirtex_sim_run(mirtex_sim_circuit* c, const double* freqs_hz, int n, int kind, double* out) {
    return guarded([&]() -> int {
        if (c == nullptr || out == nullptr) throw std::invalid_argument("no circuit or no output array");
        if (kind != MIRTEX_SIM_S && kind != MIRTEX_SIM_Y && kind != MIRTEX_SIM_Z)
            throw std::invalid_argument("kind must be S, Y or Z");
        Host& host = begin_call();
        activate(c);
        // The sweep given replaces the netlist's for this run only.
        struct Restore {
            Sweep& sweep;
            Sweep own;
            ~Restore() { sweep = std::move(own); }
        } restore{c->nl.sweep, c->nl.sweep};
        if (n > 0 || freqs_hz != nullptr) c->nl.sweep.freqs_hz = frequencies(freqs_hz, n);
        RunOptions ro;
        ro.stop = &g_stop;
        RunResult run = run_sweep(*c->circuit, c->nl, host, ro);
        switch (run.status) {
            case RunResult::Status::Ok:
                break;
            case RunResult::Status::Interrupted:
                return interrupted();
            case RunResult::Status::ElementFailed:
                // Placed at the statement of the element that failed.
                for (const Item& it : c->nl.items)
                    if (run.why.find(std::string(it.def->name) + ":" + it.name + " ") != std::string::npos)
                        throw NetlistError(c->nl.file, it.line, "analysis failed: " + run.why + library_errors());
                throw std::runtime_error("analysis failed: " + run.why + library_errors());
            case RunResult::Status::SolveFailed:
                throw std::runtime_error(run.why);
        }
        const std::size_t np = run.data.ports();
        const ParamKind pk = kind == MIRTEX_SIM_Y ? ParamKind::Y : kind == MIRTEX_SIM_Z ? ParamKind::Z : ParamKind::S;
        for (std::size_t k = 0; k < run.data.s.size(); ++k) {
            Eigen::MatrixXcd m;
            try {
                m = convert(run.data.s[k], run.data.z_ref, pk);
            } catch (const std::domain_error& e) {
                throw std::domain_error(fmt::format("{} at {:g} Hz", e.what(), run.data.freqs_hz[k]));
            }
            double* o = out + 2 * k * np * np;
            for (std::size_t r = 0; r < np; ++r)
                for (std::size_t col = 0; col < np; ++col) {
                    const std::complex<double> v = m(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(col));
                    o[2 * (r * np + col)] = v.real();
                    o[2 * (r * np + col) + 1] = v.imag();
                }
        }
        return MIRTEX_SIM_OK;
    });
}

int mirtex_sim_summary(mirtex_sim_circuit* c, double f_hz, char* buf, int size) {
    int len = -1;
    guarded([&]() -> int {
        if (c == nullptr) throw std::invalid_argument("no circuit");
        begin_call();
        activate(c);
        std::string text;
        for (const Described& d : describe_instances(c->nl, c->insts, g_library, f_hz))
            text += d.who + "\t" + d.text + "\n";
        len = copy_out(text, buf, size);
        return MIRTEX_SIM_OK;
    });
    return len;
}

int mirtex_sim_definition(const char* name, char* buf, int size) {
    int len = -1;
    guarded([&]() -> int {
        Host& host = begin_call();
        const UserElemDef* d = host.definition(name != nullptr ? name : "");
        if (d == nullptr) throw std::invalid_argument(fmt::format("unknown type '{}'", name != nullptr ? name : ""));
        static const char* const kTypes[] = {"REAL", "INT", "MTRL", "STRG"};
        std::string text = std::to_string(d->numExtNodes);
        for (int p = 0; p < d->numPars; ++p)
            text += fmt::format(" {}:{}", d->params[p].keyword, kTypes[d->params[p].type - MIRTEX_REAL]);
        len = copy_out(text, buf, size);
        return MIRTEX_SIM_OK;
    });
    return len;
}

int mirtex_sim_quantity(const char* text, double* value) {
    return guarded([&]() -> int {
        std::string why;
        const auto v = parse_quantity(text != nullptr ? text : "", why);
        if (!v || value == nullptr) throw std::invalid_argument(fmt::format("'{}': {}", text ? text : "", why));
        *value = *v;
        return MIRTEX_SIM_OK;
    });
}

int mirtex_sim_line(const char* const* words, int n_words, const double* freqs_hz, int n,
                    mirtex_sim_line_result* result, mirtex_sim_line_point* points) {
    return guarded([&]() -> int {
        if (result == nullptr || (n > 0 && points == nullptr)) throw std::invalid_argument("no result record");
        const LineSpec spec = parse_line_spec(word_list(words, n_words));
        const std::vector<double> f = frequencies(freqs_hz, n);
        Host& host = begin_call();
        g_active = &kLineCalculator;
        host.clear_instances();
        try {
            LineCalculator calc(g_library, host);
            const LineResult r = calc.solve(spec, f);
            *result = {r.W, r.ZL, r.er_eff, r.C, r.L};
            for (std::size_t k = 0; k < r.points.size(); ++k)
                points[k] = {r.points[k].f, r.points[k].R, r.points[k].G, r.points[k].loss_db_per_mm};
        } catch (const std::runtime_error& e) {
            if (g_stop) return interrupted();
            throw std::runtime_error(e.what() + library_errors());
        }
        return g_stop ? interrupted() : MIRTEX_SIM_OK;
    });
}

int mirtex_sim_synthesise(const char* const* words, int n_words, const char* vary, double z0,
                          mirtex_sim_synthesis* result) {
    return guarded([&]() -> int {
        if (result == nullptr) throw std::invalid_argument("no result record");
        if (!(z0 > 0) || !std::isfinite(z0)) throw std::invalid_argument("the target impedance must be positive");
        const LineSpec spec = parse_line_spec(word_list(words, n_words));
        Host& host = begin_call();
        g_active = &kLineCalculator;
        host.clear_instances();
        try {
            LineCalculator calc(g_library, host);
            const Synthesis s = synthesise(calc, spec, vary != nullptr ? vary : "W", z0);
            *result = {s.value, s.below, s.above, s.z_below, s.z_above, s.grid, s.z_grid};
        } catch (const std::runtime_error& e) {
            if (g_stop) return interrupted();
            throw std::runtime_error(e.what() + library_errors());
        }
        return g_stop ? interrupted() : MIRTEX_SIM_OK;
    });
}

}  // extern "C"
