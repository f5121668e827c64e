// Frequency-domain evaluation of uniform lossy lines: the front ends that
// turn a solved cross-section (per-unit-length C', L', R', G') into R and G
// at one frequency, the common two-port of a line section, and the
// skin-effect resistance of a rectangular conductor.
//
// Result vectors are read, never written.  R' in a line result is the
// conductor resistance per metre at 1 GHz for the reference conductivity
// 5.6e7 S/m; the front ends rescale it to the metal's conductivity sigma.
// Y is a 2 x 2 COMPLEX array, row by row (Y11, Y12, Y21, Y22).  The values
// the routines return carry no meaning; the results are the out-arguments.
#pragma once

#include "mirtex/mirtex.h"
#include "numeric/arrays.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Line result: C', L', R', G', ZL, ER_eff, W, T.  R and G per metre at f,
 * then the section as Calc_Leitung (ZL receives the characteristic
 * impedance). */
MIRTEX_API int Freq_Line(const double* res, double tand, double length, double sigma, double f, double* R,
                         double* G, COMPLEX* ZL, COMPLEX* gamma, COMPLEX* Y);

/* Capacitive-line result: C', L', G', R', GS, W, T.  The second argument is
 * not read. */
MIRTEX_API int Freq_Mimlin(const double* res, double unused, double tand, double sigma, double length, double f,
                           COMPLEX* Y, COMPLEX* Z0, COMPLEX* gamma, double* R, double* G);

/* Thin-film gap result: C', L', GC' (constant), R', GC' (loss-tangent
 * part), W, T. */
MIRTEX_API int Freq_Tfg(const double* res, double tand, double sigma, double length, double f, COMPLEX* Y,
                        COMPLEX* Z0, COMPLEX* gamma, double* R, double* G);

/* Thin-film resistor result: C', L', G', R'; R' is used as it is. */
MIRTEX_API int Freq_Tfr(const double* res, double tand, double length, double f, COMPLEX* Y, COMPLEX* Z0,
                        COMPLEX* gamma);

/* The two-port of a line section of the given length at f [Hz].  A section
 * shorter than 1e-8 m is a 1e10 S connection and leaves Z0 and gamma as they
 * were; below 1 Hz the direct-current forms apply. */
MIRTEX_API int Calc_Leitung(double R, double L, double G, double C, double length, double f, COMPLEX* Y,
                            COMPLEX* Z0, COMPLEX* gamma);

/* Open-circuit impedance matrix Z (2n x 2n, indexes 1..2n, obtained by the
 * caller) of a section of n coupled conductors of length l at angular
 * frequency omega, from the n x n per-unit-length matrices (indexes 1..n).
 * Ports 1..n are the near ends, n+1..2n the far ends. */
MIRTEX_API void Calc_Multiline(int n, d2* R, d2* L, d2* G, d2* C, double omega, double l, C2* Z);

/* The coupled-line section of a solved cross-section (ires[0] = n; res: T,
 * C (n x n), C_air (n x n), the 1-GHz loss matrix K (n x n), the n widths)
 * at f [Hz]: admittance matrix Y (2n x 2n), modal impedances ZL[i][k] of
 * conductor i in mode k and the modal propagation constants on the
 * diagonal of Gamma (n x n).  The caller obtains and zero-fills the three.
 * 0 on success, 1 when no work space could be had. */
MIRTEX_API int Freq_Coup(int* ires, double* res, double f, double l, double sigma, C2* Y, C2* ZL, C2* Gamma);

/* The MIM capacitor's two-port at f [Hz] from its result (C, L, R, G row by
 * row, GK, W_BOT, W_TOP, T_BOT, T_TOP): the plates as coupled lines of the
 * given length, port 1 the bottom plate's near end, port 2 the top plate's
 * far end.  tand_s scales the plates' own dielectric losses, tand_m the
 * capacitor dielectric's.  Y = 0 at f = 0. */
MIRTEX_API int Freq_Mim(const double* res, double tand_s, double tand_m, double sigma_bottom, double sigma_top,
                        double length, double f, double unused, COMPLEX* Y);

/* Resistance [Ohm] of a rectangular conductor with skin effect. */
MIRTEX_API double Skin(double width, double thickness, double length, double sigma, double mur, double f);

#ifdef __cplusplus
}  // extern "C"
#endif
