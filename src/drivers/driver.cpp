#include "drivers/driver.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>

#include "binding/messages.h"
#include "debug/reports.h"
#include "drivers/extrapolate.h"
#include "params/item.h"
#include "solver/solver.h"

namespace mirtex::drivers {

bool ResultVectors::lookup() const {
    int found = 0;
    *root = cache(*root, &found, "r", *ipar, *n_ipar, *dpar, *n_dpar, ipar_out, n_ipar_out, dpar_out, n_dpar_out);
    return found != 0;
}

void ResultVectors::store() const {
    int found = 0;
    *root = cache(*root, &found, "w", *ipar, *n_ipar, *dpar, *n_dpar, ipar_out, n_ipar_out, dpar_out, n_dpar_out);
}

namespace {

template <class T>
std::vector<T> contents(T* const* v, const int* n) {
    return *v != nullptr && *n > 0 ? std::vector<T>(*v, *v + *n) : std::vector<T>{};
}

template <class T>
bool put_back(T* const* v, const int* n, const std::vector<T>& c) {
    if (c.empty()) return true;
    if (*v == nullptr || *n != static_cast<int>(c.size())) return false;
    std::copy(c.begin(), c.end(), *v);
    return true;
}

// One map serves every element kind.  The host makes its Y calls one at a
// time, but pre steps may run beside each other (each forgets its own
// instance), so the map itself is guarded; an entry is only ever replaced
// or dropped by its own instance's calls.
std::mutex g_kept_lock;
std::unordered_map<const UserInstDef*, std::unique_ptr<KeptEvaluation>> g_kept;

}  // namespace

KeptEvaluation::KeptEvaluation(std::span<const SolvedResult> results) {
    vectors_.reserve(results.size());
    for (const SolvedResult& r : results) {
        const ResultVectors& v = r.vectors;
        vectors_.push_back({contents(v.ipar, v.n_ipar), contents(v.ipar_out, v.n_ipar_out), contents(v.dpar, v.n_dpar),
                            contents(v.dpar_out, v.n_dpar_out)});
    }
}

bool KeptEvaluation::restore(std::span<const SolvedResult> results) const {
    if (results.size() != vectors_.size()) return false;
    for (std::size_t k = 0; k < results.size(); ++k) {
        const ResultVectors& v = results[k].vectors;
        const VectorCopy& c = vectors_[k];
        if (!put_back(v.ipar, v.n_ipar, c.ipar) || !put_back(v.ipar_out, v.n_ipar_out, c.ipar_out) ||
            !put_back(v.dpar, v.n_dpar, c.dpar) || !put_back(v.dpar_out, v.n_dpar_out, c.dpar_out))
            return false;
    }
    return true;
}

const KeptEvaluation* kept_evaluation(const UserInstDef* inst) {
    const std::lock_guard lock(g_kept_lock);
    const auto it = g_kept.find(inst);
    return it == g_kept.end() ? nullptr : it->second.get();
}

void keep_evaluation(const UserInstDef* inst, std::unique_ptr<KeptEvaluation> k) {
    const std::lock_guard lock(g_kept_lock);
    g_kept[inst] = std::move(k);
}

void forget_evaluation(const UserInstDef* inst) {
    const std::lock_guard lock(g_kept_lock);
    g_kept.erase(inst);
}

void forget_all_evaluations() {
    const std::lock_guard lock(g_kept_lock);
    g_kept.clear();
}

int solve_cross_section(const ResultVectors& v) { return Calc_Line(0, *v.ipar, *v.dpar, *v.dpar_out); }

int aborted() {
    send_error("Simulation aborted due to ERROR! ");
    return 0;
}

bool y_is_finite(const char* label, UserInstDef* inst, double f, const COMPLEX* Y) {
    const int n = inst != nullptr && inst->def != nullptr ? inst->def->numExtNodes : 0;
    for (int k = 0; k < n * n; ++k)
        if (!std::isfinite(Y[k].real) || !std::isfinite(Y[k].imag)) {
            send_error("ERROR: %s(%s): the admittance matrix at f = %lg Hz is not finite; it is not handed to the "
                       "simulator!",
                       label, params::inst_name(inst), f);
            return false;
        }
    return true;
}

bool ensure_solved(const SolvedResult& r, const char* name) {
    if (r.vectors.lookup()) return true;
    copy_bounded(CPW_Misc.label, sizeof CPW_Misc.label, format(r.run_label, name));
    print_iteration = r.print_interval;
    const int status = r.solve(r.vectors);
    if (status == solver::kOutOfMemory) {
        send_error(r.out_of_memory, name);
        return false;
    }
    if (status == solver::kStopped) {
        send_error("User Interrupt !");
        return false;
    }
    // Any other failure the solver has reported itself; its result is not
    // valid and must not enter the cache.
    if (status != 0) return false;
    r.vectors.store();
    return true;
}

// Messages are formatted whole, however long the instance name or the
// warning text: a name cut to fit a line could be another instance's.
int finish_pre(const char* label, const WARN* warnings, int status, std::span<const SolvedResult> results,
               UserInstDef* inst) {
    const char* name = params::inst_name(inst);
    if (status == 1) {
        for (const WARN* w = warnings; w != nullptr; w = w->next) send_error("ERROR %s", w->text);
        return 0;
    }
    for (const WARN* w = warnings; w != nullptr; w = w->next) send_info("WARNING %s(%s) : %s", label, name, w->text);
    for (const SolvedResult& r : results) {
        const bool limit = &r == &results.front() && extrapolated_key(r.vectors);
        if (!(limit ? ensure_extrapolated(r, inst, name) : ensure_solved(r, name))) return 0;
    }
    for (const SolvedResult& r : results) {
        const ResultVectors& v = r.vectors;
        debug_static(r.report_label, name, *v.ipar, *v.n_ipar, *v.dpar, *v.n_dpar, *v.ipar_out, *v.n_ipar_out,
                     *v.dpar_out, *v.n_dpar_out);
    }
    return 1;
}

}  // namespace mirtex::drivers
