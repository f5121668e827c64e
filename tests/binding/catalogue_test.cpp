// The 42 definitions as the host receives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host.h"
#include "mirtex/mirtex.h"
#include "support/fresh_process.h"

using mirtex::host::Host;

namespace {

const std::vector<const UserElemDef*>& booted() {
    Host::get().boot_all();
    return Host::get().definitions();
}

std::string params_of(const UserElemDef* d) {
    static const char* const t[] = {"R", "I", "M", "S"};
    std::string s;
    for (int i = 0; i < d->numPars; ++i) s += std::string(i ? " " : "") + d->params[i].keyword + ":" + t[d->params[i].type];
    return s;
}

}  // namespace

TEST(Catalogue, DefinitionsArriveInRegistrationOrderWithTheirNodeCounts) {
    MIRTEX_FRESH_PROCESS();
    const auto& defs = booted();
    const std::vector<std::pair<std::string, int>> expect = {
        {"CxGAP", 2},    {"CxLIN", 2},    {"CxFEED", 2},   {"CxMETVIA", 2}, {"CxOPEN", 1},    {"CxSHORT", 1},
        {"CxSTEP", 2},   {"CxTAPER", 2},  {"CxAIR", 2},    {"CxBEND", 2},   {"CxTEE", 3},     {"CxCROSS", 4},
        {"CxIDC", 2},    {"CxRIND", 2},   {"CxMIM", 2},    {"CxCAPLIN", 2}, {"CxTFR", 2},     {"CxTFG", 2},
        {"C_SUB", 0},    {"C_GRID", 0},   {"C_LINTYP", 0}, {"C_AIRTYP", 0}, {"C_NL_TYP", 0},  {"C_PROCES", 0},
        {"C_TECH", 0},   {"C_LAYER", 0},  {"C_2COUP", 4},  {"C_3COUP", 6},  {"C_4COUP", 8},   {"C_5COUP", 10},
        {"C_6COUP", 12}, {"C_7COUP", 14}, {"C_8COUP", 16}, {"C_9COUP", 18}, {"C_10COUP", 20}, {"C_DEBUG", 0},
        {"T_DB_A", 0},   {"L_DB_A", 0},   {"T_FBH_A", 0},  {"L_FBH_A", 0},  {"T_UMS_A", 0},   {"L_UMS_A", 0}};
    ASSERT_EQ(defs.size(), expect.size());
    for (std::size_t i = 0; i < defs.size(); ++i) {
        EXPECT_EQ(defs[i]->name, expect[i].first) << i;
        EXPECT_EQ(defs[i]->numExtNodes, expect[i].second) << defs[i]->name;
        for (void* w : defs[i]->reserved) EXPECT_EQ(w, nullptr);
    }
}

