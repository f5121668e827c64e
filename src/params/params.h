// Parameter acquisition: the decoded data-item records, the warning list,
// the lookups of referenced data items, the technology resolution, the
// data-item checks, the grid fit and the line family's input builders.
//
// Everything declared here is exported from the library with C linkage
// under its plain name.  Status codes: lookups, checks and builders answer
// 0 for success and 1 for failure; par_chck answers 1 for accepted and 0
// for rejected.
#pragma once

#include <stddef.h>

#include "mirtex/mirtex.h"

#ifdef __cplusplus
extern "C" {
#endif

// ------------------------------------------------------------- records
// Each numeric record has a _TEXT companion of the same shape whose fields
// hold the label under which messages name the matching value (null where
// a value is never named).

typedef struct CPW_GRID {
    double L1;     // box width across the line (m)
    double L2;     // box length along the element (m)
    double DL;     // grid step (m)
    double ALPHA;  // relaxation factor
    double BOUND;  // convergence bound of the relaxation
    int ACC;       // grid-fit tolerance in per cent
} CPW_GRID;

typedef struct CPW_GRID_TEXT {
    const char* L1;
    const char* L2;
    const char* DL;
    const char* ALPHA;
    const char* BOUND;
    const char* ACC;
} CPW_GRID_TEXT;

// The three-layer substrate, top-down: layer 3, layer 2 (carries the
// conductors), layer 1.
typedef struct CPW_DIELEKT {
    double H3, ER3, TAND3;
    double H2, ER2, TAND2;
    double H1, ER1, TAND1;
} CPW_DIELEKT;

typedef struct CPW_DIELEKT_TEXT {
    const char* H3;
    const char* ER3;
    const char* TAND3;
    const char* H2;
    const char* ER2;
    const char* TAND2;
    const char* H1;
    const char* ER1;
    const char* TAND1;
} CPW_DIELEKT_TEXT;

typedef struct CPW_LINETYP {
    double W;   // centre-strip width
    double S;   // slot width
    double GW;  // ground-strip width (0: no ground strip)
    double T;   // centre-metal thickness
    double T2;  // ground-metal thickness
    int CEN_MET;
    int GND_MET;
} CPW_LINETYP;

typedef struct CPW_LINETYP_TEXT {
    const char* W;
    const char* S;
    const char* GW;
    const char* T;
    const char* T2;
    const char* CEN_MET;
    const char* GND_MET;
} CPW_LINETYP_TEXT;

typedef struct CPW_AIRTYP {
    int TYP;  // bridge code (SetAirType / SetAirTypeB), not the raw TYPE
    double BW;
    double BG;
    double BS;
    double die_h;
    double die_er;
    double die_td;
    int DIE_IDX;
} CPW_AIRTYP;

typedef struct CPW_AIRTYP_TEXT {
    const char* TYP;
    const char* BW;
    const char* BG;
    const char* BS;
    const char* die_h;
    const char* die_er;
    const char* die_td;
    const char* DIE_IDX;
} CPW_AIRTYP_TEXT;

typedef struct CPW_WIDERSTAND {
    double tr;
    double rs;  // sheet resistance
} CPW_WIDERSTAND;

typedef struct CPW_WIDERSTAND_TEXT {
    const char* tr;
    const char* rs;
} CPW_WIDERSTAND_TEXT;

// -------------------------------------------------------- warning list

typedef struct WARN {
    char* text;         // owned copy
    struct WARN* next;  // null at the end
} WARN;

// The last warning text formatted by the library, cut to fit.  The list
// itself always receives the whole text.
MIRTEX_API extern char TEXT[256];

// Append a copy of text at the tail; answers the stored copy, or null when
// memory ran out (the list is then unchanged).
MIRTEX_API char* New_Warning(WARN** list, const char* text);
// Release every node and its text and leave a null head.
MIRTEX_API void Delete_Warning(WARN** list);

// ------------------------------------------------------------- lookups

MIRTEX_API int CheckInstance(UserInstDef* inst, UserInstDef* item, const char* label, const char* type_name,
                             int index);
MIRTEX_API int get_grid(UserInstDef* inst, int index, const char* label, const char* name, double* L1, double* L2,
                        double* DL, double* ALPHA, double* BOUND, int* ACC);
MIRTEX_API int get_lintyp(UserInstDef* inst, int index, const char* label, const char* name, double* W, double* S,
                          double* GW, int* CEN_MET, int* GND_MET);
MIRTEX_API int get_airtyp(UserInstDef* inst, int index, const char* label, const char* name, int* TYPE, double* BW,
                          double* BG, double* BS, int* DIE_IDX, double* L);
MIRTEX_API int get_sub(UserInstDef* inst, int index, const char* label, const char* name, double* H1, double* H2,
                       double* H3, double* ER1, double* ER2, double* ER3, double* TAND1, double* TAND2,
                       double* TAND3);
// W, S and LEVEL are indexed from 1: W[1..n], LEVEL[1..n], S[1..n-1].
MIRTEX_API int get_nltyp(UserInstDef* inst, int index, const char* label, const char* name, int n, double* GW,
                         double* SG1, double* SG2, double* W, double* S, int* GND_MET, int* LEVEL);
MIRTEX_API int SetAirType(int TYPE, int* code);
MIRTEX_API int SetAirTypeB(int TYPE, int* code);

// ------------------------------------------------ process and technology

// Room for a formed technology or layer name ("C_TECH_" + FOUNDRY).
#define MIRTEX_PROCES_NAME_SIZE 256

MIRTEX_API int NetPars(void* senior);
// tech_name and layer_name must each hold MIRTEX_PROCES_NAME_SIZE chars.
MIRTEX_API int get_proces(char* tech_name, char* layer_name, double* GW_DEF);
MIRTEX_API int get_tech_data(_foundries* tables, UserInstDef* tech);

// ------------------------------------------------------ data-item checks

MIRTEX_API int GridTst(UserInstDef* inst, const char* E, const char* I, const char* D, double BOUND, double L1,
                       double L2, double DL, double ACC);
MIRTEX_API int LintypTest(const char* E, const char* I, const char* D, const char* lW, const char* lS,
                          const char* lGW, const char* lDL, const char* lCEN_MET, const char* lGND_MET, double W,
                          double S, double GW, int CEN_MET, int GND_MET, int metal_count, double DL);
MIRTEX_API int TechTest(const char* E, const char* I, const char* D, const char* lt, const char* lrho,
                        const char* ldie_h, const char* ldie_er, const char* ldie_td, const char* lDL, double t,
                        double rho, double die_h, double die_er, double die_td, int metal, int dielectric,
                        double DL);
MIRTEX_API int AirtypTest(const char* E, const char* I, const char* D, const char* lBW, const char* lBG,
                          const char* lBS, const char* lCEN_MET, const char* lTYPE, const char* lDIE_IDX,
                          const char* lDL, double BW, double BG, double BS, int TYPE, int CEN_MET, int DIE_IDX,
                          int dielectric_count, double DL);
MIRTEX_API int SubTst(UserInstDef* inst, const char* E, const char* I, const char* D, double* H1, double H2,
                      double* H3, double ER1, double ER2, double ER3, double WGES, double DL);
MIRTEX_API int BoxTst(UserInstDef* inst, const char* E, const char* I, const char* D, double A, double B1,
                      double* L1, double B2, double* L2, double DL);

// ------------------------------------------------------------ grid fit

MIRTEX_API int par_chck(const char* label, const char* name, double value, double n, double tol, double DL,
                        WARN** list);

// ------------------------------------------------- coupled lines

MIRTEX_API int Check_Coup(const char* label, CPW_GRID_TEXT* grid_text, CPW_GRID* grid, CPW_DIELEKT_TEXT* sub_text,
                          CPW_DIELEKT* sub, int n, double GW, double SG1, double SG2, const double* W, const double* S,
                          double T, int level, double wges, WARN** warnings);
// n lines (2..10): fills coup_ipar and coup_dpar (resized for n); out rho of
// the lines' metal and the section length L.
MIRTEX_API int cpw_coup_get(UserInstDef* inst, WARN** warnings, double* rho, double* L, int n);

// ------------------------------------------- three-dimensional elements
// Each fills its element's vectors and the feed-line vectors of its ports
// (feed1.. in port order).  Outputs: the centre- and ground-metal
// resistivities, TAND2 and the feed length of each port.

MIRTEX_API int cpw_gap_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                           double* L2);
MIRTEX_API int cpw_step_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                            double* L2);
MIRTEX_API int cpw_taper_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand,
                             double* L1, double* L2);
