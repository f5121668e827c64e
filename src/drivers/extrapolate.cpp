#include "drivers/extrapolate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "debug/slot_names.h"
#include "drivers/solved3d.h"
#include "numeric/memory.h"
#include "params/end_layout.h"
#include "params/extrapolation.h"
#include "params/idc_layout.h"
#include "params/junction_layout.h"
#include "params/rind_layout.h"
#include "params/two_line_layout.h"
#include "solver/solver.h"

namespace mirtex::drivers {
namespace {

// A result vector whose length its input sets (the spiral's, a column of
// values per segment): the real results an input asks for (0 for none),
// the integer results its calculation file keeps, and its lumped slots for
// the integer results a solve gave.  Two grids' results pair only where
// those integer results, the layout, are the same.
struct Sized {
    int (*results)(const int* ipar, int n_ipar);
    int filed_ints;
    void (*lumped)(const int* ipo, int n_dpo, std::vector<int>& slots);
    const char* value;  // the name of a lumped slot, per segment
};

// The spiral's segment capacitances C_s are its one set of values from the
// field: charges on the grid, converging in first order as the ends' do.
// Its segment inductances L_s (partial inductances of filaments between the
// tracks' corner centres) and resistances (the tracks' faces and sections)
// are closed forms on the drawn geometry: a geometry that fits both grids
// gives them the same on both, so 2 V(DL) - V(2 DL) would change nothing
// but what snapping moved, and that it would double.  Cs, the bridge's
// parallel plates, is closed-form as well.
int spiral_results(const int* ipar, int n_ipar) {
    if (n_ipar < params::RindInts::kSlots) return 0;
    const int NN = params::read_layout<params::RindInts>(ipar).NN;
    return NN >= 3 ? params::rind_result_slots(params::rind_segments(NN)) : 0;
}
void spiral_lumped(const int* ipo, int n_dpo, std::vector<int>& slots) {
    const int N = ipo != nullptr ? params::read_layout<params::RindIntResults>(ipo).NFP : 0;
    if (N < 1 || params::rind_result_slots(N) > n_dpo) return;
    for (int s = 0; s < N; ++s) slots.push_back(params::rind_column(params::kRindC, N) + s);
}
const Sized kSpiral{spiral_results, params::RindIntResults::kSlots, spiral_lumped, "C_s"};

// The elements whose lumped values converge with the grid: their chain,
// calculation file, the slot of their layout version and how many leading
// result slots are grid-dependent lumped values (the closed-form bridge
// loss, the feed lines' values and the geometry copies are not), or the
// layout of a sized result.
struct Kind {
    CACHE** root;
    const char* file;
    const char* ident;
    int version_slot;
    int lumped;
    const Sized* sized = nullptr;
};
// The version slot of kind K's real inputs and the first of its results
// that is not a lumped value.
#define MIRTEX_KIND_SLOTS(K, first_other) \
    MIRTEX_SLOT(params::K##Reals, VER), MIRTEX_SLOT(params::K##Results, first_other)
const Kind kKinds[] = {
    {&root_open, "cpw_open.cdb", "Tessaric Open", MIRTEX_KIND_SLOTS(Open, C_per_m)},
    {&root_short, "cpw_short.cdb", "Tessaric Short", MIRTEX_KIND_SLOTS(Short, L_per_m)},
    {&root_gap, "cpw_gap.cdb", "Tessaric Gap", MIRTEX_SLOT(params::TwoLineReals, VER),
     MIRTEX_SLOT(params::GapResults, C1_per_m)},
    {&root_step, "cpw_step.cdb", "Tessaric Step", MIRTEX_SLOT(params::TwoLineReals, VER),
     MIRTEX_SLOT(params::StepResults, C1_per_m)},
    {&root_taper, "cpw_taper.cdb", "Tessaric Taper", MIRTEX_SLOT(params::TwoLineReals, VER),
     MIRTEX_SLOT(params::StepResults, C1_per_m)},
    {&root_bruecke, "cpw_air.cdb", "Tessaric Airbridge", MIRTEX_KIND_SLOTS(Air, G_per_omega)},
    {&root_bend, "cpw_bend.cdb", "Tessaric Bend", MIRTEX_KIND_SLOTS(Bend, G_per_omega)},
    {&root_tee, "cpw_tee.cdb", "Tessaric T-Junction", MIRTEX_KIND_SLOTS(Tee, G_per_omega)},
    {&root_cross, "cpw_cross.cdb", "Tessaric Cross", MIRTEX_KIND_SLOTS(Cross, G_per_omega)},
    {&root_idc, "cpw_cap.cdb", "Tessaric Capacitence", MIRTEX_KIND_SLOTS(Idc, Rf1)},
    {&root_rindE, "cpw_ind.cdb", "Tessaric Inductor", MIRTEX_SLOT(params::RindReals, VER), 0, &kSpiral},
};
#undef MIRTEX_KIND_SLOTS

const Kind* kind_of(const ResultVectors& v) {
    for (const Kind& k : kKinds)
        if (k.root == v.root && *v.n_dpar > k.version_slot) return &k;
    return nullptr;
}

bool stamped(const Kind& k, const double* dpar) {
    return params::extrapolated_stamp(dpar[k.version_slot]);
}

// The slots of a result that are extrapolated.
std::vector<int> lumped_slots(const Kind& k, const SolveCopy& c) {
    std::vector<int> slots;
    if (k.sized != nullptr)
        k.sized->lumped(c.ipo.empty() ? nullptr : c.ipo.data(), static_cast<int>(c.dpo().size()), slots);
    for (int s = 0; s < k.lumped; ++s) slots.push_back(s);
    return slots;
}

// The integer results a calculation file keeps.
int filed_ints(const Kind& k, const ResultVectors& v) {
    return k.sized != nullptr ? std::min(k.sized->filed_ints, *v.n_ipar_out) : *v.n_ipar_out;
}

// The work vector of real results made n long (a sized result's length
// changes with its input); false without the memory.
bool size_results(const ResultVectors& v, int n) {
    if (*v.dpar_out != nullptr && *v.n_dpar_out == n) return true;
    auto* fresh = static_cast<double*>(g_malloc(static_cast<long>(n) * static_cast<long>(sizeof(double))));
    if (fresh == nullptr) return false;
    if (*v.dpar_out != nullptr) g_free(reinterpret_cast<char*>(*v.dpar_out));
    *v.dpar_out = fresh;
    *v.n_dpar_out = n;
    return true;
}

// Keys whose grids disagreed: their chain node holds the DL values.
std::mutex g_fallback_mutex;
std::set<std::string>& fallbacks() {
    static std::set<std::string> keys;
    return keys;
}
std::string key_bytes(const ResultVectors& v) {
    std::string s(reinterpret_cast<const char*>(*v.ipar), sizeof(int) * static_cast<std::size_t>(*v.n_ipar));
    s.append(reinterpret_cast<const char*>(*v.dpar), sizeof(double) * static_cast<std::size_t>(*v.n_dpar));
    return s;
}

// The solver on a copy, with the run's caption; its status.
int solve(const SolvedResult& r, SolveCopy& c, const char* name) {
    copy_bounded(CPW_Misc.label, sizeof CPW_Misc.label, format(r.run_label, name));
    print_iteration = r.print_interval;
    return r.solve(c.vectors());
}

// Why the two grids' values are no pair to extrapolate from, or empty.
std::string disagreement(const SolvedResult& r, const Kind& k, const SolveCopy& fine, const SolveCopy& coarse) {
    const debug::SlotNames* names = debug::slot_names(r.report_label);
    if (k.sized != nullptr)
        for (int s = 0; s < k.sized->filed_ints && s < static_cast<int>(fine.ipo.size()); ++s)
            if (fine.ipo[s] != coarse.ipo[s] || fine.dpo().size() != coarse.dpo().size()) {
                const auto ints = names ? debug::plain_names(names->ipar_out) : std::vector<std::string>{};
                const char* what = s < static_cast<int>(ints.size()) ? ints[s].c_str() : "N";
                return format("%s is %d at DL and %d at 2 DL", what, fine.ipo[s], coarse.ipo[s]);
            }
    const std::vector<std::string> out = names ? debug::plain_names(names->dpar_out) : std::vector<std::string>{};
    const std::vector<int> slots = lumped_slots(k, fine);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const int s = slots[i];
        const double a = fine.dpo()[s], b = coarse.dpo()[s];
        if (grids_agree(a, b)) continue;
        const std::string slot = k.sized != nullptr               ? format("%s of segment %zu", k.sized->value, i + 1)
                                 : s < static_cast<int>(out.size()) ? out[s]
                                                                    : format("result %d", s);
        return format("%s is %lg at DL and %lg at 2 DL", slot.c_str(), a, b);
    }
    return "";
}

}  // namespace

bool grids_agree(double fine, double coarse) {
    if (fine == 0.0 && coarse == 0.0) return true;
    return (fine > 0.0) == (coarse > 0.0) && fine != 0.0 && coarse != 0.0 &&
           std::fabs(fine - coarse) <= 0.25 * std::fabs(fine);
}

int version_slot(const ResultVectors& v) {
    const Kind* k = kind_of(v);
    return k != nullptr ? k->version_slot : -1;
}

bool extrapolated_key(const ResultVectors& v) {
    const Kind* k = kind_of(v);
    return k != nullptr && stamped(*k, *v.dpar);
}

bool holds_extrapolated(const ResultVectors& v) {
    if (!extrapolated_key(v)) return false;
    const std::lock_guard<std::mutex> lock(g_fallback_mutex);
    return fallbacks().count(key_bytes(v)) == 0;
}

bool ensure_extrapolated(const SolvedResult& r, UserInstDef* inst, const char* name) try {
    const ResultVectors& v = r.vectors;
    const Kind& k = *kind_of(v);
    if (v.lookup()) return true;
    const int ints = filed_ints(k, v);
    // A sized result: the file's record is as long as the input asks, and
    // the integer results it does not keep are cleared.
    if (k.sized != nullptr) {
        const int n = k.sized->results(*v.ipar, *v.n_ipar);
        if (n > 0 && !size_results(v, n)) throw std::bad_alloc();
        std::fill(*v.ipar_out + ints, *v.ipar_out + *v.n_ipar_out, 0);
    }
    if (ReadCalc(k.file, k.ident, *v.ipar, *v.n_ipar, *v.dpar, *v.n_dpar, *v.ipar_out, ints, *v.dpar_out,
                 *v.n_dpar_out) == 0) {
        v.store();
        return true;
    }
    auto failed = [&](int status) {
        if (status == solver::kOutOfMemory) send_error(r.out_of_memory, name);
        if (status == solver::kStopped) send_error("User Interrupt !");
        return false;
    };
    SolveCopy fine(v, k.version_slot);
    if (const int rc = solve(r, fine, name); rc != 0) return failed(rc);

    // The same element on a grid of twice the step: the builder snaps its
    // geometry anew, and the work vectors are rebuilt at DL afterwards.
    std::string why;
    int coarse_status = 0;
    std::vector<double> coarse_out;
    {
        WarningList w;
        int built = 0;
        {
            const params::GridScale twice(2.0);
            built = run_builder(inst, w.list());
            if (built == 0) {
                // A coarse solve that fails is told once, in the warning
                // below, with the solver's own reason.
                const HeldErrors held;
                SolveCopy coarse(v, k.version_slot);
                coarse_status = solve(r, coarse, name);
                if (coarse_status == 0) why = disagreement(r, k, fine, coarse);
                if (coarse_status != 0 && coarse_status != solver::kStopped)
                    why = "the solve at 2 DL failed" + (held.held().empty() ? std::string() : " (" + held.held().front() + ")");
                coarse_out.assign(coarse.dpo().begin(), coarse.dpo().end());
            }
        }
        if (built != 0)
            why = format("its geometry does not fit a grid of 2 DL (%s)", w.head() ? w.head()->text : "no grid");
        WarningList again;
        run_builder(inst, again.list());
    }
    if (coarse_status == solver::kStopped) return failed(coarse_status);

    const std::span<const double> at_dl = fine.dpo();
    if (!size_results(v, static_cast<int>(at_dl.size()))) throw std::bad_alloc();
    for (int s = 0; s < *v.n_ipar_out; ++s) (*v.ipar_out)[s] = fine.ipo[s];
    std::copy(at_dl.begin(), at_dl.end(), *v.dpar_out);
    if (why.empty()) {
        for (const int s : lumped_slots(k, fine)) (*v.dpar_out)[s] = 2.0 * at_dl[s] - coarse_out[s];
        WriteCalc(k.file, k.ident, *v.ipar, *v.n_ipar, *v.dpar, *v.n_dpar, *v.ipar_out, ints, *v.dpar_out,
                  *v.n_dpar_out);
    } else {
        // Not kept on disk: the next process finds both plain records and
        // tells again.
        send_info("WARNING %s(%s) : values not extrapolated to the fine-grid limit: %s; the values at DL stand",
                  r.report_label, name, why.c_str());
        const std::lock_guard<std::mutex> lock(g_fallback_mutex);
        fallbacks().insert(key_bytes(v));
    }
    v.store();
    return true;
} catch (...) {
    send_error(r.out_of_memory, name);
    return false;
}

}  // namespace mirtex::drivers