TEST(Catalogue, ParameterListsAreExact) {
    Host& h = Host::get();
    h.boot_all();
    EXPECT_EQ(params_of(h.definition("CxGAP")), "L1:R L2:R GAP:R C_LTYP1:M C_LTYP2:M C_SUB:M C_GRID:M TEMP:R");
    EXPECT_EQ(params_of(h.definition("CxOPEN")), "L:R GAP:R WG:R TYPE:I C_LTYP:M C_SUB:M C_GRID:M TEMP:R");
    EXPECT_EQ(params_of(h.definition("CxCROSS")),
              "C_LTYP1:M C_LTYP2:M C_LTYP3:M C_LTYP4:M C_BTYP1:M C_BTYP2:M C_BTYP3:M C_BTYP4:M C_SUB:M C_GRID:M "
              "TEMP:R");
    EXPECT_EQ(params_of(h.definition("CxIDC")),
              "L1:R L2:R WF:R SF:R LF:R NF:I S:R G:R WL:R IDCLEVEL:I C_LTYP1:M C_LTYP2:M C_SUB:M C_GRID:M TEMP:R");
    EXPECT_EQ(params_of(h.definition("CxRIND")),
              "L1:R L2:R N:R WT:R ST:R I_DIA1:R I_DIA2:R S:R INDLEVEL:I C_LTYP1:M C_LTYP2:M C_BTR:M C_SUB:M "
              "C_GRID:M TEMP:R");
    EXPECT_EQ(params_of(h.definition("CxCAPLIN")), "L:R C_LTYPC:M C_LTYP1:M C_LTYP2:M DIE_IDX:I C_SUB:M C_GRID:M TEMP:R");
    EXPECT_EQ(params_of(h.definition("CxTFG")), "L:R C_LTYPR:M C_LTYP1:M C_LTYP2:M RES_IDX:I C_SUB:M C_GRID:M TEMP:R");
    EXPECT_EQ(params_of(h.definition("C_10COUP")), "L:R C_NL_TYP:M C_SUB:M C_GRID:M TEMP:R");
    EXPECT_EQ(params_of(h.definition("C_GRID")), "BOUND:R L1:R L2:R DL:R ACC:I");
    EXPECT_EQ(params_of(h.definition("C_AIRTYP")), "TYPE:I BW:R BG:R BS:R DIE_IDX:I L:R");
    EXPECT_EQ(params_of(h.definition("C_PROCES")), "FOUNDRY:S GW_DEF:R count:I");
    EXPECT_EQ(params_of(h.definition("C_DEBUG")), "Flag1:I Flag2:I Flag3:I Flag4:I FILE:S");

    const UserElemDef* nl = h.definition("C_NL_TYP");
    ASSERT_EQ(nl->numPars, 33);
    EXPECT_STREQ(nl->params[4].keyword, "W1");
    EXPECT_STREQ(nl->params[30].keyword, "S9_10");
    EXPECT_STREQ(nl->params[31].keyword, "W10");
    EXPECT_STREQ(nl->params[32].keyword, "LEVEL10");
    EXPECT_EQ(nl->params[32].type, MIRTEX_INT);

    EXPECT_EQ(h.definition("C_TECH")->numPars, 19);
    EXPECT_EQ(h.definition("T_DB_A")->numPars, 21);
    EXPECT_EQ(h.definition("T_FBH_A")->numPars, 21);
    const UserElemDef* ums = h.definition("T_UMS_A");
    ASSERT_EQ(ums->numPars, 23);
    EXPECT_STREQ(ums->params[17].keyword, "res_l3");
    EXPECT_STREQ(ums->params[18].keyword, "res_rs3");
    EXPECT_EQ(h.definition("L_UMS_A")->numPars, 15);
    EXPECT_EQ(h.definition("C_LAYER")->numPars, 10);
}

TEST(Catalogue, CallbacksAreWiredPerKind) {
    MIRTEX_FRESH_PROCESS();
    for (const UserElemDef* d : booted()) {
        const std::string n = d->name;
        if (n == "C_DEBUG") {
            EXPECT_EQ(d->pre, c_debug_pre);
            EXPECT_EQ(d->post, c_debug_post);
            EXPECT_EQ(d->y, nullptr);
            EXPECT_EQ(d->noise, nullptr);
        } else if (d->numExtNodes == 0) {
            EXPECT_EQ(d->pre, nullptr) << n;
            EXPECT_EQ(d->y, nullptr) << n;
            EXPECT_EQ(d->noise, nullptr) << n;
            EXPECT_EQ(d->post, nullptr) << n;
        } else {
            EXPECT_EQ(d->pre, n == "CxFEED" ? cpw_line_pre : cpw_all_pre) << n;
            EXPECT_EQ(d->noise, thermal_n) << n;
            EXPECT_EQ(d->post, cpw_all_post) << n;
            EXPECT_NE(d->y, nullptr) << n;
        }
    }
    Host& h = Host::get();
    EXPECT_EQ(h.definition("CxRIND")->y, cpw_rindE_y);
    EXPECT_EQ(h.definition("CxCAPLIN")->y, cpw_mimlin_y);
    EXPECT_EQ(h.definition("C_7COUP")->y, cpw_7coup_y);
}