MIRTEX_API int cpw_open_get(UserInstDef* inst, WARN** warnings, double* rho, double* tand, double* L);
MIRTEX_API int cpw_short_get(UserInstDef* inst, WARN** warnings, double* rho, double* tand, double* L);
// L: the bridge item's L, the feed line on either side.
MIRTEX_API int cpw_air_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L);
// The junctions' feed lengths are the L of each port's C_AIRTYP item.
MIRTEX_API int cpw_bend_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                            double* L2);
MIRTEX_API int cpw_tee_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                           double* L2, double* L3);
MIRTEX_API int cpw_cross_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand,
                             double* L1, double* L2, double* L3, double* L4);
// idc_ipar and the spiral's vectors are sized per instance.
MIRTEX_API int cpw_idc_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand, double* L1,
                           double* L2);
MIRTEX_API int cpw_rindE_get(UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand,
                             double* L1, double* L2);

// ------------------------------------------------- components with leads
// Each fills its element's vectors and feed1, feed2 (the two leads, of
// length Lf each, part of L).  MIM: rho of line 1's and line 2's metals,
// flip = 1 when line 1 meets the top plate.
MIRTEX_API int cpw_mim_get(UserInstDef* inst, WARN** warnings, double* tand, double* x, double* Lf, double* rho1,
                           double* rho2, double* L, int* flip);
