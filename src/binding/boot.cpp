// Library boot: device announcement, the one-time boot, the senior
// placeholder path and the per-analysis bookkeeping.
#include "binding/boot.h"

#include <cstring>

#include "binding/catalogue.h"
#include "binding/messages.h"
#include "cache/calc_file.h"
#include "drivers/driver.h"
#include "drivers/presolve.h"

extern "C" int mirtex_check_instance(UserInstDef* inst);
extern "C" int mirtex_describe_instance(UserInstDef* inst, double f, char* buf, int size);
extern "C" int mirtex_describe_values(UserInstDef* inst, double f, char* buf, int size);

#include "mirtex/mirtex.h"
#include "mirtex/table.h"

extern "C" {
MIRTEX_API int cpw_pre_flg = 0;
MIRTEX_API CPW_MISC CPW_Misc = {0, {0}};

MIRTEX_API const char* device_names[41] = {
    "CxGAP",   "CxLIN",   "CxFEED",   "CxMETVIA", "CxOPEN",   "CxSHORT",  "CxSTEP",   "CxTAPER",
    "CxAIR",   "CxBEND",  "CxTEE",    "CxCROSS",  "CxIDC",    "CxRIND",   "CxMIM",    "CxCAPLIN",
    "CxTFR",   "C_SUB",   "C_GRID",   "C_LINTYP", "C_AIRTYP", "C_NL_TYP", "C_PROCES", "C_TECH",
    "C_LAYER", "C_2COUP", "C_3COUP",  "C_4COUP",  "C_5COUP",  "C_6COUP",  "C_7COUP",  "C_8COUP",
    "C_9COUP", "C_10COUP", "T_DB_A",  "L_DB_A",   "T_FBH_A",  "L_FBH_A",  "T_UMS_A",  "L_UMS_A",
    nullptr};
}

namespace {

int module_booted = 0;
const char kVersion[16] = "MIRTEX v4.2 r47";

int senior_y(UserInstDef*, double, COMPLEX*) { return 1; }

const UserParamType kSeniorParams[] = {{"x1", MIRTEX_REAL}};

// The senior placeholder: the definition's ten words, then the int 2 that
// only the host interprets, then zero words.
struct SeniorRecord {
    UserElemDef def;
    int word;
    int pad[3];
};
SeniorRecord senior = {{"mirtex", 0, 1, kSeniorParams, nullptr, senior_y, nullptr, nullptr, {}}, 2, {}};
static_assert(offsetof(SeniorRecord, word) == 80);

}  // namespace

namespace mirtex {

int boot_mirtex_once() {
    if (module_booted) return 0;
    module_booted = 1;
    send_info("Booting module MIRTEX ...");
    return boot_mirtex_dyn() == 0 ? 1 : 0;
}

}  // namespace mirtex

// One installer per announced device, constructed at load in this order.
// CxTFG and C_DEBUG have none: they arrive with the boot of any other device.
#define MIRTEX_INSTALLER(n) static DeviceInstaller n##_device(#n, mirtex::boot_mirtex_once, 1);
MIRTEX_INSTALLER(CxGAP)
MIRTEX_INSTALLER(CxLIN)
MIRTEX_INSTALLER(CxFEED)
MIRTEX_INSTALLER(CxMETVIA)
MIRTEX_INSTALLER(CxOPEN)
MIRTEX_INSTALLER(CxSHORT)
MIRTEX_INSTALLER(CxSTEP)
MIRTEX_INSTALLER(CxTAPER)
MIRTEX_INSTALLER(CxAIR)
MIRTEX_INSTALLER(CxBEND)
MIRTEX_INSTALLER(CxTEE)
MIRTEX_INSTALLER(CxCROSS)
MIRTEX_INSTALLER(CxIDC)
MIRTEX_INSTALLER(CxRIND)
MIRTEX_INSTALLER(CxMIM)
MIRTEX_INSTALLER(CxCAPLIN)
MIRTEX_INSTALLER(CxTFR)
MIRTEX_INSTALLER(C_SUB)
MIRTEX_INSTALLER(C_GRID)
MIRTEX_INSTALLER(C_LINTYP)
MIRTEX_INSTALLER(C_AIRTYP)
MIRTEX_INSTALLER(C_NL_TYP)
MIRTEX_INSTALLER(C_PROCES)
MIRTEX_INSTALLER(C_TECH)
MIRTEX_INSTALLER(C_LAYER)
MIRTEX_INSTALLER(C_2COUP)
MIRTEX_INSTALLER(C_3COUP)
MIRTEX_INSTALLER(C_4COUP)
MIRTEX_INSTALLER(C_5COUP)
MIRTEX_INSTALLER(C_6COUP)
MIRTEX_INSTALLER(C_7COUP)
MIRTEX_INSTALLER(C_8COUP)
MIRTEX_INSTALLER(C_9COUP)
MIRTEX_INSTALLER(C_10COUP)
MIRTEX_INSTALLER(T_DB_A)
MIRTEX_INSTALLER(L_DB_A)
MIRTEX_INSTALLER(T_FBH_A)
MIRTEX_INSTALLER(L_FBH_A)
MIRTEX_INSTALLER(T_UMS_A)
MIRTEX_INSTALLER(L_UMS_A)
#undef MIRTEX_INSTALLER

