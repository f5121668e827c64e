// Lumped equivalent circuits of the discontinuities, junctions and
// components, and the composition of Y matrices that joins them to their
// feed lines.
//
// Every routine reads its element's result vector and never writes it.  Y
// matrices are COMPLEX arrays row by row, leading dimension = port count.
// Frequencies are in Hz, conductivities in S/m.  Port 1 of a two-port is the
// element's first node.
#pragma once

#include "mirtex/mirtex.h"

#ifdef __cplusplus
extern "C" {
#endif

/* out (2 x 2) = two-port A followed by two-port B, A's port 2 joined to B's
 * port 1.  out may be A or B. */
MIRTEX_API void Mult_Y_Matrix(COMPLEX* out, const COMPLEX* A, const COMPLEX* B);

/* out (nb x nb) = the nb-port B with the two-port A (na = 2) attached at its
 * port k (1 <= k <= nb): A's port 2 is joined to B's port k and A's port 1
 * takes its place; the other ports keep their numbers.  out may be B.
 * 0 on success; 1, with out untouched, for a shape it cannot join (na other
 * than 2, nb below 1, na + nb above 31, k outside 1..nb). */
MIRTEX_API int Con_Y_Mat(COMPLEX* out, const COMPLEX* A, const COMPLEX* B, int na, int nb, int k);

/* Ends: one admittance.  Open: slot 0 C_end [F].  Short: slot 0 L_end [H]. */
MIRTEX_API void Freq_Open(const double* res, double f, COMPLEX* Y);
MIRTEX_API void Freq_Short(const double* res, double f, COMPLEX* Y);

/* Gap, a pi network: slots 0 Cp1, 1 Cp2, 2 Cs [F]. */
MIRTEX_API void Freq_Gap(const double* res, double f, COMPLEX* Y);

/* Step and taper, a T network: slots 0 L1, 1 L2 [H], 2 Cp [F]. */
MIRTEX_API void Freq_Step(const double* res, double f, COMPLEX* Y);
MIRTEX_API void Freq_Taper(const double* res, double f, COMPLEX* Y);

/* Junctions: arm inductances meeting in a centre node with a shunt Cp and
 * G/omega to ground; each arm's conductor resistance [Ohm] is returned in
 * the order of the ports.  The integer result vector is not read.
 *   air bridge: ports 1, 2;  bend: ports 1, 2;
 *   T-junction: ports arm 3, arm 1, arm 2;  crossing: arms 1, 2, 4, 3. */
MIRTEX_API void Freq_Air(const int* ires, const double* res, double sigma, double f, double* R, COMPLEX* Y);
MIRTEX_API void Freq_Bend(const int* ires, const double* res, double sigma, double f, double* R1, double* R2,
                          COMPLEX* Y);
MIRTEX_API void Freq_Tee(const int* ires, const double* res, double sigma, double f, double* R3, double* R1,
                         double* R2, COMPLEX* Y);
MIRTEX_API void Freq_Cross(const int* ires, const double* res, double sigma, double f, double* R1, double* R2,
                           double* R4, double* R3, COMPLEX* Y);

/* Interdigital capacitor: slots 0 Cp1, 1 Cp2, 2 Cs, 3 L1, 4 L2, 5 M, 6 Ls,
 * 7 Rf1, 8 Rf2, 9 Rg1, 10 Rg2, 11 T.  R1, R2 receive the finger
 * resistances. */
MIRTEX_API void Freq_Cap(const double* res, double sigma, double f, double* R1, double* R2, COMPLEX* Y);

/* Spiral inductor of N = ires[0] segments: res holds T, Cs, then per
 * segment R' (from slot 2), R_dc (from 2 + N), L (from 2 + 2N), C (from
 * 2 + 3N).  R receives the total conductor resistance. */
MIRTEX_API void Freq_Ind2(const int* ires, const double* res, double sigma, double f, double* R, COMPLEX* Y);

/* Resistance of winding segment s, entry s of the R' and R_dc tables
 * (both counted so that entry 1 is the first segment). */
MIRTEX_API double Seg_Resistance(const double* r_ref, const double* r_dc, int s, double T, double f, double sigma);

#ifdef __cplusplus
}  // extern "C"
#endif
