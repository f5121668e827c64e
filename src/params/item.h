// Reading parameter values of instances and data items by position.
#pragma once

#include <cstring>

#include "mirtex/host.h"

namespace mirtex::params {

inline int param_count(const UserInstDef* inst) {
    return inst != nullptr && inst->def != nullptr ? inst->def->numPars : 0;
}

inline bool has_param(const UserInstDef* inst, int index) {
    return index >= 0 && index < param_count(inst) && inst->params != nullptr;
}

inline double real_param(const UserInstDef* inst, int index) { return inst->params[index].value.r; }
inline int int_param(const UserInstDef* inst, int index) { return inst->params[index].value.i; }

// A text or MTRL value; never null.
inline const char* text_param(const UserInstDef* inst, int index) {
    if (!has_param(inst, index)) return "";
    const char* s = inst->params[index].value.s;
    return s != nullptr ? s : "";
}

// The keyword of parameter index of the instance's definition; never null.
inline const char* keyword(const UserInstDef* inst, int index) {
    if (index < 0 || index >= param_count(inst) || inst->def->params == nullptr) return "";
    const char* k = inst->def->params[index].keyword;
    return k != nullptr ? k : "";
}

inline const char* inst_name(const UserInstDef* inst) {
    return inst != nullptr && inst->name != nullptr ? inst->name : "";
}

// True when item is an instance of the definition def_name with at least
// min_params parameters, so that reading it by position stays inside it.
inline bool is_item_of(const UserInstDef* item, const char* def_name, int min_params) {
    return item != nullptr && item->def != nullptr && item->def->name != nullptr &&
           std::strcmp(item->def->name, def_name) == 0 && item->params != nullptr &&
           item->def->numPars >= min_params;
}

}  // namespace mirtex::params
