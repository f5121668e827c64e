// The evaluation pattern every element driver shares, written once.
//
// Pre step: build the inputs, report errors or warnings, make sure the
// element's static result and those of its feed lines are solved and
// cached, write the static debug report.  Y callback: run the counted pre
// step, build the inputs, find the element's result in the cache (running
// the pre step on a miss), evaluate it at f = omega / 2 pi.
//
// An element driver describes itself with an Element<Inputs> (its label,
// builder, results to solve and frequency function) and calls pre_step and
// y_step from its exported callbacks.  Inputs is what its builder returns
// besides the vectors (metal rho, loss tangent, lengths, ...).
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "cache/cache.h"
#include "drivers/presolve.h"
#include "mirtex/mirtex.h"
#include "params/params.h"
#include "numeric/constants.h"

namespace mirtex::drivers {

using mirtex::kTwoPi;

// Conductivity [S/m] of a metal of relative resistivity rho (1 = gold as
// the technology data give it).  rho = 0 is a perfect conductor.
inline double conductivity(double rho) { return kGoldSigma / rho; }

// A warning list owned by one driver function for the life of the process.
class WarningList {
public:
    WarningList() = default;
    WarningList(const WarningList&) = delete;
    WarningList& operator=(const WarningList&) = delete;
    ~WarningList() { clear(); }

    void clear() {
        if (head_ != nullptr) Delete_Warning(&head_);
    }
    WARN** list() { return &head_; }
    const WARN* head() const { return head_; }

private:
    WARN* head_ = nullptr;
};

// The global work vectors of one result and the cache chain that holds it.
struct ResultVectors {
    int** ipar;
    int* n_ipar;
    double** dpar;
    int* n_dpar;
    int** ipar_out;
    int* n_ipar_out;
    double** dpar_out;
    int* n_dpar_out;
    CACHE** root;

