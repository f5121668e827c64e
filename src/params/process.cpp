// Resolving the foundry process of the circuit: C_PROCES_DEFAULT names the
// foundry, "C_TECH_<FOUNDRY>" holds its technology, copied into the twelve
// tables of `foundries`.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "binding/messages.h"
#include "debug/c_debug.h"
#include "params/assembly.h"
#include "params/grid.h"
#include "params/item.h"
#include "params/params.h"

namespace mirtex::params {
namespace {

constexpr int kTables = 12;
constexpr int kMaxEntries = 3;

// Parameter positions of each table's entries, per technology kind.
struct TechLayout {
    const char* type;
    int params;
    std::initializer_list<int> positions[kTables];
};

const TechLayout kCTech = {"C_TECH", 19, {{0}, {1}, {2}, {3, 8}, {4, 9}, {5, 10}, {6, 11}, {7, 12}, {13}, {14},
                                          {15, 17}, {16, 18}}};
const TechLayout kUmsTech = {"T_UMS_A", 23, {{0}, {1}, {2}, {3, 8}, {4, 9}, {5, 10}, {6, 11}, {7, 12},
                                             {13, 15, 17}, {14, 16, 18}, {19, 21}, {20, 22}}};

// The tables live in blocks of fixed capacity, one per record they were
// given to, and are rewritten in place at every later resolution.
struct TableBlock {
    int count[kTables];
    double value[kTables][kMaxEntries];
    double* row[kTables];
};

std::vector<TableBlock*>& blocks() {
    static std::vector<TableBlock*> b;
    return b;
}

TableBlock* block_for(const _foundries* f) {
    for (TableBlock* b : blocks())
        if (f->entries == b->row && f->entry_count == b->count) return b;
    auto* b = new (std::nothrow) TableBlock{};
    if (b == nullptr) return nullptr;
    for (int t = 0; t < kTables; ++t) b->row[t] = b->value[t];
    blocks().push_back(b);
    return b;
}

}  // namespace
std::string& tech_name_store() {
    static std::string name;
    return name;
}

}  // namespace mirtex::params

const char* mirtex::params::tech_item_name() { return tech_name_store().c_str(); }

using namespace mirtex::params;

extern "C" {

MIRTEX_API int get_proces(char* tech_name, char* layer_name, double* GW_DEF) {
    const UserInstDef* p = get_user_inst("C_PROCES_DEFAULT");
    if (p == nullptr) {
        mirtex::send_error("MIRTEX: Data Item C_PROCES_DEFAULT not defined");
        return 1;
    }
    // Another kind of item under that name has no FOUNDRY text to read.
    if (!is_item_of(p, "C_PROCES", 2)) {
        mirtex::send_error("MIRTEX: Data Item C_PROCES_DEFAULT is a %s item, not C_PROCES",
                           p->def && p->def->name ? p->def->name : "?");
        return 1;
    }
    const char* foundry = text_param(p, 0);
    const std::string tech = mirtex::format("C_TECH_%s", foundry);
    const std::string layer = mirtex::format("C_LAYER_%s", foundry);
    if (layer.size() >= MIRTEX_PROCES_NAME_SIZE) {
        mirtex::send_error("MIRTEX: FOUNDRY of C_PROCES_DEFAULT is too long (%zu characters): '%s'",
                           std::strlen(foundry), foundry);
        return 1;
    }
    mirtex::copy_bounded(tech_name, MIRTEX_PROCES_NAME_SIZE, tech);
    mirtex::copy_bounded(layer_name, MIRTEX_PROCES_NAME_SIZE, layer);
    *GW_DEF = real_param(p, 1);
    return 0;
}

MIRTEX_API int get_tech_data(_foundries* tables, UserInstDef* tech) {
    if (tech == nullptr || tech->def == nullptr || tech->def->name == nullptr) {
        std::fputs("Cannot find userDef - status=FALSE\n", stderr);
        return 1;
    }
    const TechLayout* layout = nullptr;
    for (const TechLayout* l : {&kCTech, &kUmsTech})
        if (is_item_of(tech, l->type, l->params)) layout = l;
    if (layout == nullptr) {
        mirtex::send_error("MIRTEX: Foundry %s is of unknown typ %s", inst_name(tech), tech->def->name);
        return 1;
    }
    if (tables == nullptr) return 1;
    TableBlock* b = block_for(tables);
    if (b == nullptr) {
        mirtex::send_error("MIRTEX: Memory Overflow! Cannot store tech data %s", inst_name(tech));
        return 1;
    }
    for (int t = 0; t < kTables; ++t) {
        int n = 0;
        for (int pos : layout->positions[t]) b->value[t][n++] = real_param(tech, pos);
        b->count[t] = n;
    }
    tables->entry_count = b->count;
    tables->entries = b->row;
    tables->table_count = kTables;
    return 0;
}

MIRTEX_API int NetPars(void*) {
    if (mirtex::params::OutsideAnalysis::depth() == 0) mirtex::setup_debug_item();
    char tech[MIRTEX_PROCES_NAME_SIZE];
    char layer[MIRTEX_PROCES_NAME_SIZE];
    double gw_def = 0.0;
    if (get_proces(tech, layer, &gw_def) != 0) return 1;
    tech_name_store() = tech;
    UserInstDef* t = get_user_inst(tech);
    if (t == nullptr) {
        mirtex::send_error("ZOKA, tech data %s not found, needed by C_PROCES_DEFAULT", tech);
        return 1;
    }
    return get_tech_data(&foundries, t) != 0 ? 1 : 0;
}

}  // extern "C"
