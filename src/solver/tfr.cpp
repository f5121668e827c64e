// Thin-film resistor: the film line's C', L' and G' from the field solve;
// its series resistance is the sheet resistance over the film's width.
#include "binding/messages.h"
#include "solver/components.h"

namespace mirtex::solver {

int line_run(const char* info, const params::LineInts& in, const params::LineReals& re, params::LineResults& line) {
    if (info != nullptr) send_info("%s", info);
    int ipar[params::LineInts::kSlots];
    double dpar[params::LineReals::kSlots], out[params::LineResults::kSlots];
    params::write_layout(in, ipar);
    params::write_layout(re, dpar);
    const int rc = Calc_Line(0, ipar, dpar, out);
    line = params::read_layout<params::LineResults>(out);
    return rc;
}

}  // namespace mirtex::solver

extern "C" MIRTEX_API int Calc_Tfr(int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::params;
    const auto re = read_layout<TfrReals>(dpar);
    LineResults line;
    const int rc = mirtex::solver::line_run("Calculating C_TFR", read_layout<LineInts>(ipar), re.line, line);
    if (rc != 0) return rc;
    TfrResults r;
    r.C_per_m = line.C_per_m;
    r.L_per_m = line.L_per_m;
    r.G_per_m = line.G_per_m;
    r.R_per_m = re.res_rs / re.line.W;
    write_layout(r, dpar_out);
    return 0;
}
