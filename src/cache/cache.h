// In-memory result chains: one singly linked chain per result kind, holding
// each solved result under the exact input vectors that produced it, so that
// a geometry is solved once per process however many instances and
// frequencies share it.
#pragma once

#include "mirtex/mirtex.h"

/* Result chains, by the kind of result they hold. */
#define MIRTEX_CACHE_ROOTS(X) \
    X(line) X(open) X(short) X(gap) X(step) X(taper) X(bruecke) X(bend) X(tee) X(cross) \
    X(idc) X(rindE) X(mim) X(mimlin) X(tfr) X(tfg) X(coup)

extern "C" {

/* One cached result.  The key is (ipar, dpar), compared bit for bit; the
 * results are (ipar_out, dpar_out).  An array of length 0 is null.  Nodes
 * own their arrays (obtained with g_malloc) and are never freed. */
typedef struct CACHE {
    int* ipar;
    int n_ipar;
    double* dpar;
    int n_dpar;
    int* ipar_out;
    int n_ipar_out;
    double* dpar_out;
    int n_dpar_out;
    struct CACHE* next;
} CACHE;

/* A new node with its four arrays allocated at the given lengths (null
 * where a length is 0); counts and next are zero, for the caller to set.
 * Null when any part of it cannot be obtained. */
MIRTEX_API CACHE* cache_alloc(int n_ipar, int n_dpar, int n_ipar_out, int n_dpar_out);

/* Look up (mode "r") or store (any other mode) one result in the chain that
 * starts at root; returns the chain's first node, which the caller stores
 * back into its root.
 *
 * Look-up: on a match *found = 1 and the node's results are copied into
 * *ipar_out / *dpar_out, which are reused when their count already fits and
 * otherwise replaced (g_free / g_malloc) with buffers of the node's size;
 * the counts are set to the node's.  On a miss *found = 0 and the buffers
 * and counts are left alone.
 *
 * Store: an existing key gets copies of the given results (*found = 1);
 * a new key is appended at the end of the chain (*found = 0). */
MIRTEX_API CACHE* cache(CACHE* root, int* found, const char* mode, const int* ipar, int n_ipar,
                        const double* dpar, int n_dpar, int** ipar_out, int* n_ipar_out, double** dpar_out,
                        int* n_dpar_out);

#define MIRTEX_DECLARE_ROOT(kind) MIRTEX_API extern CACHE* root_##kind;
MIRTEX_CACHE_ROOTS(MIRTEX_DECLARE_ROOT)
#undef MIRTEX_DECLARE_ROOT

}  // extern "C"
