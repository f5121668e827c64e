// Boot, device announcement and per-analysis bookkeeping, seen through the
// stand-in host the way a simulator sees them.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <string>

#include "binding/boot.h"
#include "host.h"
#include "mirtex/mirtex.h"
#include "support/fresh_process.h"

using mirtex::host::Host;
using mirtex::host::Severity;
using mirtex::host::Value;

namespace {

const char* const kAnnounced[] = {
    "CxGAP",   "CxLIN",   "CxFEED",   "CxMETVIA", "CxOPEN",   "CxSHORT",  "CxSTEP",   "CxTAPER",
    "CxAIR",   "CxBEND",  "CxTEE",    "CxCROSS",  "CxIDC",    "CxRIND",   "CxMIM",    "CxCAPLIN",
    "CxTFR",   "C_SUB",   "C_GRID",   "C_LINTYP", "C_AIRTYP", "C_NL_TYP", "C_PROCES", "C_TECH",
    "C_LAYER", "C_2COUP", "C_3COUP",  "C_4COUP",  "C_5COUP",  "C_6COUP",  "C_7COUP",  "C_8COUP",
    "C_9COUP", "C_10COUP", "T_DB_A",  "L_DB_A",   "T_FBH_A",  "L_FBH_A",  "T_UMS_A",  "L_UMS_A"};

}  // namespace

TEST(Boot, InstallersAnnounceFortyDevicesInOrderAndTheListMatches) {
    const auto names = Host::get().announced();
    ASSERT_EQ(names.size(), 40u);
    for (std::size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(names[i], kAnnounced[i]) << i;
        EXPECT_STREQ(device_names[i], kAnnounced[i]) << i;
    }
    EXPECT_EQ(device_names[40], nullptr);
}

TEST(Boot, BootLinesAppearOnceHoweverManyInstallersAsk) {
    Host& h = Host::get();
    EXPECT_TRUE(h.boot_all());  // all 40 devices ask
    EXPECT_EQ(mirtex::boot_mirtex_once(), 0);
    EXPECT_EQ(mirtex::boot_mirtex_once(), 0);
    EXPECT_EQ(h.count(Severity::Info, "Booting module MIRTEX ..."), 1u);
    EXPECT_EQ(h.count(Severity::Info, "Booting MIRTEX v4.2 r47"), 1u);
    ASSERT_EQ(h.log().size(), 2u);
    EXPECT_EQ(h.log()[0].text, "Booting module MIRTEX ...");
    EXPECT_EQ(h.definitions().size(), 42u);
}

TEST(Boot, DevicesWithoutInstallerArriveWithAnyOtherBoot) {
    MIRTEX_FRESH_PROCESS();
    Host& h = Host::get();
    EXPECT_EQ(h.definition("CxTFG"), nullptr);  // not announced, nothing booted yet
    ASSERT_NE(h.definition("C_SUB"), nullptr);  // boots the library
    EXPECT_NE(h.definition("CxTFG"), nullptr);
    EXPECT_NE(h.definition("C_DEBUG"), nullptr);
}

TEST(Boot, QueryAnswersDeviceNamesExactly) {
    void* result = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(sim_query_info("deviceNames", &result), 0);
    EXPECT_EQ(result, static_cast<void*>(device_names));
    for (const char* q : {"deviceName", "device", "", "deviceNamesX", "deviceNames ", "DeviceNames"}) {
        result = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(sim_query_info(q, &result), 1) << q;
        EXPECT_EQ(result, nullptr) << q;
    }
}

