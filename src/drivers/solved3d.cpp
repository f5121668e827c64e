#include "drivers/solved3d.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "drivers/junction.h"
#include "numeric/memory.h"
#include "params/extrapolation.h"

namespace mirtex::drivers {
namespace {

int solve_idc(const ResultVectors& v) {
    return Calc_Cap(0, *v.ipar, *v.n_ipar, *v.dpar, *v.dpar_out);
}

}  // namespace

int solve_spiral(const ResultVectors& v) {
    return Calc_Ind2(0, *v.ipar, *v.n_ipar, *v.dpar, *v.n_dpar, *v.ipar_out, v.dpar_out, v.n_dpar_out);
}

namespace {

const Solved3D kSolved[] = {
    {"CxOPEN", "C_OPEN", MIRTEX_RESULT_VECTORS(open, open, open), solve3<Calc_Open>, 1},
    {"CxSHORT", "C_SHORT", MIRTEX_RESULT_VECTORS(short, short, short), solve3<Calc_Short>, 1},
    {"CxGAP", "C_GAP", MIRTEX_RESULT_VECTORS(gap, gap, gap), solve3<Calc_Gap>, 2},
    {"CxSTEP", "C_STEP", MIRTEX_RESULT_VECTORS(step, step, step), solve3<Calc_Step>, 5},
    {"CxTAPER", "C_TAPER", MIRTEX_RESULT_VECTORS(taper, taper, taper), solve3<Calc_Taper>, 5},
    {"CxAIR", "C_AIR", MIRTEX_RESULT_VECTORS(bruecke, bruecke, bruecke), solve3_int<Calc_Air>, 5},
    {"CxBEND", "C_BEND", MIRTEX_RESULT_VECTORS(bend, bend, bend), solve3_int<Calc_Bend>, 1},
    {"CxTEE", "C_TEE", MIRTEX_RESULT_VECTORS(tee, tee, tee), solve3_int<Calc_Tee>, 1},
    {"CxCROSS", "C_CROSS", MIRTEX_RESULT_VECTORS(cross, cross, cross), solve3_int<Calc_Cross>, 1},
    {"CxIDC", "C_IDC", MIRTEX_RESULT_VECTORS(idc, idc, idc), solve_idc, 5},
    {"CxRIND", "C_RIND", MIRTEX_RESULT_VECTORS(rindE, rindE, rindE), solve_spiral, 1},
};

}  // namespace

std::span<const Solved3D> solved_3d() {
    return kSolved;
}

const Solved3D* solved_3d(const char* def) {
    for (const Solved3D& s : kSolved)
        if (def != nullptr && std::strcmp(def, s.def) == 0) return &s;
    return nullptr;
}

SolveCopy::SolveCopy(const ResultVectors& v, int version_slot)
    : ip(*v.ipar, *v.ipar + *v.n_ipar),
      ipo(static_cast<std::size_t>(*v.n_ipar_out)),
      dp(*v.dpar, *v.dpar + *v.n_dpar),
      nip_(*v.n_ipar),
      ndp_(*v.n_dpar),
      nipo_(*v.n_ipar_out),
      ndpo_(*v.n_dpar_out) {
    if (version_slot >= 0 && version_slot < ndp_ && params::extrapolated_stamp(dp[version_slot]))
        dp[version_slot] -= params::kExtrapolatedStamp;
    if (ndpo_ > 0) {
        dpop_ = static_cast<double*>(g_malloc(static_cast<long>(ndpo_) * static_cast<long>(sizeof(double))));
        if (dpop_ == nullptr) throw std::bad_alloc();
        std::fill_n(dpop_, ndpo_, 0.0);
    }
    ipp_ = ip.data(), dpp_ = dp.data(), ipop_ = ipo.empty() ? nullptr : ipo.data();
}

SolveCopy::~SolveCopy() {
    if (dpop_ != nullptr) g_free(reinterpret_cast<char*>(dpop_));
}

ResultVectors SolveCopy::vectors() {
    return {&ipp_, &nip_, &dpp_, &ndp_, &ipop_, &nipo_, &dpop_, &ndpo_, &none_};
}

}  // namespace mirtex::drivers
