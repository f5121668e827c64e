/* The calculation-table tool of the model library, reached through
 * sim_query_info("calcTable"): checking, listing, repairing and merging the
 * calculation files that the solvers keep.  A host's own tool (mirtex-sim
 * table) prints what it is given and turns the status into its exit code. */
#ifndef MIRTEX_TABLE_H
#define MIRTEX_TABLE_H

#ifdef __cplusplus
extern "C" {
#endif

/* One line of output; is_error marks what belongs on standard error. */
typedef void (*mirtex_table_sink)(void* ctx, int is_error, const char* line);

enum {
    MIRTEX_TABLE_OK = 0,        /* done; check: nothing damaged */
    MIRTEX_TABLE_DAMAGED = 1,   /* check: something is damaged */
    MIRTEX_TABLE_REFUSED = 2,   /* a path is not a calculation file, kinds differ, bad verb */
    MIRTEX_TABLE_IO_ERROR = 3   /* a file could not be read or written; nothing was replaced */
};

enum { MIRTEX_TABLE_CSV = 1 };

/* verb: "check" (paths: files or directories), "list" (one file),
 * "repair" (one file), "merge" (sources..., then the destination). */
typedef int (*mirtex_table_fn)(const char* verb, const char* const* paths, int n_paths, int flags,
                               mirtex_table_sink sink, void* ctx);

/* The tool itself, as the library defines it (its query hands it out). */
int mirtex_calc_table(const char* verb, const char* const* paths, int n_paths, int flags, mirtex_table_sink sink,
                      void* ctx);

#ifdef __cplusplus
}
#endif

#endif
