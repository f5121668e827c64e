// Calculation files: append-only binary files, one per element kind, that
// keep solver results across processes.  A file is an identification header
// (int32 length L = strlen(ident) + 1, then ident with its NUL) followed by
// records: four int32 counts (n_ipar, n_dpar, n_ipar_out, n_dpar_out), then
// the vectors ipar (int32), dpar (double), ipar_out (int32), dpar_out
// (double), native byte order, no padding.
#pragma once

#include <string>

#include "mirtex/mirtex.h"

extern "C" {

/* Find the first record whose inputs equal (ipar, dpar) bit for bit and
 * whose result counts equal n_ipar_out / n_dpar_out, and copy its results
 * into ipar_out / dpar_out.  0 on a hit, -1 when the file cannot be opened,
 * 1 for every other miss (wrong identification, no matching record). */
MIRTEX_API int ReadCalc(const char* file, const char* ident, const int* ipar, int n_ipar, const double* dpar,
                        int n_dpar, int* ipar_out, int n_ipar_out, double* dpar_out, int n_dpar_out);

/* Append one record (and the header, when the file is new).  0 when the
 * record was appended, -1 when it was not kept on disk (the file cannot be
 * opened for appending, it belongs to another kind or is damaged, or the
 * write failed). */
MIRTEX_API int WriteCalc(const char* file, const char* ident, const int* ipar, int n_ipar, const double* dpar,
                         int n_dpar, const int* ipar_out, int n_ipar_out, const double* dpar_out, int n_dpar_out);

}  // extern "C"

namespace mirtex {

// Size of the buffer a full file path must fit in, terminator included.
inline constexpr std::size_t kCalcPathBuffer = 300;

// The table directory of this process, with its trailing '/': resolved from
// the environment at the first call, fixed afterwards.
const std::string& table_directory();

// A stored result that no solver of its kind could have produced (a flipped
// bit, a record written by a broken build) must be a miss, never a result.
// Every result must be finite; a kind may add its physical rule (a line's
// C' > 0, ...).  check answers true for an acceptable result.
using ResultCheck = bool (*)(const int* ipar_out, int n_ipar_out, const double* dpar_out, int n_dpar_out);
// Registers the rule of the kind kept in file (its name, as ReadCalc gets
// it); registration happens at load, before any file is read.
bool register_result_check(const char* file, ResultCheck check);

// Every result finite and the kind's own rule met.
bool result_is_plausible(const char* file, const int* ipar_out, int n_ipar_out, const double* dpar_out, int n_dpar_out);

// The calculation files the solvers keep: file name, identification, the
// debug report's label for the slot names, and the four counts of their
// records (-1 where the count depends on the instance).
struct CalcKind {
    const char* file;
    const char* ident;
    const char* label;
    int counts[4];
};
inline constexpr CalcKind kCalcKinds[] = {
    {"cpw_line.cdb", "Tessaric Line", "C_LIN", {9, 10, 0, 8}},
    {"cpw_gap.cdb", "Tessaric Gap", "C_GAP", {19, 8, 0, 11}},
    {"cpw_open.cdb", "Tessaric Open", "C_OPEN", {17, 8, 0, 5}},
    {"cpw_short.cdb", "Tessaric Short", "C_SHORT", {15, 4, 0, 2}},
    {"cpw_step.cdb", "Tessaric Step", "C_STEP", {19, 8, 0, 11}},
    {"cpw_taper.cdb", "Tessaric Taper", "C_TAPER", {19, 8, 0, 11}},
    {"cpw_air.cdb", "Tessaric Airbridge", "C_AIR", {21, 16, 1, 12}},
    {"cpw_tee.cdb", "Tessaric T-Junction", "C_TEE", {38, 26, 3, 32}},
    {"cpw_bend.cdb", "Tessaric Bend", "C_BEND", {26, 21, 2, 22}},
    {"cpw_cross.cdb", "Tessaric Cross", "C_CROSS", {-1, -1, 4, 43}},
    {"cpw_cap.cdb", "Tessaric Capacitence", "C_IDC", {-1, -1, 0, 16}},
    {"cpw_ind.cdb", "Tessaric Inductor", "C_RIND", {-1, -1, 1, -1}},
    {"cpw_coup.cdb", "Tessaric Coupled Lines", "C_COUP", {11, -1, 1, -1}},
};

// The end of an analysis: a file that could not be written, or was found
// damaged, is reported once per file and analysis, and again in the next.
void calc_file_analysis_end();

// What the environment names as table directory right now: MIRTEX_TABLE_PATH,
// else TMP, else TEMP, else the working directory, with '/' appended when
// it does not end in one.
std::string table_directory_from_environment();

}  // namespace mirtex
