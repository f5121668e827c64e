// Thin-film resistor CxTFR and resistive gap CxTFG.
#include "drivers/leads.h"

namespace mirtex::drivers {
namespace {

int get_tfr(UserInstDef* inst, WARN** w, LeadInputs& in) {
    double rho1 = 0, rho2 = 0;
    const int rc = cpw_tfr_get(inst, w, &in.tand, &rho1, &rho2, &in.Lf, &in.L);
    set_leads(in, rho1, rho2);
    return rc;
}

int get_tfg(UserInstDef* inst, WARN** w, LeadInputs& in) {
    double rho_e = 0, rho1 = 0, rho2 = 0;
    const int rc = cpw_tfg_get(inst, w, &in.tand, &rho_e, &rho1, &rho2, &in.Lf, &in.L);
    in.sigma = conductivity(rho_e);
    set_leads(in, rho1, rho2);
    return rc;
}

void tfr_net(UserInstDef* inst, const LeadInputs& in, double f, COMPLEX* Ye) {
    COMPLEX ZL{0, 0}, gamma{0, 0};
    Freq_Tfr(tfr_dpar_out, in.tand, in.inner(), f, Ye, &ZL, &gamma);
    debug_line("C_TFR", inst->name, f, 0.0, 0.0, ZL, gamma);
}

void tfg_net(UserInstDef* inst, const LeadInputs& in, double f, COMPLEX* Ye) {
    COMPLEX ZL{0, 0}, gamma{0, 0};
    double R = 0, G = 0;
    Freq_Tfg(tfg_dpar_out, in.tand, in.sigma, in.inner(), f, Ye, &ZL, &gamma, &R, &G);
    debug_line("C_TFG", inst->name, f, R, G, ZL, gamma);
}

int solve_tfr(const ResultVectors& v) { return Calc_Tfr(*v.ipar, *v.dpar, *v.dpar_out); }
int solve_tfg(const ResultVectors& v) { return Calc_Tfg(*v.ipar, *v.dpar, *v.dpar_out); }

const auto kTfrResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(tfr, tfr, tfr), "C_TFR(%s)",
                                             "ERROR: C_TFR(%s): Memory Overflow! Failed to Calculate Element!", 1,
                                             solve_tfr, "C_TFR"});
const auto kTfgResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(tfg, tfg, tfg), "C_TFG(%s)",
                                             "ERROR: C_TFG(%s): Memory Overflow! Failed to Calculate Element!", 20,
                                             solve_tfg, "C_TFG"});
const NetworkElement<LeadInputs> kTfr{"C_TFR", get_tfr, cpw_tfr_pre, kTfrResults, Joint::Cascade, 2, {}, tfr_net};
const NetworkElement<LeadInputs> kTfg{"C_TFG", get_tfg, cpw_tfg_pre, kTfgResults, Joint::Cascade, 2, {}, tfg_net};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(tfr, mirtex::drivers::kTfr)
MIRTEX_NETWORK_CALLBACKS(tfg, mirtex::drivers::kTfg)

}  // extern "C"
