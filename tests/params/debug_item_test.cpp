// A debug item's name on an item of another kind.
#include "fixture.h"

namespace mirtex::test {
namespace {

class DebugNameTest : public ParamsTest {};

// Its values would be read as flags and a file name: it is no debug item.
TEST_F(DebugNameTest, ItemOfAnotherKindUnderTheDebugNameIsIgnored) {
    design.build();
    design.item("C_SUB", "C_DEBUG_DEFAULT", design.sub_params);
    design.item("C_GRID", "C_DEBUG1", design.grid_params);
    EXPECT_EQ(NetPars(nullptr), 0);
    EXPECT_EQ(c_debug.enabled, 0);
    EXPECT_TRUE(errors().empty());
}

}  // namespace
}  // namespace mirtex::test
