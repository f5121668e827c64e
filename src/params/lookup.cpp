// Finding the data items an element instance references and decoding their
// values by position.  No range is checked here; the checks come later.
#include <cstring>

#include "binding/messages.h"
#include "params/item.h"
#include "params/params.h"

namespace mirtex::params {
namespace {

struct ItemShape {
    const char* type;
    int params;
};

// Parameter counts of the items decoded here: an item of the right type
// always has them, so reading by position stays inside its value list.
constexpr ItemShape kShapes[] = {{"C_SUB", 9}, {"C_GRID", 5}, {"C_LINTYP", 5}, {"C_AIRTYP", 6}, {"C_NL_TYP", 33}};

int shape_params(const char* type) {
    for (const ItemShape& s : kShapes)
        if (std::strcmp(s.type, type) == 0) return s.params;
    return 0;
}

// The referenced item of parameter index, checked; null when missing or of
// another type (the message is sent).
UserInstDef* referenced(UserInstDef* inst, int index, const char* label, const char* type) {
    UserInstDef* item = has_param(inst, index) ? get_user_inst(text_param(inst, index)) : nullptr;
    return CheckInstance(inst, item, label, type, index) == 0 ? item : nullptr;
}

}  // namespace
}  // namespace mirtex::params

using namespace mirtex::params;

extern "C" {

MIRTEX_API int CheckInstance(UserInstDef* inst, UserInstDef* item, const char*, const char* type_name, int index) {
    if (item == nullptr) {
        mirtex::send_error("%s not available (needed by %s)", keyword(inst, index), inst_name(inst));
        return 1;
    }
    // A name that finds an instance of another kind (a grid named where a
    // substrate belongs) would be read past its own values: refuse it.
    if (type_name != nullptr && type_name[0] != '\0' && !is_item_of(item, type_name, shape_params(type_name))) {
        const char* found = item->def != nullptr && item->def->name != nullptr ? item->def->name : "?";
        mirtex::send_error("%s=%s is a %s item, not %s (needed by %s)", keyword(inst, index), inst_name(item), found,
                           type_name, inst_name(inst));
        return 1;
    }
    return 0;
}

MIRTEX_API int get_grid(UserInstDef* inst, int index, const char* label, const char*, double* L1, double* L2,
                        double* DL, double* ALPHA, double* BOUND, int* ACC) {
    *ALPHA = 1.8;
    const UserInstDef* g = referenced(inst, index, label, "C_GRID");
    if (g == nullptr) return 1;
    *BOUND = real_param(g, 0);
    *L1 = real_param(g, 1);
    *L2 = real_param(g, 2);
    *DL = real_param(g, 3);
    *ACC = int_param(g, 4);
    return 0;
}

MIRTEX_API int get_lintyp(UserInstDef* inst, int index, const char* label, const char*, double* W, double* S,
                          double* GW, int* CEN_MET, int* GND_MET) {
    const UserInstDef* l = referenced(inst, index, label, "C_LINTYP");
    if (l == nullptr) return 1;
    *W = real_param(l, 0);
    *S = real_param(l, 1);
    *GW = real_param(l, 2);
    *CEN_MET = int_param(l, 3);
    *GND_MET = int_param(l, 4);
    return 0;
}

MIRTEX_API int get_airtyp(UserInstDef* inst, int index, const char* label, const char*, int* TYPE, double* BW,
                          double* BG, double* BS, int* DIE_IDX, double* L) {
    const UserInstDef* a = referenced(inst, index, label, "C_AIRTYP");
    if (a == nullptr) return 1;
    *TYPE = int_param(a, 0);
    *BW = real_param(a, 1);
    *BG = real_param(a, 2);
    *BS = real_param(a, 3);
    *DIE_IDX = int_param(a, 4);
    *L = real_param(a, 5);
    return 0;
}

MIRTEX_API int get_sub(UserInstDef* inst, int index, const char* label, const char*, double* H1, double* H2,
                       double* H3, double* ER1, double* ER2, double* ER3, double* TAND1, double* TAND2,
                       double* TAND3) {
    const UserInstDef* s = referenced(inst, index, label, "C_SUB");
    if (s == nullptr) return 1;
    *H1 = real_param(s, 0);
    *H2 = real_param(s, 1);
    *H3 = real_param(s, 2);
    *ER1 = real_param(s, 3);
    *ER2 = real_param(s, 4);
    *ER3 = real_param(s, 5);
    *TAND1 = real_param(s, 6);
    *TAND2 = real_param(s, 7);
    *TAND3 = real_param(s, 8);
    return 0;
}

MIRTEX_API int get_nltyp(UserInstDef* inst, int index, const char* label, const char* name, int n, double* GW,
                         double* SG1, double* SG2, double* W, double* S, int* GND_MET, int* LEVEL) {
    // The item describes at most ten conductors; any other count would
    // read or write past the caller's arrays.
    if (n < 2 || n > 10) {
        mirtex::send_error("%s(%s): C_NL_TYP: %d conductors requested (2 to 10)", label ? label : "",
                           name ? name : inst_name(inst), n);
        return 1;
    }
    const UserInstDef* t = referenced(inst, index, label, "C_NL_TYP");
    if (t == nullptr) return 1;
    *GW = real_param(t, 0);
    *GND_MET = int_param(t, 1);
    *SG1 = real_param(t, 2);
    *SG2 = real_param(t, 3);
    for (int k = 1; k <= n; ++k) {
        const int at = 4 + 3 * (k - 1);
        W[k] = real_param(t, at);
        LEVEL[k] = int_param(t, at + 1);
        if (k < n) S[k] = real_param(t, at + 2);
    }
    return 0;
}

// The solver's bridge code for a TYPE: junctions and the spiral accept a
// line without bridge (0) and the -1 kind; the air bridge needs a bridge.
MIRTEX_API int SetAirType(int TYPE, int* code) {
    switch (TYPE) {
        case 0: *code = 0; return 0;
        case 1: *code = 2; return 0;
        case 2: *code = 1; return 0;
        case -1: *code = 3; return 0;
        default: return 1;
    }
}

MIRTEX_API int SetAirTypeB(int TYPE, int* code) {
    switch (TYPE) {
        case 1: *code = 2; return 0;
        case 2: *code = 1; return 0;
        default: return 1;
    }
}

}  // extern "C"
