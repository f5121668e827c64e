// mirtex-sim: reads a netlist, loads the model library the way a circuit
// simulator does, sweeps frequency and writes S-parameters.  docs/netlist.md
// describes the netlist and the exit codes.
#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <string>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "host.h"
#include "sim/analysis.h"
#include "sim/catalogue.h"
#include "sim/console.h"
#include "sim/element_calc.h"
#include "sim/line_calc.h"
#include "sim/units.h"
#include "sim/check.h"
#include "sim/netlist.h"
#include "sim/output.h"
#include "sim/plot.h"
#include "sim/table.h"

namespace {

enum Exit : int {
    kOk = 0,
    kNetlistError = 1,
    kUsageError = 2,
    kLibraryError = 3,
    kAnalysisError = 4,
    kOutputError = 5,
    kInterrupted = 130,  // 128 + SIGINT, as shells report it
};

volatile std::sig_atomic_t g_stop = 0;
void (*g_stop_cpw)(int) = nullptr;

// Ctrl-C: stop the sweep between points and ask the library to end a
// running solve; a second Ctrl-C kills the program (SA_RESETHAND).
extern "C" void on_interrupt(int sig) {
    g_stop = 1;
    if (g_stop_cpw) g_stop_cpw(sig);
}

std::string default_library() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "libmirtex.so";
    std::string exe(buf, static_cast<std::size_t>(n));
    const auto slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/libmirtex.so";
}

int fail(int code, const std::string& what) {
    std::fprintf(stderr, "mirtex-sim: %s\n", what.c_str());
    return code;
}

// A Touchstone reader takes the port count from the name; say so when the
// name given contradicts the data.
void check_extension(const std::string& path, std::size_t ports) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos) return;
    const std::string ext = path.substr(dot + 1);
    if (ext.size() < 3 || (ext[0] != 's' && ext[0] != 'S') || (ext.back() != 'p' && ext.back() != 'P')) return;
    const std::string digits = ext.substr(1, ext.size() - 2);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return;
    if (digits != std::to_string(ports))
        std::fprintf(stderr, "mirtex-sim: warning: %s holds %zu-port data; readers expect the name to end in .s%zup\n",
                     path.c_str(), ports, ports);
}

// The file name's extension, lower case ("" when none).
std::string extension(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool touchstone_name(const std::string& ext) {
    return ext.size() >= 3 && ext[0] == 's' && ext.back() == 'p' &&
           ext.substr(1, ext.size() - 2).find_first_not_of("0123456789") == std::string::npos;
}

// An output file must be creatable in its directory; said before the
// analysis, not after minutes of solving.
std::string unwritable(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (access(dir.c_str(), W_OK | X_OK) != 0) return fmt::format("cannot write {}: {}", path, std::strerror(errno));
    return "";
}

// Parses a subcommand's arguments; the exit code when it is to end here
// (--help, or a wrong command line).
std::optional<int> parse_arguments(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kOk : kUsageError;
    }
    return std::nullopt;
}

// Loads and boots the model library for a subcommand, with the host's echo
// off; null after saying why.
void* boot_quietly(const std::string& lib) {
    std::string err;
    void* handle = mirtex::host::load_library(lib, err);
    if (handle == nullptr) {
        fail(kLibraryError, err);
        return nullptr;
    }
    auto& host = mirtex::host::Host::get();
    host.set_echo(false);
    if (!host.boot_all()) {
        fail(kLibraryError, lib + " failed to boot");
        return nullptr;
    }
    return handle;
}

