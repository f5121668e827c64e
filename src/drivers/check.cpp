// The input check of one instance without a solve: its builder reads the
// data items it references, checks every value and fits the geometry to
// the grid, and reports as the pre step would.  A host that wants to tell
// a designer about bad input before a long analysis asks for it through
// sim_query_info("checkInstance").
#include <cstdio>
#include <cstring>

#include "binding/catalogue.h"
#include "binding/messages.h"
#include "drivers/driver.h"
#include "params/assembly.h"
#include "params/params.h"

namespace mirtex::drivers {

int run_builder(UserInstDef* inst, WARN** w) {
    const char* def = inst->def->name;
    double a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
    int flag = 0, n = 0;
    if (!std::strcmp(def, "CxLIN") || !std::strcmp(def, "CxFEED")) return cpw_line_get(inst, w, &a, &b, &c);
    if (!std::strcmp(def, "CxMETVIA")) return cpw_metvia_get(inst, w, &a, &b, &c);
    if (!std::strcmp(def, "CxTFR")) return cpw_tfr_get(inst, w, &a, &b, &c, &d, &e);
    if (!std::strcmp(def, "CxTFG")) return cpw_tfg_get(inst, w, &a, &b, &c, &d, &e, &f);
    if (!std::strcmp(def, "CxCAPLIN")) return cpw_mimlin_get(inst, w, &a, &b, &c, &d, &e);
    if (!std::strcmp(def, "CxMIM")) return cpw_mim_get(inst, w, &a, &b, &c, &d, &e, &f, &flag);
    if (std::sscanf(def, "C_%dCOUP", &n) == 1) return cpw_coup_get(inst, w, &a, &b, n);
    // The three-dimensional elements: the same builders the pre step runs,
    // with their range, technology, level, grid-fit and box checks.
    double g = 0;
    if (!std::strcmp(def, "CxOPEN")) return cpw_open_get(inst, w, &a, &b, &c);
    if (!std::strcmp(def, "CxSHORT")) return cpw_short_get(inst, w, &a, &b, &c);
    if (!std::strcmp(def, "CxGAP")) return cpw_gap_get(inst, w, &a, &b, &c, &d, &e);
    if (!std::strcmp(def, "CxSTEP")) return cpw_step_get(inst, w, &a, &b, &c, &d, &e);
    if (!std::strcmp(def, "CxTAPER")) return cpw_taper_get(inst, w, &a, &b, &c, &d, &e);
    if (!std::strcmp(def, "CxAIR")) return cpw_air_get(inst, w, &a, &b, &c, &d);
    if (!std::strcmp(def, "CxBEND")) return cpw_bend_get(inst, w, &a, &b, &c, &d, &e);
    if (!std::strcmp(def, "CxTEE")) return cpw_tee_get(inst, w, &a, &b, &c, &d, &e, &f);
    if (!std::strcmp(def, "CxCROSS")) return cpw_cross_get(inst, w, &a, &b, &c, &d, &e, &f, &g);
    if (!std::strcmp(def, "CxIDC")) return cpw_idc_get(inst, w, &a, &b, &c, &d, &e);
    if (!std::strcmp(def, "CxRIND")) return cpw_rindE_get(inst, w, &a, &b, &c, &d, &e);
    return -1;
}

}  // namespace mirtex::drivers

// 0 when the instance's inputs are sound (warnings are sent to the status
// window as the pre step sends them), 1 after its errors have been sent.
extern "C" int mirtex_check_instance(UserInstDef* inst) {
    using namespace mirtex::drivers;
    if (inst == nullptr || inst->def == nullptr || inst->def->numExtNodes == 0) return 0;
    const mirtex::params::OutsideAnalysis outside;
    try {
        WarningList w;
        const int status = run_builder(inst, w.list());
        if (status < 0) return 0;
        const std::string label = mirtex::element_label(inst->def->name);
        if (status == 1) {
            for (const WARN* x = w.head(); x != nullptr; x = x->next) mirtex::send_error("ERROR %s", x->text);
            return 1;
        }
        for (const WARN* x = w.head(); x != nullptr; x = x->next)
            mirtex::send_info("WARNING %s(%s) : %s", label.c_str(), inst->name, x->text);
        return 0;
    } catch (...) {
        return 1;
    }
}
