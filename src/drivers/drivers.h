// Pre steps of the element drivers that the host does not call by
// definition (it counts them with cpw_all_pre); each element's Y callback
// runs its own.  cpw_line_pre, which the feed line's definition names, is
// declared with the other callbacks in mirtex/mirtex.h.
#pragma once

#include "mirtex/mirtex.h"

#ifdef __cplusplus
extern "C" {
#endif

MIRTEX_API int cpw_metvia_pre(UserInstDef* inst);
MIRTEX_API int cpw_open_pre(UserInstDef* inst);
MIRTEX_API int cpw_short_pre(UserInstDef* inst);
MIRTEX_API int cpw_gap_pre(UserInstDef* inst);
MIRTEX_API int cpw_step_pre(UserInstDef* inst);
MIRTEX_API int cpw_taper_pre(UserInstDef* inst);
MIRTEX_API int cpw_air_pre(UserInstDef* inst);
MIRTEX_API int cpw_bend_pre(UserInstDef* inst);
MIRTEX_API int cpw_tee_pre(UserInstDef* inst);
MIRTEX_API int cpw_cross_pre(UserInstDef* inst);
MIRTEX_API int cpw_idc_pre(UserInstDef* inst);
MIRTEX_API int cpw_rindE_pre(UserInstDef* inst);
MIRTEX_API int cpw_mim_pre(UserInstDef* inst);
MIRTEX_API int cpw_mimlin_pre(UserInstDef* inst);
MIRTEX_API int cpw_tfr_pre(UserInstDef* inst);
MIRTEX_API int cpw_tfg_pre(UserInstDef* inst);
// The coupled lines' pre step for n lines (2..10).
MIRTEX_API int cpw_coup_pre(UserInstDef* inst, int n);

#ifdef __cplusplus
}  // extern "C"
#endif
