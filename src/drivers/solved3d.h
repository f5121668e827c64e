// The elements solved on the three-dimensional grid, by definition name:
// their report label, their result vectors and chain, and their solver.
#pragma once

#include <span>
#include <vector>

#include "drivers/driver.h"

namespace mirtex::drivers {

struct Solved3D {
    const char* def;    // "CxGAP"
    const char* label;  // "C_GAP": report label and run caption "C_GAP(<instance>)"
    ResultVectors v;
    int (*solve)(const ResultVectors&);
    int print_interval;  // progress interval of its runs, in sweeps
};

// The spiral's solver: it sizes its result vector to the winding's
// segments, releasing and replacing the one it is given.
int solve_spiral(const ResultVectors& v);

std::span<const Solved3D> solved_3d();
// The entry of a definition name, or null.
const Solved3D* solved_3d(const char* def);

// An element's vectors copied out of the work vectors, so that builders
// may refill those while the copy is solved; with version_slot >= 0 the
// copy's layout version is the plain one.  The real results live on the
// library's heap, as the work vectors do: a solver that sizes its own
// result vector (the spiral) releases and replaces them.
struct SolveCopy {
    SolveCopy(const ResultVectors& v, int version_slot);
    ~SolveCopy();
    SolveCopy(const SolveCopy&) = delete;
    SolveCopy& operator=(const SolveCopy&) = delete;
    // Vectors over the copy (an empty chain of its own).
    ResultVectors vectors();
    bool same_key(const SolveCopy& o) const { return ip == o.ip && dp == o.dp; }
    // The real results, as long as the solver left them.
    std::span<const double> dpo() const { return {dpop_, static_cast<std::size_t>(dpop_ != nullptr ? ndpo_ : 0)}; }

    std::vector<int> ip, ipo;
    std::vector<double> dp;

private:
    int* ipp_ = nullptr;
    int* ipop_ = nullptr;
    double* dpp_ = nullptr;
    double* dpop_ = nullptr;
    int nip_ = 0, ndp_ = 0, nipo_ = 0, ndpo_ = 0;
    CACHE* none_ = nullptr;
};

}  // namespace mirtex::drivers
