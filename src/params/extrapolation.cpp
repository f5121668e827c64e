#include "params/extrapolation.h"

#include <cstdlib>
#include <cstring>

namespace mirtex::params {
namespace {
thread_local double t_scale = 1.0;
}

bool extrapolating() {
    const char* v = std::getenv("MIRTEX_EXTRAPOLATE");
    return v != nullptr && std::strcmp(v, "1") == 0;
}

double version_stamp(double plain) {
    return extrapolating() ? plain + kExtrapolatedStamp : plain;
}

GridScale::GridScale(double scale) : previous_(t_scale) {
    t_scale = scale;
}
GridScale::~GridScale() {
    t_scale = previous_;
}
double grid_scale() {
    return t_scale;
}

}  // namespace mirtex::params