    // Look-up: on a hit the cached results are copied into the result vectors.
    bool lookup() const;
    // Store the result vectors under the input vectors.
    void store() const;
};

// The vector set `set` (with the counts of `kind`) in the chain root_<chain>.
#define MIRTEX_RESULT_VECTORS(set, kind, chain)                                                              \
    ::mirtex::drivers::ResultVectors {                                                                       \
        &set##_ipar, &kind##_n_ipar, &set##_dpar, &kind##_n_dpar, &set##_ipar_out, &kind##_n_ipar_out,       \
            &set##_dpar_out, &kind##_n_dpar_out, &root_##chain                                               \
    }

// One static result the pre step makes sure of: the element's own or one
// of its feed lines'.
struct SolvedResult {
    ResultVectors vectors;
    const char* run_label;      // caption of the solver run, "C_LIN(%s)" with the instance name
    const char* out_of_memory;  // error sent when the solver runs out of memory, with the instance name
    int print_interval;         // solver progress interval in sweeps
    int (*solve)(const ResultVectors&);
    const char* report_label;  // label of its static debug report
};

// The cross-section solver on line vectors: lines, vias and every feed line.
int solve_cross_section(const ResultVectors& v);

// Solves the result unless the cache has it, and stores it; false after the
// failure has been reported.  name: the instance, for the messages.
bool ensure_solved(const SolvedResult& r, const char* name);

// How a Y callback treats the pre-analysis counter and its failures.
enum class YMode {
    Counted,  // runs the pending pre step; failures end with the abort line
    Silent,   // pre step ran as the host's own pre-analysis callback; fails without a message
};

template <class Inputs>
struct Element {
    const char* label;  // in the pre step's warnings: "WARNING <label>(<instance>) : <text>"
    // Fills the element's input vectors; 1 = error (the list holds the
    // texts), anything else success (the list holds warnings).
    int (*get)(UserInstDef*, WARN**, Inputs&);
    int (*pre)(UserInstDef*);             // the element's exported pre step
    std::span<const SolvedResult> results;  // the element's own first, then its feed lines
    // Writes the host's Y matrix at f [Hz] and the per-frequency debug row;
    // false after it has sent its own error.
    bool (*evaluate)(UserInstDef*, const Inputs&, double f, COMPLEX* Y);
    YMode mode;
};

// The rest of the pre step once the builder has answered.
int finish_pre(const char* label, const WARN* warnings, int status, std::span<const SolvedResult> results,
               UserInstDef* inst);

// "Simulation aborted due to ERROR! " and 0.
int aborted();

// The last guard before the host: true when every entry of the instance's
// nodes x nodes matrix is finite; otherwise the error names the element,
// the instance and the frequency, and the matrix must not be used.
bool y_is_finite(const char* label, UserInstDef* inst, double f, const COMPLEX* Y);

// The contents of one result's vectors, inputs and results.
struct VectorCopy {
    std::vector<int> ipar, ipar_out;
    std::vector<double> dpar, dpar_out;
};

// An instance's evaluation kept for the rest of its analysis: its built
// inputs and the vectors of every result it reads (its own and its feed
// lines'), as its first Y call of the analysis left them.  The inputs of an
// instance cannot change within an analysis, so later Y calls only put the
// vectors back and evaluate.  Kept evaluations end with the analysis (the
// post-analysis callback) and when an instance's pre-analysis callback or
// pre step runs again.
class KeptEvaluation {
public:
    virtual ~KeptEvaluation() = default;
    // Copies the vectors back into the work vectors; false (nothing used)
    // when a vector's size has changed since.
    bool restore(std::span<const SolvedResult> results) const;

protected:
    explicit KeptEvaluation(std::span<const SolvedResult> results);

private:
    std::vector<VectorCopy> vectors_;
};

template <class Inputs>
class KeptInputs final : public KeptEvaluation {
public:
    KeptInputs(std::span<const SolvedResult> results, const Inputs& in) : KeptEvaluation(results), inputs(in) {
        // The feed lines' results are among the kept vectors: no need to
        // look them up again.
        if constexpr (requires { inputs.feeds.resolved; }) inputs.feeds.resolved = true;
    }
    Inputs inputs;
};

// The instance's kept evaluation, or null.
const KeptEvaluation* kept_evaluation(const UserInstDef* inst);
void keep_evaluation(const UserInstDef* inst, std::unique_ptr<KeptEvaluation> k);
void forget_evaluation(const UserInstDef* inst);
void forget_all_evaluations();

template <class Inputs>
int pre_step(const Element<Inputs>& e, WarningList& warnings, UserInstDef* inst) {
    forget_evaluation(inst);
    warnings.clear();
    Inputs in{};
    const int status = e.get(inst, warnings.list(), in);
    return finish_pre(e.label, warnings.head(), status, e.results, inst);
}

template <class Inputs>
int y_step(const Element<Inputs>& e, WarningList& warnings, UserInstDef* inst, double omega, COMPLEX* Y) {
    const bool silent = e.mode == YMode::Silent;
    const double f = omega / kTwoPi;
    if (silent || cpw_pre_flg == 0) {
        const auto* k = dynamic_cast<const KeptInputs<Inputs>*>(kept_evaluation(inst));
        if (k != nullptr && k->restore(e.results)) {
            if (!e.evaluate(inst, k->inputs, f, Y)) return silent ? 0 : aborted();
            if (!y_is_finite(e.label, inst, f, Y)) return silent ? 0 : aborted();
            return 1;
        }
    }
    warnings.clear();
    if (!silent && cpw_pre_flg != 0) {
        presolve_pending();
        if (!e.pre(inst)) return aborted();
        --cpw_pre_flg;
    }
    Inputs in{};
    if (e.get(inst, warnings.list(), in) == 1) return silent ? 0 : aborted();
    // The element's result may be missing when its parameters changed since
    // its pre step ran: solve it now.
    if (!e.results.front().vectors.lookup()) {
        if (!e.pre(inst)) return silent ? 0 : aborted();
        e.results.front().vectors.lookup();
    }
    if (!e.evaluate(inst, in, f, Y)) return silent ? 0 : aborted();
    if (!y_is_finite(e.label, inst, f, Y)) return silent ? 0 : aborted();
    // Every vector the evaluation read is now filled: keep them.
    keep_evaluation(inst, std::make_unique<KeptInputs<Inputs>>(e.results, in));
    return 1;
}

// The input builder of the instance's element, run as its pre step runs
// it (reads, checks, grid fit, vectors): 0 sound, 1 after errors (in w),
// -1 for an element without one.
int run_builder(UserInstDef* inst, WARN** w);

}  // namespace mirtex::drivers