TEST(Boot, WorkVectorsHaveTheirCountsAndZeroCountOnesStayNull) {
    MIRTEX_FRESH_PROCESS();
    EXPECT_EQ(line_ipar, nullptr);  // nothing before boot
    Host::get().boot_all();
    struct Vec {
        const void* p;
        int count;
        std::size_t elem;
    };
    const Vec set[] = {{line_ipar, 9, 4},    {line_dpar, 10, 8},   {line_dpar_out, 8, 8}, {feed5_ipar, 9, 4},
                       {feed3_dpar_out, 8, 8}, {cross_ipar, 52, 4}, {cross_dpar_out, 43, 8}, {tee_ipar_out, 3, 4},
                       {bruecke_dpar, 16, 8}, {rindE_ipar_out, 2, 4}, {coup_ipar, 11, 4}, {mim_dpar_out, 21, 8}};
    for (const Vec& v : set) {
        ASSERT_NE(v.p, nullptr);
        EXPECT_GE(malloc_usable_size(const_cast<void*>(v.p)), v.count * v.elem);
    }
    EXPECT_EQ(line_n_ipar, 9);
    EXPECT_EQ(line_n_dpar_out, 8);
    EXPECT_EQ(feed_n_dpar, 10);
    const void* zero[] = {rindE_ipar, rindE_dpar, rindE_dpar_out, idc_ipar, coup_dpar, coup_dpar_out,
                          line_ipar_out, feed1_ipar_out, gap_ipar_out, tfr_ipar_out};
    for (const void* p : zero) EXPECT_EQ(p, nullptr);
}

TEST(Boot, BookkeepingCountsPreStepsAndAsksForReResolution) {
    Host& h = Host::get();
    h.boot_all();
    UserInstDef* a = h.create("CxLIN", "TL1",
                              {{"L", Value::Real(1e-4)}, {"C_LTYP", Value::Mtrl("LT")}, {"C_SUB", Value::Mtrl("SUB")},
                               {"C_GRID", Value::Mtrl("GRID")}, {"TEMP", Value::Real(16.85)}});
    UserInstDef* f = h.create("CxFEED", "F1",
                              {{"L", Value::Real(1e-4)}, {"C_LTYP", Value::Mtrl("LT")}, {"C_SUB", Value::Mtrl("SUB")},
                               {"C_GRID", Value::Mtrl("GRID")}, {"TEMP", Value::Real(16.85)}});
    EXPECT_EQ(cpw_pre_flg, 0);
    EXPECT_EQ(a->def->pre(a), 1);
    EXPECT_EQ(a->def->pre(a), 1);
    EXPECT_EQ(cpw_pre_flg, 2);
    EXPECT_EQ(f->def->pre, cpw_line_pre);  // the feed line's own pre step does not count
    f->def->pre(f);
    EXPECT_EQ(cpw_pre_flg, 2);

    foundries.resolve_pending = 0;
    stop_cpw(7);
    EXPECT_EQ(CPW_Misc.abort_request, 1);
    EXPECT_EQ(a->def->post(a), 1);
    EXPECT_EQ(foundries.resolve_pending, 1);
    EXPECT_EQ(CPW_Misc.abort_request, 0);  // the stop ends with its analysis
}

TEST(Boot, StopRequestIsClearedByTheCoreBoot) {
    stop_cpw(0);
    foundries.resolve_pending = 0;
    EXPECT_EQ(boot_cpw_zoka(), 1);
    EXPECT_EQ(CPW_Misc.abort_request, 0);
    EXPECT_EQ(foundries.resolve_pending, 1);
}

TEST(Boot, SeniorBootRegistersOnlyThePlaceholder) {
    MIRTEX_FRESH_PROCESS();
    Host& h = Host::get();
    EXPECT_EQ(boot_senior_mirtex(), 1);
    ASSERT_EQ(h.definitions().size(), 1u);
    const UserElemDef* d = h.definitions()[0];
    EXPECT_STREQ(d->name, "mirtex");
    EXPECT_EQ(d->numExtNodes, 0);
    ASSERT_EQ(d->numPars, 1);
    EXPECT_STREQ(d->params[0].keyword, "x1");
    EXPECT_EQ(d->params[0].type, MIRTEX_REAL);
    EXPECT_EQ(d->pre, nullptr);
    EXPECT_EQ(d->noise, nullptr);
    EXPECT_EQ(d->post, nullptr);
    for (void* w : d->reserved) EXPECT_EQ(w, nullptr);
    EXPECT_EQ(*reinterpret_cast<const int*>(d + 1), 2);  // the word after the record
    COMPLEX y[1] = {{3.0, 4.0}};
    EXPECT_EQ(d->y(nullptr, 1.0, y), 1);
    EXPECT_EQ(y[0].real, 3.0);
    EXPECT_EQ(line_ipar, nullptr);  // no core boot on this path
    EXPECT_TRUE(h.log().empty());
}
