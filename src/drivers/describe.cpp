// A one-line description of an instance's solved values, for a host that
// summarises an analysis for the designer: the cross-section's impedance,
// effective permittivity and loss, or a component's lumped value.  Reached
// through sim_query_info("describeInstance"); nothing is solved here, so an
// instance whose result is not cached is not described.
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <string>

#include "binding/messages.h"
#include "debug/slot_names.h"
#include "drivers/driver.h"
#include "drivers/extrapolate.h"
#include "drivers/solved3d.h"
#include "freq/freq.h"
#include "params/assembly.h"
#include "params/params.h"

namespace mirtex::drivers {
namespace {

constexpr double kDbPerNeper = 8.685889638065037;

// ZL, eps_eff and the loss at f of a line result (C', L', R', G', ZL, ER_eff, W, T).
std::string line_text(const double* r, double tand, double sigma, double f) {
    double R = 0, G = 0;
    COMPLEX z{}, g{};
    COMPLEX y[4];
    Freq_Line(r, tand, 1e-3, sigma, f, &R, &G, &z, &g, y);
    const double w = kTwoPi * f;
    const std::complex<double> gamma = std::sqrt(std::complex<double>(R, w * r[1]) * std::complex<double>(G, w * r[0]));
    return format("ZL = %.4g ohm, eps_eff = %.4g, loss %.3g dB/mm at %.4g GHz", r[4], r[5],
                  kDbPerNeper * gamma.real() * 1e-3, f / 1e9);
}

bool cached(const ResultVectors& v) { return v.lookup(); }

// The spiral's results are per turn (R at 1 GHz, R at DC in 1/sigma, LS,
// CP, each a column of `turns` values after T and Cs): their sums.
std::string spiral_text(const int* iout, const double* v, int n) {
    const int turns = iout[0];
    if (turns < 1 || n < 2 + 4 * turns) return "";
    double sum[4] = {0, 0, 0, 0};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < turns; ++i) sum[c] += v[2 + c * turns + i];
    return format("L = %.4g nH, R = %.4g ohm at 1 GHz, C = %.4g fF to ground, Cs = %.4g fF across", sum[2] * 1e9,
                  sum[0], sum[3] * 1e15, v[1] * 1e15);
}

}  // namespace
}  // namespace mirtex::drivers

// Writes the description into buf (size bytes, always terminated); 0 when
// there is one, 1 when the element has none or its result is not cached.
extern "C" int mirtex_describe_instance(UserInstDef* inst, double f, char* buf, int size) {
    using namespace mirtex::drivers;
    if (inst == nullptr || inst->def == nullptr || buf == nullptr || size < 1) return 1;
    const mirtex::params::OutsideAnalysis outside;
    buf[0] = '\0';
    try {
        const char* def = inst->def->name;
        WarningList w;
        std::string text;
        double a = 0, b = 0, c = 0, d = 0, e = 0, g = 0;
        int flag = 0, n = 0;
        if (!std::strcmp(def, "CxLIN") || !std::strcmp(def, "CxFEED") || !std::strcmp(def, "CxMETVIA")) {
            const int rc = std::strcmp(def, "CxMETVIA") ? cpw_line_get(inst, w.list(), &a, &b, &c)
                                                         : cpw_metvia_get(inst, w.list(), &a, &b, &c);
            if (rc == 1 || !cached(MIRTEX_RESULT_VECTORS(line, line, line))) return 1;
            text = line_text(line_dpar_out, b, conductivity(a), f);
        } else if (!std::strcmp(def, "CxTFR")) {
            if (cpw_tfr_get(inst, w.list(), &a, &b, &c, &d, &e) == 1 || !cached(MIRTEX_RESULT_VECTORS(tfr, tfr, tfr)))
                return 1;
            text = mirtex::format("R = %.4g ohm (film of %.4g um)", tfr_dpar_out[3] * (e - 2 * d), (e - 2 * d) * 1e6);
        } else if (!std::strcmp(def, "CxMIM")) {
            if (cpw_mim_get(inst, w.list(), &a, &b, &c, &d, &e, &g, &flag) == 1 ||
                !cached(MIRTEX_RESULT_VECTORS(mim, mim, mim)))
                return 1;
            text = mirtex::format("C = %.4g pF between the plates (%.4g um long)", -mim_dpar_out[1] * (g - 2 * c) * 1e12,
                                  (g - 2 * c) * 1e6);
        } else if (!std::strcmp(def, "CxCAPLIN")) {
            if (cpw_mimlin_get(inst, w.list(), &a, &b, &c, &d, &e) == 1 ||
                !cached(MIRTEX_RESULT_VECTORS(mimlin, mimlin, mimlin)))
                return 1;
            text = mirtex::format("plate capacitance %.4g pF/mm, C' = %.4g pF/mm", mimlin_dpar_out[2] * 1e9,
                                  mimlin_dpar_out[0] * 1e9);
        } else if (std::sscanf(def, "C_%dCOUP", &n) == 1) {
            if (cpw_coup_get(inst, w.list(), &a, &b, n) == 1 || !cached(MIRTEX_RESULT_VECTORS(coup, coup, coup)))
                return 1;
            const int N = coup_ipar_out[0];
            const double eps0mu0 = 1.1126496140164036e-17;
            // Each line with all other conductors grounded: its impedance
            // sqrt(eps0 mu0 / (C_kk C_air,kk)) and eps_eff C_kk / C_air,kk.
            for (int k = 1; k + 1 < N; ++k) {
                const double cd = coup_dpar_out[1 + k * N + k], ca = coup_dpar_out[1 + N * N + k * N + k];
                text += mirtex::format("%sline %d alone: %.4g ohm, eps_eff %.4g", k > 1 ? "; " : "", k,
                                       std::sqrt(eps0mu0 / (cd * ca)), cd / ca);
            }
        } else {
            const Solved3D* k = solved_3d(def);
            if (k == nullptr || run_builder(inst, w.list()) != 0 || !cached(k->v)) return 1;
            const ResultVectors& v = k->v;
            text = std::strcmp(def, "CxRIND")
                       ? mirtex::debug::lumped_values(k->label, *v.dpar, *v.n_dpar, *v.dpar_out, *v.n_dpar_out,
                                                     holds_extrapolated(v))
                       : spiral_text(*v.ipar_out, *v.dpar_out, *v.n_dpar_out);
            if (text.empty()) return 1;
        }
        std::snprintf(buf, static_cast<std::size_t>(size), "%s", text.c_str());
        return 0;
    } catch (...) {
        return 1;
    }
}
