// The debug file's reports: the static report of a solved element (its
// input vectors with their slot names and its results) and the writers of
// per-frequency rows.  Every report opens the file for appending, writes,
// flushes and closes it again, so the file stays readable while the
// simulation runs and survives a crash of the host.  Nothing is written
// unless a debug item was found; the per-frequency writers also need its
// Flag2.
//
// (Named reports.h: a header debug/debug.h would shadow the standard
// library's own <debug/debug.h> on the src/ include path.)
#pragma once

#include "mirtex/mirtex.h"
#include "numeric/arrays.h"

#ifdef __cplusplus
extern "C" {
#endif

MIRTEX_API void debug_static(const char* label, const char* name, const int* ipar, int n_ipar, const double* dpar,
                             int n_dpar, const int* ipar_out, int n_ipar_out, const double* dpar_out,
                             int n_dpar_out);

/* One row of a line section: R and G per metre, ZL and gamma = alpha + j beta. */
MIRTEX_API void debug_line(const char* label, const char* name, double f, double R, double G, COMPLEX ZL,
                           COMPLEX gamma);

/* One row of one to four resistances, printed in the order given. */
MIRTEX_API void debug_R1(const char* label, const char* name, double f, double r1);
MIRTEX_API void debug_R2(const char* label, const char* name, double f, double r1, double r2);
MIRTEX_API void debug_R3(const char* label, const char* name, double f, double r1, double r2, double r3);
MIRTEX_API void debug_R4(const char* label, const char* name, double f, double r1, double r2, double r3,
                         double r4);

/* The note of an element without per-frequency values. */
MIRTEX_API void debug_dyn_empty(const char* label, const char* name);

/* The N x N matrices (indexed from 1) of a coupled section of length L. */
MIRTEX_API void debug_Coup(const char* label, const char* name, int N, double f, double L, double sigma, C2 Y,
                           C2 ZL, C2 Gamma);

#ifdef __cplusplus
}  // extern "C"
#endif
