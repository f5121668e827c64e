// The element and data-item definitions.  Parameter order is binding: the
// input builders and the noise callback address parameters by position.
#include "binding/catalogue.h"

#include <cstring>
#include <string>
#include <vector>

#include "mirtex/mirtex.h"

namespace mirtex {
namespace {

#define R(k) {k, MIRTEX_REAL}
#define I(k) {k, MIRTEX_INT}
#define M(k) {k, MIRTEX_MTRL}
#define S(k) {k, MIRTEX_STRG}

const UserParamType kGap[] = {R("L1"), R("L2"), R("GAP"), M("C_LTYP1"), M("C_LTYP2"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kLine[] = {R("L"), M("C_LTYP"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kMetvia[] = {R("L"), M("C_LTYP1"), M("C_LTYP2"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kOpen[] = {R("L"), R("GAP"), R("WG"), I("TYPE"), M("C_LTYP"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kShort[] = {R("L"), R("WG"), M("C_LTYP"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kStep[] = {R("L1"), R("L2"), R("SL"), M("C_LTYP1"), M("C_LTYP2"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kTaper[] = {R("L1"), R("L2"), R("TL"), M("C_LTYP1"), M("C_LTYP2"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kAir[] = {M("C_LTYP"), M("C_BTYP"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kBend[] = {M("C_LTYP1"), M("C_LTYP2"), M("C_BTYP1"), M("C_BTYP2"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kTee[] = {M("C_LTYP1"), M("C_LTYP2"), M("C_LTYP3"), M("C_BTYP1"), M("C_BTYP2"), M("C_BTYP3"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kCross[] = {M("C_LTYP1"), M("C_LTYP2"), M("C_LTYP3"), M("C_LTYP4"), M("C_BTYP1"), M("C_BTYP2"), M("C_BTYP3"), M("C_BTYP4"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kIdc[] = {R("L1"), R("L2"), R("WF"), R("SF"), R("LF"), I("NF"), R("S"), R("G"), R("WL"), I("IDCLEVEL"), M("C_LTYP1"), M("C_LTYP2"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kRind[] = {R("L1"), R("L2"), R("N"), R("WT"), R("ST"), R("I_DIA1"), R("I_DIA2"), R("S"), I("INDLEVEL"), M("C_LTYP1"), M("C_LTYP2"), M("C_BTR"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kMim[] = {R("L"), M("C_LTYPC"), M("C_LTYP1"), M("C_LTYP2"), I("DIE_IDX"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kTf[] = {R("L"), M("C_LTYPR"), M("C_LTYP1"), M("C_LTYP2"), I("RES_IDX"), M("C_SUB"), M("C_GRID"), R("TEMP")};
const UserParamType kCoup[] = {R("L"), M("C_NL_TYP"), M("C_SUB"), M("C_GRID"), R("TEMP")};

const UserParamType kSub[] = {R("H1"), R("H2"), R("H3"), R("ER1"), R("ER2"), R("ER3"), R("TAND1"), R("TAND2"), R("TAND3")};
const UserParamType kGrid[] = {R("BOUND"), R("L1"), R("L2"), R("DL"), I("ACC")};
const UserParamType kLintyp[] = {R("W"), R("S"), R("GW"), I("CEN_MET"), I("GND_MET")};
const UserParamType kAirtyp[] = {I("TYPE"), R("BW"), R("BG"), R("BS"), I("DIE_IDX"), R("L")};
const UserParamType kNltyp[] = {
    R("GW"), I("GND_MET"), R("SG1"), R("SG2"),
    R("W1"), I("LEVEL1"), R("S1_2"), R("W2"), I("LEVEL2"), R("S2_3"), R("W3"), I("LEVEL3"), R("S3_4"),
    R("W4"), I("LEVEL4"), R("S4_5"), R("W5"), I("LEVEL5"), R("S5_6"), R("W6"), I("LEVEL6"), R("S6_7"),
    R("W7"), I("LEVEL7"), R("S7_8"), R("W8"), I("LEVEL8"), R("S8_9"), R("W9"), I("LEVEL9"), R("S9_10"),
    R("W10"), I("LEVEL10")};
const UserParamType kProces[] = {S("FOUNDRY"), R("GW_DEF"), I("count")};
const UserParamType kTech[] = {R("die_h0"), R("die_er0"), R("die_td0"), R("cap_os1"), R("cap_l1"), R("die_h1"), R("die_er1"),
                               R("die_td1"), R("cap_os2"), R("cap_l2"), R("die_h2"), R("die_er2"), R("die_td2"), R("res_l"),
                               R("res_rs"), R("t1"), R("rho1"), R("t2"), R("rho2")};
const UserParamType kLayer[] = {R("via_ol"), R("cond_os"), R("cond_wm"), R("cond_sm"), R("cond2_os"),
                                R("cond2_wm"), R("cond2_sm"), R("resi_os"), R("diel_os"), R("diel2_os")};
const UserParamType kDebug[] = {I("Flag1"), I("Flag2"), I("Flag3"), I("Flag4"), S("FILE")};
const UserParamType kTechDb[] = {R("die_h0"), R("die_er0"), R("die_td0"), R("cap_os1"), R("cap_l1"), R("die_h1"), R("die_er1"),
                                 R("die_td1"), R("cap_os2"), R("cap_l2"), R("die_h2"), R("die_er2"), R("die_td2"), R("res_l1"),
                                 R("res_rs1"), R("res_l2"), R("res_rs2"), R("t1"), R("rho1"), R("t2"), R("rho2")};
const UserParamType kTechUms[] = {R("die_h0"), R("die_er0"), R("die_td0"), R("cap_os1"), R("cap_l1"), R("die_h1"),
                                  R("die_er1"), R("die_td1"), R("cap_os2"), R("cap_l2"), R("die_h2"), R("die_er2"),
                                  R("die_td2"), R("res_l1"), R("res_rs1"), R("res_l2"), R("res_rs2"), R("res_l3"),
                                  R("res_rs3"), R("t1"), R("rho1"), R("t2"), R("rho2")};
const UserParamType kLayerDb[] = {R("via_ol"), R("GLM_mp"), R("MESA_os"), R("OHM_os"), R("GAR_os"), R("PASS_os"), R("BLACK_os"), R("GLM_os")};
const UserParamType kLayerFbh[] = {R("via_ol"), R("a_os"), R("b_os"), R("c_os"), R("d_os"), R("e_os"), R("f1_os"), R("f2_os")};
const UserParamType kLayerUms[] = {R("via_ol"), R("ZAL_os"), R("CO_os"), R("PL_os"), R("GR1_os"), R("GR2_os"), R("OUV_os"), R("RHRW_os"),
                                   R("RM_os"), R("N1_os"), R("DPC_os"), R("PEL_os"), R("EL_os"), R("TR_os"), R("DCFA_os")};

#undef R
#undef I
#undef M
#undef S

template <std::size_t N>
constexpr int count(const UserParamType (&)[N]) {
    return static_cast<int>(N);
}

#define ELEM(name, nodes, params, y) {name, nodes, count(params), params, cpw_all_pre, y, thermal_n, cpw_all_post, {}}
#define ITEM(name, params) {name, 0, count(params), params, nullptr, nullptr, nullptr, nullptr, {}}

UserElemDef kDefinitions[kDefinitionCount] = {
    ELEM("CxGAP", 2, kGap, cpw_gap_y),
    ELEM("CxLIN", 2, kLine, cpw_line_y),
    {"CxFEED", 2, count(kLine), kLine, cpw_line_pre, cpw_feed_y, thermal_n, cpw_all_post, {}},
    ELEM("CxMETVIA", 2, kMetvia, cpw_metvia_y),
    ELEM("CxOPEN", 1, kOpen, cpw_open_y),
    ELEM("CxSHORT", 1, kShort, cpw_short_y),
    ELEM("CxSTEP", 2, kStep, cpw_step_y),
    ELEM("CxTAPER", 2, kTaper, cpw_taper_y),
    ELEM("CxAIR", 2, kAir, cpw_air_y),
    ELEM("CxBEND", 2, kBend, cpw_bend_y),
    ELEM("CxTEE", 3, kTee, cpw_tee_y),
    ELEM("CxCROSS", 4, kCross, cpw_cross_y),
    ELEM("CxIDC", 2, kIdc, cpw_idc_y),
    ELEM("CxRIND", 2, kRind, cpw_rindE_y),
    ELEM("CxMIM", 2, kMim, cpw_mim_y),
    ELEM("CxCAPLIN", 2, kMim, cpw_mimlin_y),
    ELEM("CxTFR", 2, kTf, cpw_tfr_y),
    ELEM("CxTFG", 2, kTf, cpw_tfg_y),
    ITEM("C_SUB", kSub),
    ITEM("C_GRID", kGrid),
    ITEM("C_LINTYP", kLintyp),
    ITEM("C_AIRTYP", kAirtyp),
    ITEM("C_NL_TYP", kNltyp),
    ITEM("C_PROCES", kProces),
    ITEM("C_TECH", kTech),
    ITEM("C_LAYER", kLayer),
    ELEM("C_2COUP", 4, kCoup, cpw_2coup_y),
    ELEM("C_3COUP", 6, kCoup, cpw_3coup_y),
    ELEM("C_4COUP", 8, kCoup, cpw_4coup_y),
    ELEM("C_5COUP", 10, kCoup, cpw_5coup_y),
    ELEM("C_6COUP", 12, kCoup, cpw_6coup_y),
    ELEM("C_7COUP", 14, kCoup, cpw_7coup_y),
    ELEM("C_8COUP", 16, kCoup, cpw_8coup_y),
    ELEM("C_9COUP", 18, kCoup, cpw_9coup_y),
    ELEM("C_10COUP", 20, kCoup, cpw_10coup_y),
    {"C_DEBUG", 0, count(kDebug), kDebug, c_debug_pre, nullptr, nullptr, c_debug_post, {}},
    ITEM("T_DB_A", kTechDb),
    ITEM("L_DB_A", kLayerDb),
    ITEM("T_FBH_A", kTechDb),
    ITEM("L_FBH_A", kLayerFbh),
    ITEM("T_UMS_A", kTechUms),
    ITEM("L_UMS_A", kLayerUms),
};

#undef ELEM
#undef ITEM

static_assert(count(kNltyp) == 33 && count(kTechUms) == 23 && count(kTechDb) == 21 && count(kTech) == 19);

}  // namespace

UserElemDef* definitions() { return kDefinitions; }

std::string element_label(const char* name) {
    if (std::strncmp(name, "Cx", 2) == 0) return std::string("C_") + (name + 2);
    return name;
}

}  // namespace mirtex

namespace mirtex {

// Every element of the catalogue has its model in this build; the query
// stays for tools that ask, answering with an empty list.
const char* const* unavailable_elements() {
    static const char* const kNone[] = {nullptr};
    return kNone;
}

}  // namespace mirtex
