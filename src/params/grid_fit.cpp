// Moving real dimensions onto the solver grid: the grid counts, par_chck
// and the grid-fit procedure every element check function runs.
#include <climits>
#include <cmath>

#include "binding/messages.h"
#include "params/grid.h"
#include "params/params.h"

namespace mirtex::params {

double count_trunc(double x) {
    const double nudge = 1e-9 * std::fmax(1.0, std::fabs(x));
    return std::trunc(x + std::copysign(nudge, x));
}

int to_count(double x) {
    if (std::isnan(x)) return 0;
    if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(x);
}

namespace {

void append(WARN** list, const std::string& text) {
    copy_bounded(TEXT, sizeof TEXT, text);
    if (list != nullptr) New_Warning(list, text.c_str());
}

}  // namespace

int fit_to_grid(const char* label, double tol, double DL, WARN** list, const FitDim* dims, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (par_chck(label, dims[i].name, dims[i].value, dims[i].units, tol, DL, list) == 0) return 1;
    return 0;
}

int fit_to_grid(const char* label, double tol, double DL, WARN** list, std::initializer_list<FitDim> dims) {
    return fit_to_grid(label, tol, DL, list, dims.begin(), dims.size());
}

void warn_above(WARN** list, const char* label, int index, const char* dl_label, double ratio, double limit) {
    if (ratio > limit) append(list, format("%s%d/%s = %lg > %lg !", label ? label : "", index, dl_label ? dl_label : "", ratio, limit));
}

void warn_below(WARN** list, const char* label, int index, const char* dl_label, double ratio, double limit) {
    if (ratio < limit) append(list, format("%s%d/%s = %lg < %lg !", label ? label : "", index, dl_label ? dl_label : "", ratio, limit));
}

}  // namespace mirtex::params

extern "C" {

// The tolerance is relative to the size of the value.  A value that is not
// a finite number, or whose snapped size is not, cannot lie on any grid and
// is rejected like any other misfit.
MIRTEX_API int par_chck(const char* label, const char* name, double value, double n, double tol, double DL,
                        WARN** list) {
    if (label == nullptr) label = "";
    if (name == nullptr) name = "";
    const double snapped = n * DL;
    const double d = std::fabs(snapped - value);
    const double size = std::fabs(value);
    if (!std::isfinite(value) || !std::isfinite(snapped) || d > tol * size) {
        // With ACC = 0 the fault is the tolerance as much as the size: say so.
        mirtex::send_error("ERROR %s : %s=%lg does not fit to grid (next value -> %lg%s)", label, name, value, snapped,
                           tol < mirtex::params::fit_tolerance(1) ? "; ACC=0 leaves no tolerance" : "");
        return 0;
    }
    if (d > 1e-5 * size) mirtex::params::append(list, mirtex::format("%s is changed: %s=%lg -> %lg", name, name, value, snapped));
    return 1;
}

}  // extern "C"
