// MIM capacitor CxMIM and capacitive line CxCAPLIN.
#include <utility>

#include "drivers/leads.h"

namespace mirtex::drivers {
namespace {

int get_mim(UserInstDef* inst, WARN** w, LeadInputs& in) {
    double rho1 = 0, rho2 = 0;
    int flip = 0;
    const int rc = cpw_mim_get(inst, w, &in.tand, &in.x, &in.Lf, &rho1, &rho2, &in.L, &flip);
    in.flip = flip != 0;
    // The plates' metals are the lines' that meet them: line 1 meets the
    // bottom plate unless the element is turned round.
    in.sigma_b = conductivity(in.flip ? rho2 : rho1);
    in.sigma_t = conductivity(in.flip ? rho1 : rho2);
    set_leads(in, rho1, rho2);
    return rc;
}

int get_mimlin(UserInstDef* inst, WARN** w, LeadInputs& in) {
    double rho = 0;
    const int rc = cpw_mimlin_get(inst, w, &in.tand, &in.x, &in.Lf, &rho, &in.L);
    in.sigma = conductivity(rho);
    set_leads(in, rho, rho);
    return rc;
}

void mim_net(UserInstDef* inst, const LeadInputs& in, double f, COMPLEX* Ye) {
    Freq_Mim(mim_dpar_out, in.tand, in.x, in.sigma_b, in.sigma_t, in.inner(), f, 0.0, Ye);
    if (in.flip) {
        std::swap(Ye[0], Ye[3]);
        std::swap(Ye[1], Ye[2]);
    }
    debug_dyn_empty("C_MIM", inst->name);
}

void mimlin_net(UserInstDef* inst, const LeadInputs& in, double f, COMPLEX* Ye) {
    COMPLEX ZL{0, 0}, gamma{0, 0};
    double R = 0, G = 0;
    Freq_Mimlin(mimlin_dpar_out, in.x, in.tand, in.sigma, in.inner(), f, Ye, &ZL, &gamma, &R, &G);
    debug_dyn_empty("C_CAPLIN", inst->name);
}

int solve_mim(const ResultVectors& v) { return Calc_Mim(*v.ipar, *v.dpar, *v.dpar_out); }
int solve_mimlin(const ResultVectors& v) { return Calc_Mimlin(*v.ipar, *v.dpar, *v.dpar_out); }

const auto kMimResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(mim, mim, mim), "C_MIM(%s)",
                                             "ERROR: C_MIM(%s): Memory Overflow! Failed to Calculate Element!", 5,
                                             solve_mim, "C_MIM"});
const auto kMimlinResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(mimlin, mimlin, mimlin), "C_CAPLIN(%s)",
                                                "ERROR: C_CAPLIN(%s): Memory Overflow! Failed to Calculate Element!",
                                                5, solve_mimlin, "C_CAPLIN"});
const NetworkElement<LeadInputs> kMim{"C_MIM", get_mim, cpw_mim_pre, kMimResults, Joint::Cascade, 2, {}, mim_net};
const NetworkElement<LeadInputs> kMimlin{"C_CAPLIN", get_mimlin, cpw_mimlin_pre, kMimlinResults, Joint::Cascade,
                                         2,          {},         mimlin_net};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(mim, mirtex::drivers::kMim)
MIRTEX_NETWORK_CALLBACKS(mimlin, mirtex::drivers::kMimlin)

}  // extern "C"
