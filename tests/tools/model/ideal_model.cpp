// A model library of ideal elements with closed-form admittances, loaded by
// the tools' tests exactly as the host loads libmirtex.so.  It gives the
// simulator circuits whose S-parameters are known in closed form, an element
// that fails, and one whose "solve" runs until stop_cpw ends it.
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

#include "mirtex/host.h"

namespace {

constexpr double kC0 = 299792458.0;

double real_param(const UserInstDef* inst, int k) { return inst->params[k].value.r; }

void stamp_series(COMPLEX* y, double g_re, double g_im) {
    y[0] = {g_re, g_im};
    y[1] = {-g_re, -g_im};
    y[2] = {-g_re, -g_im};
    y[3] = {g_re, g_im};
}

// TSER: series resistor R between its two nodes.
int tser_y(UserInstDef* inst, double, COMPLEX* y) {
    stamp_series(y, 1.0 / real_param(inst, 0), 0.0);
    return 1;
}

// TSHC: capacitor C from its node to ground.
int tshc_y(UserInstDef* inst, double omega, COMPLEX* y) {
    y[0] = {0.0, omega * real_param(inst, 0)};
    return 1;
}

// TLINE: lossless line of length L whose cross-section, a TLTYPE item, gives
// Z0 and the effective permittivity ER.
//   Y11 = Y22 = -j cot(bl) / Z0,  Y12 = Y21 = j / (Z0 sin(bl)),  b = w sqrt(ER) / c0
int tline_y(UserInstDef* inst, double omega, COMPLEX* y) {
    const UserInstDef* type = get_user_inst(inst->params[1].value.s);
    if (type == nullptr) {
        send_error_to_scn((std::string("TLINE(") + inst->name + "): line type not available").c_str());
        return 0;
    }
    const double z0 = type->params[0].value.r, er = type->params[1].value.r;
    const double bl = omega * std::sqrt(er) / kC0 * real_param(inst, 0);
    y[0] = y[3] = {0.0, -1.0 / (z0 * std::tan(bl))};
    y[1] = y[2] = {0.0, 1.0 / (z0 * std::sin(bl))};
    return 1;
}

int tfail_y(UserInstDef* inst, double, COMPLEX*) {
    send_error_to_scn((std::string("ERROR: TFAIL(") + inst->name + "): cannot evaluate").c_str());
    return 0;
}

// TSLOW: a series resistor whose first evaluation "solves" until stop_cpw
// asks it to end (or 20 s pass), as a field solver would.
volatile int g_abort = 0;
int tslow_y(UserInstDef* inst, double omega, COMPLEX* y) {
    send_info_to_scn((std::string("TSLOW(") + inst->name + "): solving").c_str());
    for (int i = 0; i < 2000 && !g_abort; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (g_abort) {
        send_error_to_scn((std::string("TSLOW(") + inst->name + "): solve stopped").c_str());
        return 0;
    }
    return tser_y(inst, omega, y);
}

// TRELAX: a series resistor whose first evaluation reports two relaxation
// runs as the field solver does, the residual halving every 20 sweeps.
int trelax_y(UserInstDef* inst, double omega, COMPLEX* y) {
    static bool solved = false;
    for (int run = 1; run <= 2 && !solved; ++run)
        for (int k = 1; k <= 10; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
            send_info_to_scn((std::string("T_RELAX(") + inst->name + ") : " + std::to_string(run) + "/2   n= " +
                              std::to_string(20 * k) + "    e= " + std::to_string(0.1 / (1 << k)))
                                 .c_str());
        }
    solved = true;
    return tser_y(inst, omega, y);
}

const UserParamType kSer[] = {{"R", MIRTEX_REAL}, {"TEMP", MIRTEX_REAL}};
const UserParamType kShc[] = {{"C", MIRTEX_REAL}};
const UserParamType kLine[] = {{"L", MIRTEX_REAL}, {"C_LTYP", MIRTEX_MTRL}, {"TEMP", MIRTEX_REAL}};
const UserParamType kLtype[] = {{"Z0", MIRTEX_REAL}, {"ER", MIRTEX_REAL}};
const UserParamType kRelax[] = {{"R", MIRTEX_REAL}, {"C_GRID", MIRTEX_MTRL}};
const UserParamType kGrid[] = {{"BOUND", MIRTEX_REAL}};

UserElemDef kDefs[] = {
    {"TSER", 2, 2, kSer, nullptr, tser_y, nullptr, nullptr, {}},
    {"TSHC", 1, 1, kShc, nullptr, tshc_y, nullptr, nullptr, {}},
    {"TLINE", 2, 3, kLine, nullptr, tline_y, nullptr, nullptr, {}},
    {"TLTYPE", 0, 2, kLtype, nullptr, nullptr, nullptr, nullptr, {}},
    {"TFAIL", 2, 2, kSer, nullptr, tfail_y, nullptr, nullptr, {}},
    {"TSLOW", 2, 2, kSer, nullptr, tslow_y, nullptr, nullptr, {}},
    {"TRELAX", 2, 2, kRelax, nullptr, trelax_y, nullptr, nullptr, {}},
    {"TGRID", 0, 1, kGrid, nullptr, nullptr, nullptr, nullptr, {}},
};

int booted = 0;
int boot_ideal() {
    if (!booted) {
        booted = 1;
        load_elements(kDefs, static_cast<int>(sizeof kDefs / sizeof kDefs[0]));
    }
    return 0;
}

DeviceInstaller dev_ser("TSER", boot_ideal, 1);
DeviceInstaller dev_line("TLINE", boot_ideal, 1);

}  // namespace

// The library's stop entry, under the C++ name the host looks up.
__attribute__((visibility("default"))) void stop_cpw(int) { g_abort = 1; }