MIRTEX_API int cpw_mimlin_get(UserInstDef* inst, WARN** warnings, double* tand, double* x, double* Lf, double* rho,
                              double* L);
MIRTEX_API int cpw_tfr_get(UserInstDef* inst, WARN** warnings, double* tand, double* rho1, double* rho2, double* Lf,
                           double* L);
MIRTEX_API int cpw_tfg_get(UserInstDef* inst, WARN** warnings, double* tand, double* rho_e, double* rho1,
                           double* rho2, double* Lf, double* L);

// ------------------------------------------------- line-family builders

MIRTEX_API int cpw_line_get(UserInstDef* inst, WARN** warnings, double* rho, double* tand, double* L);
MIRTEX_API int cpw_metvia_get(UserInstDef* inst, WARN** warnings, double* rho, double* tand, double* L);
MIRTEX_API int Check_Line(const char* label, CPW_GRID_TEXT* grid_text, CPW_GRID* grid, CPW_DIELEKT_TEXT* sub_text,
                          CPW_DIELEKT* sub, CPW_LINETYP_TEXT* line_text, CPW_LINETYP* line, int* ipar,
                          double* dpar, WARN** warnings);
MIRTEX_API int Check_Feed(const char* label, CPW_GRID_TEXT* grid_text, CPW_GRID* grid, CPW_DIELEKT_TEXT* sub_text,
                          CPW_DIELEKT* sub, CPW_LINETYP_TEXT* line_text, CPW_LINETYP* line, int* ipar,
                          double* dpar, WARN** warnings);

#ifdef __cplusplus
}  // extern "C"
#endif