extern "C" {

MIRTEX_API int sim_query_info(const char* query, void** result) {
    *result = nullptr;
    if (query != nullptr && std::strcmp(query, "deviceNames") == 0) {
        *result = static_cast<void*>(device_names);
        return 0;
    }
    // The input check of one instance, int (*)(UserInstDef*): 0 sound, 1
    // after its errors were sent.
    if (query != nullptr && std::strcmp(query, "checkInstance") == 0) {
        *result = reinterpret_cast<void*>(&mirtex_check_instance);
        return 0;
    }
    // The description of an instance's solved values,
    // int (*)(UserInstDef*, double f, char* buf, int size).
    if (query != nullptr && std::strcmp(query, "describeInstance") == 0) {
        *result = reinterpret_cast<void*>(&mirtex_describe_instance);
        return 0;
    }
    // The same values for scripts, one line each: name, value and unit in
    // SI, the factor and unit the text shows it in (tab-separated), the
    // grid step last as "DL"; the same signature.
    if (query != nullptr && std::strcmp(query, "describeValues") == 0) {
        *result = reinterpret_cast<void*>(&mirtex_describe_values);
        return 0;
    }
    // The calculation-table tool, mirtex_table_fn (mirtex/table.h).
    if (query != nullptr && std::strcmp(query, "calcTable") == 0) {
        *result = reinterpret_cast<void*>(&mirtex_calc_table);
        return 0;
    }
    // The elements whose evaluation this build does not have: a
    // null-terminated array of definition names.
    if (query != nullptr && std::strcmp(query, "unavailableElements") == 0) {
        *result = const_cast<char**>(mirtex::unavailable_elements());
        return 0;
    }
    return 1;
}

MIRTEX_API int boot_mirtex_dyn(void) {
    boot_cpw_zoka();
    mirtex::send_info("Booting %s", kVersion);
    UserElemDef* defs = mirtex::definitions();
    for (int i = 0; i < mirtex::kDefinitionCount; ++i) load_elements(&defs[i], 1);
    return 1;
}

MIRTEX_API int boot_cpw_zoka(void) {
    CPW_Misc.abort_request = 0;
    foundries.resolve_pending = 1;
    mirtex::allocate_work_vectors();
    return 1;
}

MIRTEX_API int boot_senior_mirtex(void) { return load_elements2(&senior.def, 1); }

MIRTEX_API int cpw_all_pre(UserInstDef* inst) {
    ++cpw_pre_flg;
    // A new analysis: the instance's inputs are built anew at its first Y
    // call, so that a parameter changed since is seen.
    mirtex::drivers::forget_evaluation(inst);
    mirtex::drivers::queue_presolve(inst);
    return 1;
}

MIRTEX_API int cpw_all_post(UserInstDef*) {
    foundries.resolve_pending = 1;
    // Pre steps still pending belong to the analysis that ended (it failed
    // or stopped before every instance's first Y call): the next analysis
    // counts its own, and its later Y calls only evaluate.
    cpw_pre_flg = 0;
    mirtex::drivers::forget_all_evaluations();
    // A stop request ends the analysis it was made in; the next analysis
    // must be able to solve again.
    CPW_Misc.abort_request = 0;
    mirtex::calc_file_analysis_end();
    mirtex::drivers::drop_presolve();
    return 1;
}

}  // extern "C"

MIRTEX_API void stop_cpw(int) { __atomic_store_n(&CPW_Misc.abort_request, 1, __ATOMIC_RELAXED); }
