#include "drivers/presolve.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "binding/messages.h"
#include "drivers/extrapolate.h"
#include "drivers/solved3d.h"
#include "params/item.h"
#include "solver/pool.h"
#include "solver/solver.h"

namespace mirtex::drivers {
namespace {

std::vector<UserInstDef*>& pending() {
    static std::vector<UserInstDef*> list;
    return list;
}

struct Job {
    Job(const Solved3D* e, std::string l, int version_slot)
        : element(e), label(std::move(l)), vectors(e->v, version_slot) {}
    const Solved3D* element;
    std::string label;
    SolveCopy vectors;
};

}  // namespace

// Neither function lets an exception out: without memory for the list or
// the copies the elements are simply solved one after the other.
void queue_presolve(UserInstDef* inst) {
    try {
        if (inst != nullptr && inst->def != nullptr && solved_3d(inst->def->name) != nullptr)
            pending().push_back(inst);
    } catch (...) {
    }
}

void drop_presolve() {
    pending().clear();
}

void presolve_pending() try {
    std::vector<UserInstDef*> insts;
    insts.swap(pending());
    if (insts.size() < 2 || solver::pool_threads() < 2) return;
    // The geometries: built as the pre steps build them, those already in
    // a chain and repeats left out.  An extrapolated element's fine solve
    // is its plain record.
    std::vector<std::unique_ptr<Job>> jobs;
    for (UserInstDef* inst : insts) {
        const Solved3D* e = solved_3d(inst->def->name);
        WarningList w;
        if (run_builder(inst, w.list()) != 0 || e->v.lookup()) continue;
        auto job = std::make_unique<Job>(e, format("%s(%s)", e->label, params::inst_name(inst)), version_slot(e->v));
        bool seen = false;
        for (const auto& j : jobs) seen = seen || (j->element == e && j->vectors.same_key(job->vectors));
        if (!seen) jobs.push_back(std::move(job));
    }
    if (jobs.size() < 2) return;
    std::vector<std::function<int()>> tasks;
    for (const auto& j : jobs)
        tasks.emplace_back([&job = *j] {
            const ThreadLabel named(job.label);
            // A failed solve leaves no record: its pre step solves it again
            // and tells the failure there, once, with its instance.
            const HeldErrors held;
            print_iteration = job.element->print_interval;
            return job.element->solve(job.vectors.vectors());
        });
    solver::run_side_by_side(tasks);
} catch (...) {
}

}  // namespace mirtex::drivers
