/*
 * What libmirtex.so exports to its host: boot entries, the element callbacks,
 * the per-analysis bookkeeping and the process-wide records and work vectors.
 *
 * Everything here has C linkage and its plain name, except stop_cpw and
 * add_y_branch, which the host resolves under their C++ (type-decorated)
 * names.
 */
#ifndef MIRTEX_MIRTEX_H
#define MIRTEX_MIRTEX_H

#include <stdio.h>

#include "mirtex/host.h"

#if defined(MIRTEX_BUILDING_LIBRARY)
#define MIRTEX_API __attribute__((visibility("default")))
#else
#define MIRTEX_API
#endif

/* Work-vector sets in the order the boot allocates them, each with the kind
 * whose counts it uses (the five feed-line sets share the "feed" counts). */
#define MIRTEX_VECTOR_SETS(X) \
    X(feed1, feed) X(feed2, feed) X(feed3, feed) X(feed4, feed) X(feed5, feed) \
    X(bend, bend) X(cross, cross) X(gap, gap) X(idc, idc) X(line, line) \
    X(bruecke, bruecke) X(mim, mim) X(mimlin, mimlin) X(open, open) X(rindE, rindE) \
    X(short, short) X(step, step) X(taper, taper) X(tee, tee) X(tfg, tfg) X(tfr, tfr) \
    X(coup, coup)

/* Counts at load: kind, n_ipar, n_dpar, n_ipar_out, n_dpar_out.  A zero is
 * set later by whoever first knows the size (geometry checks, solvers). */
#define MIRTEX_VECTOR_COUNTS(X) \
    X(feed, 9, 10, 0, 8) X(line, 9, 10, 0, 8) X(open, 17, 8, 0, 5) X(short, 15, 4, 0, 2) \
    X(gap, 19, 8, 0, 11) X(step, 19, 8, 0, 11) X(taper, 19, 8, 0, 11) \
    X(bruecke, 21, 16, 1, 12) X(bend, 26, 21, 2, 22) X(tee, 38, 26, 3, 32) \
    X(cross, 52, 31, 4, 43) X(idc, 0, 12, 0, 16) X(rindE, 0, 0, 2, 0) \
    X(mim, 18, 22, 0, 21) X(mimlin, 9, 12, 0, 7) X(tfr, 9, 11, 0, 4) X(tfg, 9, 13, 0, 7) \
    X(coup, 11, 0, 1, 0)

/* Y callbacks of the 27 elements, by the short name in cpw_<name>_y. */
#define MIRTEX_Y_CALLBACKS(X) \
    X(gap) X(line) X(feed) X(metvia) X(open) X(short) X(step) X(taper) X(air) X(bend) \
    X(tee) X(cross) X(idc) X(rindE) X(mim) X(mimlin) X(tfr) X(tfg) X(2coup) X(3coup) \
    X(4coup) X(5coup) X(6coup) X(7coup) X(8coup) X(9coup) X(10coup)

#ifdef __cplusplus
extern "C" {
#endif

/* Solver progress record: the stop request and the caption of the run. */
typedef struct CPW_MISC {
    int abort_request;
    char label[101];
} CPW_MISC;

/* The resolved foundry technology: twelve tables indexed by metal level,
 * dielectric index or resistor index. */
typedef struct _foundries {
    int* entry_count;
    double** entries;
    int resolve_pending;
    int table_count;
} _foundries;

/* The debug switch and file. */
typedef struct C_DEBUG_REC {
    int enabled;
    int flag_static;
    int flag_dynamic;
    int flag_inputs;
    int flag_spare;
    char file_name[4097];
    FILE* stream;
} C_DEBUG_REC;

/* Boot and query entries. */
MIRTEX_API int boot_senior_mirtex(void);
MIRTEX_API int boot_mirtex_dyn(void);
MIRTEX_API int boot_cpw_zoka(void);
MIRTEX_API int sim_query_info(const char* query, void** result);
MIRTEX_API extern const char* device_names[41];

/* Per-analysis bookkeeping. */
MIRTEX_API int cpw_all_pre(UserInstDef* inst);
MIRTEX_API int cpw_all_post(UserInstDef* inst);
MIRTEX_API extern int cpw_pre_flg;
MIRTEX_API extern CPW_MISC CPW_Misc;
MIRTEX_API extern _foundries foundries;
MIRTEX_API extern C_DEBUG_REC c_debug;

/* Element callbacks. */
#define MIRTEX_DECLARE_Y(n) MIRTEX_API int cpw_##n##_y(UserInstDef* inst, double omega, COMPLEX* y);
MIRTEX_Y_CALLBACKS(MIRTEX_DECLARE_Y)
#undef MIRTEX_DECLARE_Y
MIRTEX_API int cpw_line_pre(UserInstDef* inst);
MIRTEX_API int c_debug_pre(UserInstDef* inst);
MIRTEX_API int c_debug_post(UserInstDef* inst);
MIRTEX_API int thermal_n(UserInstDef* inst, double omega, COMPLEX* y, COMPLEX* noise);

/* Work vectors and their counts. */
#define MIRTEX_DECLARE_SET(set, kind) \
    MIRTEX_API extern int* set##_ipar; \
    MIRTEX_API extern double* set##_dpar; \
    MIRTEX_API extern int* set##_ipar_out; \
    MIRTEX_API extern double* set##_dpar_out;
MIRTEX_VECTOR_SETS(MIRTEX_DECLARE_SET)
#undef MIRTEX_DECLARE_SET
#define MIRTEX_DECLARE_COUNTS(kind, a, b, c, d) \
    MIRTEX_API extern int kind##_n_ipar; \
    MIRTEX_API extern int kind##_n_dpar; \
    MIRTEX_API extern int kind##_n_ipar_out; \
    MIRTEX_API extern int kind##_n_dpar_out;
MIRTEX_VECTOR_COUNTS(MIRTEX_DECLARE_COUNTS)
#undef MIRTEX_DECLARE_COUNTS

#ifdef __cplusplus
} /* extern "C" */

/* Type-decorated entries. */
MIRTEX_API void stop_cpw(int);
MIRTEX_API int add_y_branch(UserInstDef* inst, int a, int b, COMPLEX y);

static_assert(sizeof(CPW_MISC) == 108 && offsetof(CPW_MISC, label) == 4);
#endif

#endif /* MIRTEX_MIRTEX_H */