// mirtex-sim line KEY=VALUE ... : the line calculator.
int line_main(int argc, char** argv) {
    CLI::App app{"mirtex-sim line: ZL, eps_eff, C', L', R', G' and loss of one CPW cross-section, or the width or "
                 "slot for a target ZL (keywords as in the netlist: W S GW H1 H2 H3 ER1 ER2 ER3 TAND1 TAND2 TAND3 t "
                 "rho DL BOUND L1)"};
    std::vector<std::string> words;
    std::string freqs = "1GHz,10GHz", synth, vary = "W", lib = default_library();
    app.add_option("values", words, "KEY=VALUE ... (units as in the netlist, e.g. W=20um)");
    app.add_option("-f,--freq", freqs, "frequencies for R', G' and the loss, comma separated")->capture_default_str();
    app.add_option("--synthesise,--synthesize", synth, "Z0=<ohm>: find the dimension --vary that gives it");
    app.add_option("--vary", vary, "W or S")->check(CLI::IsMember({"W", "S"}));
    app.add_option("--lib", lib, "the model library to load")->capture_default_str();
    if (const auto code = parse_arguments(app, argc, argv)) return *code;
    using namespace mirtex::sim;
    LineSpec spec;
    std::vector<double> f;
    double target = 0;
    try {
        spec = parse_line_spec(words);
        std::string word;
        for (char c : freqs + ",") {
            if (c != ',') {
                word += c;
                continue;
            }
            std::string why;
            const auto v = parse_quantity(word, why);
            if (!v || !(*v >= 0)) throw std::invalid_argument("frequency '" + word + "': " + (why.empty() ? "negative" : why));
            f.push_back(*v);
            word.clear();
        }
        if (!synth.empty()) {
            std::string why;
            const auto v = synth.rfind("Z0=", 0) == 0 ? parse_quantity(synth.substr(3), why) : std::nullopt;
            if (!v || !(*v > 0)) throw std::invalid_argument("--synthesise takes Z0=<ohm>, not '" + synth + "'");
            target = *v;
        }
    } catch (const std::invalid_argument& e) {
        return fail(kUsageError, e.what());
    }
    void* handle = boot_quietly(lib);
    if (handle == nullptr) return kLibraryError;
    auto& host = mirtex::host::Host::get();
    try {
        LineCalculator calc(handle, host);
        if (target > 0) {
            const Synthesis s = synthesise(calc, spec, vary, target);
            fmt::print("{} = {:.4f} um gives ZL = {} ohm (between the grid values {:.4f} um: {:.4f} ohm and "
                       "{:.4f} um: {:.4f} ohm)\n",
                       vary, s.value * 1e6, target, s.below * 1e6, s.z_below, s.above * 1e6, s.z_above);
            fmt::print("on this grid (DL = {:.4g} um) the nearest is {} = {:.4f} um: ZL = {:.4f} ohm\n",
                       spec.values["DL"] * 1e6, vary, s.grid * 1e6, s.z_grid);
            spec.values[vary] = s.grid;
        }
        const LineResult r = calc.solve(spec, f);
        std::fputs(format_result(r).c_str(), stdout);
    } catch (const std::exception& e) {
        for (const auto& l : host.log())
            if (l.severity == mirtex::host::Severity::Error) std::fprintf(stderr, "%s\n", l.text.c_str());
        return fail(kAnalysisError, e.what());
    }
    return kOk;
}

// mirtex-sim element TYPE KEY=VALUE ... : one element solved alone.
int element_main(int argc, char** argv) {
    CLI::App app{"mirtex-sim element: one element solved alone between ports at its nodes, on the example "
                 "technology (or the data items of --items FILE); prints its solved values and its feed lines' ZL "
                 "and eps_eff"};
    mirtex::sim::ElementSpec spec;
    std::string freq = "10GHz", dl_text, lib = default_library();
    bool converge = false;
    app.add_option("type", spec.type, "the element definition, e.g. CxOPEN")->required();
    app.add_option("values", spec.words, "KEY=VALUE ... as in a netlist (GAP=10um C_LTYP=Cpw50)");
    app.add_option("--items", spec.items_file, "a netlist file of data items to use instead of the example's");
    app.add_option("--dl", dl_text, "the grid step of every C_GRID item (e.g. 5um)");
    app.add_flag("--converge", converge, "solve again at half the grid step; the change estimates the error");
    bool extrapolate = false;
    app.add_flag("--extrapolate", extrapolate,
                 "solve a 3-D element also at 2 DL and take its lumped values to the fine-grid limit");
    app.add_option("-f,--freq", freq, "the frequency of frequency-dependent values")->capture_default_str();
    app.add_option("--lib", lib, "the model library to load")->capture_default_str();
    if (const auto code = parse_arguments(app, argc, argv)) return *code;
    using namespace mirtex::sim;
    double dl = 0;
    {
        std::string why;
        const auto f = parse_quantity(freq, why);
        if (!f || !(*f > 0)) return fail(kUsageError, "frequency '" + freq + "': " + (why.empty() ? "not positive" : why));
        spec.f_hz = *f;
        const auto d = dl_text.empty() ? std::optional<double>(0.0) : parse_quantity(dl_text, why);
        if (!d || !(*d >= 0)) return fail(kUsageError, "--dl '" + dl_text + "': " + (why.empty() ? "negative" : why));
        dl = *d;
    }
    // The library reads it at every element it builds.
    if (extrapolate) setenv("MIRTEX_EXTRAPOLATE", "1", 1);
    void* handle = boot_quietly(lib);
    if (handle == nullptr) return kLibraryError;
    auto& host = mirtex::host::Host::get();
    const UserElemDef* def = host.definition(spec.type);
    if (def == nullptr) return fail(kUsageError, "no definition " + spec.type + " (mirtex-sim --list)");
    Netlist nl;
    std::vector<UserInstDef*> insts;
    try {
        nl = parse_netlist(element_netlist(spec, *def), "element", host);
        insts = create_instances(nl, host);
    } catch (const std::invalid_argument& e) {
        return fail(kUsageError, e.what());
    } catch (const NetlistError& e) {
        return fail(kNetlistError, e.what());
    }
    if (!check_inputs(nl, insts, handle, host, stderr)) return kNetlistError;
    // The grid steps to solve at: the items' own (or --dl), then half of it.
    const double own = set_grid_step(nl, insts, 0);
    std::vector<double> steps{dl > 0 ? dl : own};
    if (converge) steps.push_back(steps[0] / 2);
    std::vector<ElementValues> runs;
    try {
        runs = solve_element(nl, insts, host, handle, steps, spec.f_hz);
    } catch (const std::runtime_error& e) {
        for (const auto& l : host.log())
            if (l.severity == mirtex::host::Severity::Error) std::fprintf(stderr, "%s\n", l.text.c_str());
        return fail(kAnalysisError, e.what());
    }
    fmt::print("{} X1 at {:g} GHz{}\n", spec.type, spec.f_hz * 1e-9,
               spec.items_file.empty() ? " on the example technology" : " with the items of " + spec.items_file);
    std::fputs(element_table(runs, steps).c_str(), stdout);
    return kOk;
}

