// Pieces of the common assembly that compound elements build on.
#include "fixture.h"
#include "params/assembly.h"

namespace mirtex::test {
namespace {

using mirtex::params::Assembly;

class AssemblyTest : public ParamsTest {};

TEST_F(AssemblyTest, DielectricsByIndex) {
    design.build();
    Assembly a(design.line("TL1"), &warnings, "C_AIR");
    ASSERT_EQ(a.begin(), 0);
    EXPECT_EQ(a.metal_count(), 2);
    EXPECT_EQ(a.dielectric_count(), 2);
    double h = 0, er = 0, td = 0;
    ASSERT_TRUE(a.dielectric(0, h, er, td));
    EXPECT_EQ(h, 0.2e-6);  // the base dielectric
    EXPECT_EQ(er, 6.8);
    EXPECT_EQ(td, 1e-3);
    ASSERT_TRUE(a.dielectric(2, h, er, td));
    EXPECT_EQ(h, 0.3e-6);
    EXPECT_EQ(td, 2e-3);
    h = -1;
    EXPECT_FALSE(a.dielectric(3, h, er, td));
    EXPECT_FALSE(a.dielectric(-1, h, er, td));
    EXPECT_EQ(h, -1);
}

}  // namespace
}  // namespace mirtex::test
