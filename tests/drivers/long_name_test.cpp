// Instance names far longer than any message buffer, through every message
// path of a line's evaluation: lookup errors, the solve's caption and
// progress lines, the abort line.  Run under ASan this also shows that no
// fixed buffer is overrun.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host.h"
#include "mirtex/mirtex.h"
#include "support/design.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

using host::Host;
using host::Severity;

TEST(LongNames, EveryMessageShowsTheWholeNameAndTheCaptionFitsItsField) {
    MIRTEX_FRESH_PROCESS();
    Design d;
    d.build();
    const std::string name = "TL_" + std::string(4096, 'x');
    UserInstDef* good = d.line(name);
    auto r = Host::get().analyse({good}, {1e9, 2e9});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_LT(std::strlen(CPW_Misc.label), sizeof CPW_Misc.label);
    EXPECT_EQ(std::string(CPW_Misc.label).rfind("C_LIN(TL_xxx", 0), 0u);
    bool progress = false;
    for (const host::LogLine& l : Host::get().log())
        if (l.text.find(" : 1/2   n=") != std::string::npos) progress = true;
    EXPECT_TRUE(progress);  // the progress line carries the (cut) caption

    // A reference to a grid that does not exist names the whole instance.
    const std::string bad_name = "TL_" + std::string(4096, 'y');
    UserInstDef* bad = d.item("CxLIN", bad_name,
                              {{"L", host::Value::Real(1e-4)}, {"C_LTYP", host::Value::Mtrl(d.lintyp)},
                               {"C_SUB", host::Value::Mtrl(d.sub)}, {"C_GRID", host::Value::Mtrl("NO_GRID")},
                               {"TEMP", host::Value::Real(16.85)}});
    Host::get().clear_log();
    r = Host::get().analyse({bad}, {1e9});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Host::get().count(Severity::Error, "C_GRID not available (needed by " + bad_name + ")"), 1u);
    EXPECT_GE(Host::get().count(Severity::Error, "Simulation aborted due to ERROR! "), 1u);
}

}  // namespace
}  // namespace mirtex::test