// The subcommands: mirtex-sim NAME ... runs main with NAME as argv[0].
struct Subcommand {
    const char* name;
    const char* summary;
    int (*main)(int, char**);
};
int table_cmd(int argc, char** argv) { return mirtex::sim::table_main(argc, argv, default_library().c_str()); }

const Subcommand kSubcommands[] = {
    {"line", "ZL, eps_eff, C', L', R', G' and loss of one CPW cross-section, or the width for a ZL", line_main},
    {"element", "the solved values of one element (C_end, Cs, L, ...), with --converge an error estimate",
     element_main},
    {"table", "check, list, repair and merge the calculation files of a table directory", table_cmd},
};

std::string subcommand_help() {
    std::string text = "Subcommands (mirtex-sim NAME --help for each):\n";
    for (const Subcommand& c : kSubcommands) text += fmt::format("  {:<8} {}\n", c.name, c.summary);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    for (const Subcommand& c : kSubcommands)
        if (argc > 1 && std::strcmp(argv[1], c.name) == 0) return c.main(argc - 1, argv + 1);
    CLI::App app{"mirtex-sim: S-parameters of CPW circuits from a netlist, with the mirtex model library"};
    app.footer(subcommand_help());
    std::string netlist, output, plot, json, lib = default_library();
    std::string param = "S", format = "MA", unit = "GHz";
    bool list = false, as_csv = false, quiet = false, verbose = false, check = false;
    double renorm = 0;
    bool plot_phase = false, extrapolate = false;
    std::vector<std::string> trace_words;
    app.add_option("netlist", netlist, "the netlist to analyse (see docs/netlist.md)");
    app.add_option("-o,--output", output, "write the result to FILE (Touchstone .sNp; CSV with --csv)");
    app.add_flag("--csv", as_csv, "write comma-separated values instead of Touchstone");
    app.add_option("--plot", plot, "draw |S| in dB and the reflections on a Smith chart into FILE.svg");
    app.add_option("--json", json, "write every solved element's values (SI units) into FILE as JSON");
    app.add_flag("--plot-phase", plot_phase, "add phase and group delay panels to the plot");
    app.add_option("--traces", trace_words, "the parameters to plot, e.g. S21,S11 (default: all)")->delimiter(',');
    app.add_option("-p,--param", param, "S, Y or Z parameters")->check(CLI::IsMember({"S", "Y", "Z"}, CLI::ignore_case));
    app.add_option("-f,--format", format, "MA (magnitude, angle), DB (dB, angle) or RI (real, imaginary)")
        ->check(CLI::IsMember({"MA", "DB", "RI"}, CLI::ignore_case));
    app.add_option("--freq-unit", unit, "Hz, kHz, MHz or GHz")
        ->check(CLI::IsMember({"Hz", "kHz", "MHz", "GHz"}, CLI::ignore_case));
    app.add_option("--renorm", renorm, "refer every port to Z ohm (one reference: Touchstone 1.0)")
        ->check(CLI::PositiveNumber);
    app.add_flag("-q,--quiet", quiet, "silence the library's status lines and the progress display");
    app.add_flag("-v,--verbose", verbose, "show every progress report of the field solver as it comes");
    app.add_flag("--extrapolate", extrapolate,
                 "solve each 3-D element also at 2 DL and take its lumped values to the fine-grid limit");
    app.add_flag("--check", check, "parse the netlist and create its instances, without analysing");
    std::string list_type;
    app.add_option("--list", list_type, "print the library's definitions, or TYPE's with units and meanings")
        ->expected(0, 1);
    app.add_option("--lib", lib, "the model library to load")->capture_default_str();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kOk : kUsageError;
    }
    list = app.count("--list") > 0;
    if (!list && netlist.empty()) return fail(kUsageError, "a netlist is needed (or --list); see --help");
    // The output's format follows its name where the name is clear.
    if (!output.empty()) {
        const std::string ext = extension(output);
        if (ext == "csv") as_csv = true;
        if (as_csv && touchstone_name(ext))
            return fail(kUsageError, "--csv contradicts the Touchstone name " + output + " (use a .csv name)");
    }
    for (const std::string& path : {output, plot, json})
        if (!path.empty())
            if (const std::string why = unwritable(path); !why.empty()) return fail(kOutputError, why);

    // The library reads it at every element it builds.
    if (extrapolate) setenv("MIRTEX_EXTRAPOLATE", "1", 1);
    std::string err;
    void* handle = mirtex::host::load_library(lib, err);
    if (handle == nullptr) return fail(kLibraryError, err);
    auto& host = mirtex::host::Host::get();
    if (host.announced().empty()) return fail(kLibraryError, lib + " announces no devices");
    // The solver's stop entry has C++ linkage: stop_cpw(int).
    g_stop_cpw = reinterpret_cast<void (*)(int)>(dlsym(handle, "_Z8stop_cpwi"));

    // The netlist is known before any solve reports progress.
    std::optional<mirtex::sim::Netlist> nl;
    mirtex::sim::Console console(
        stderr, {isatty(STDERR_FILENO) == 1, quiet, verbose}, &g_stop,
        [&nl](const std::string& label) { return nl ? mirtex::sim::solver_bound(*nl, label) : 0.0; });
    host.set_echo(false);
    host.set_sink([&console](const mirtex::host::LogLine& l) { console.message(l); });
    if (!host.boot_all()) return fail(kLibraryError, lib + " failed to boot");

    const std::set<std::string> unavailable = mirtex::sim::unavailable_elements(handle);
    if (list && !list_type.empty())
        return mirtex::sim::print_definition(std::cout, list_type) ? kOk
                                                                    : fail(kUsageError, "no definition " + list_type);
    if (list) {
        mirtex::sim::print_catalogue(std::cout, unavailable);
        return kOk;
    }

    using namespace mirtex::sim;
    std::vector<UserInstDef*> insts;
    try {
        nl = read_netlist(netlist, host);
        for (const std::string& w : nl->warnings) std::fprintf(stderr, "%s\n", w.c_str());
        refuse_unavailable(*nl, unavailable);
        insts = create_instances(*nl, host);
    } catch (const NetlistError& e) {
        // Every error in one pass: the netlist's own, then the library's
        // checks of the elements that parsed whole.
        if (e.partial() != nullptr)
            for (const std::string& w : e.partial()->warnings) std::fprintf(stderr, "%s\n", w.c_str());
        for (const std::string& l : e.all()) std::fprintf(stderr, "%s\n", l.c_str());
        host.set_sink(nullptr);
        if (e.partial() != nullptr) check_sound_elements(*e.partial(), handle, host, stderr);
        return kNetlistError;
    }
    // The library's own range, technology and grid checks of every element,
    // each message at its statement, before anything is solved.
    host.set_sink(nullptr);
    const bool inputs_ok = check_inputs(*nl, insts, handle, host, stderr);
    host.set_sink([&console](const mirtex::host::LogLine& l) { console.message(l); });
    if (!inputs_ok) return kNetlistError;
    if (check) {
        std::size_t elements = 0;
        for (const Item& it : nl->items) elements += it.def->numExtNodes > 0;
        fmt::print("{}: {} element{}, {} data item{}, {} port{}, {} frequenc{}\n", netlist, elements,
                   elements == 1 ? "" : "s", nl->items.size() - elements, nl->items.size() - elements == 1 ? "" : "s",
                   nl->ports.size(), nl->ports.size() == 1 ? "" : "s", nl->sweep.freqs_hz.size(),
                   nl->sweep.freqs_hz.size() == 1 ? "y" : "ies");
        return kOk;
    }

    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sa.sa_flags = SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);

    PlotOptions po;
    po.freq_unit = unit;
    po.log_axis = nl->sweep.log;
    po.phase = plot_phase;
    try {
        po.traces = parse_traces(trace_words, nl->ports.size());
    } catch (const std::invalid_argument& e) {
        return fail(kUsageError, e.what());
    }

    Circuit circuit(*nl, insts);
    RunOptions ro;
    ro.stop = &g_stop;
    ro.progress = [&](std::size_t k, std::size_t n) { console.sweep_progress(k, n, nl->sweep.freqs_hz[k]); };
    RunResult run = run_sweep(circuit, *nl, host, ro);
    console.finish();
    switch (run.status) {
        case RunResult::Status::Ok: break;
        case RunResult::Status::Interrupted: return fail(kInterrupted, "interrupted by user");
        case RunResult::Status::ElementFailed: {
            // Name the statement of the element that failed.
            std::string at;
            for (const Item& it : nl->items)
                if (run.why.find(std::string(it.def->name) + ":" + it.name + " ") != std::string::npos)
                    at = statement_of(*nl, it.name);
            return fail(kAnalysisError, at + "analysis failed: " + run.why);
        }
        case RunResult::Status::SolveFailed: return fail(kAnalysisError, run.why);
    }

    const std::vector<Described> solved = describe_instances(*nl, insts, handle, summary_frequency(*nl));
    if (!quiet) std::fputs(summary_text(solved).c_str(), stderr);

    OutputOptions oo;
    oo.kind = strcasecmp(param.c_str(), "Y") == 0 ? ParamKind::Y : strcasecmp(param.c_str(), "Z") == 0 ? ParamKind::Z
                                                                                                     : ParamKind::S;
    oo.format = strcasecmp(format.c_str(), "DB") == 0   ? NumberFormat::DB
                : strcasecmp(format.c_str(), "RI") == 0 ? NumberFormat::RI
                                                        : NumberFormat::MA;
    oo.freq_unit = unit;
    oo.comment = "mirtex-sim " + netlist;
    std::string text;
    try {
        if (renorm > 0) run.data = renormalise(run.data, renorm);
        if (output.empty())
            text = as_csv ? csv(run.data, oo) : table(run.data, oo);
        else
            text = as_csv ? csv(run.data, oo) : touchstone(run.data, oo);
    } catch (const std::domain_error& e) {
        return fail(kAnalysisError, e.what());
    }
    if (output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (std::fflush(stdout) != 0) return fail(kOutputError, "cannot write standard output");
    }
    try {
        // Both files are complete under temporary names before either
        // takes its own; an interrupt until then leaves neither.
        std::optional<PendingFile> out_file, plot_file, json_file;
        if (!output.empty()) {
            if (!as_csv) check_extension(output, run.data.ports());
            if (!as_csv && std::adjacent_find(run.data.z_ref.begin(), run.data.z_ref.end(), std::not_equal_to<>()) !=
                               run.data.z_ref.end())
                std::fprintf(stderr, "mirtex-sim: note: the ports' references differ, so %s is Touchstone 2.0; "
                                     "--renorm Z refers them to one (Touchstone 1.0)\n",
                             output.c_str());
            out_file.emplace(output, text);
        }
        if (!plot.empty()) plot_file.emplace(plot, svg_plot(run.data, netlist, po));
        if (!json.empty()) json_file.emplace(json, summary_json(solved, netlist, summary_frequency(*nl)));
        if (g_stop) return fail(kInterrupted, "interrupted by user");
        if (out_file) out_file->commit();
        if (plot_file) plot_file->commit();
        if (json_file) json_file->commit();
    } catch (const std::runtime_error& e) {
        return fail(kOutputError, e.what());
    }
    return kOk;
}
