// The vectors of the components built on a line's cross-section: the
// capacitive line, the thin-film resistor, the resistive gap (one line, its
// film or plate) and the MIM capacitor (two lines, its plates).  Their
// integer vectors are a line's, their real vectors a line's followed by the
// component's own slots.
#pragma once

#include <type_traits>

#include "params/line_layout.h"

// A layout whose head is whole line layouts (HEAD, their report labels
// LABELS) and whose tail is named slots (the list TAIL).
#define MIRTEX_LINE_COMPONENT(Type, Slot, HEAD, LABELS, TAIL)                                             \
    struct Type {                                                                                       \
        using slot_type = Slot;                                                                         \
        HEAD                                                                                            \
        TAIL(MIRTEX_LAYOUT_MEMBER)                                                                      \
        static constexpr const char* kLabels[] = {LABELS TAIL(MIRTEX_LAYOUT_LABEL)};                   \
        static constexpr int kSlots = static_cast<int>(std::size(kLabels));                             \
    };                                                                                                  \
    static_assert(sizeof(Type) == sizeof(Slot) * Type::kSlots && std::is_standard_layout_v<Type> &&     \
                  std::is_trivially_copyable_v<Type>)

#define MIRTEX_NO_SLOTS(X)

// The capacitor dielectric: relative permittivity and thickness [m].
#define MIRTEX_DIELECTRIC_SLOTS(X) X(die_er, "\n  die_er") X(die_h, "die_h")
// The film's sheet resistance [ohm/square].
#define MIRTEX_FILM_SLOTS(X) X(res_rs, "res_rs")
// The resistive gap's film: its height H [m] and the slot S it bridges [m].
#define MIRTEX_TFG_SLOTS(X) MIRTEX_FILM_SLOTS(X) X(H, "H") X(S, "S")

// The capacitive line: C' with the plate [F/m], L' [H/m], the plate's
// capacitance Cm [F/m] (its loss through the dielectric), the line's R'
// [ohm/m] and substrate share G' [F/m], the strip's W and T [m].
#define MIRTEX_CAPLIN_RESULTS(X)                                                                           \
    X(C_per_m, "C'[F/m]") X(L_per_m, "L'[H/m]") X(Cm_per_m, "G'[S/m]") X(R_per_m, "R'[Ohm/m]") X(G_per_m, "GS") \
        X(W, "W[m]") X(T, "T[m]")

// The thin-film resistor: C' [F/m], L' [H/m], the substrate share G' [F/m]
// and the film's R' = res_rs / W [ohm/m].
#define MIRTEX_TFR_RESULTS(X) X(C_per_m, "C'[F/m]") X(L_per_m, "L'[H/m]") X(G_per_m, "G'[S/m]") X(R_per_m, "R'[Ohm/m]")

// The resistive gap: C' [F/m], L' [H/m], the film's conductance across
// both slots g [S/m], the line's R' [ohm/m] and substrate share G' [F/m],
// the strip's W and T [m].
#define MIRTEX_TFG_RESULTS(X)                                                                              \
    X(C_per_m, "C'[F/m]") X(L_per_m, "L'[H/m]") X(g_film, "GC'[S/m]") X(R_per_m, "R'[Ohm/m]")             \
        X(G_per_m, "GC'[S/m]") X(W, "\n  W[m]") X(T, "T[m]")

// The MIM capacitor's plates as two coupled lines (0 the bottom plate, 1 the
// top): the C [F/m], L [H/m] and R [ohm/m] matrices, the loss coefficients
// G [F/m] (G00, G11 the substrate's shares, G01 = G10 = Cm the dielectric's)
// and GK = Cm, then each plate's width and metal [m].
#define MIRTEX_MIM_RESULTS(X)                                                                              \
    X(C00, "C00") X(C01, "C01") X(C10, "C10") X(C11, "C11") X(L00, "\n  L00") X(L01, "L01") X(L10, "L10")  \
        X(L11, "L11") X(R00, "\n  R00") X(R01, "R01") X(R10, "R10") X(R11, "R11") X(G00, "\n  G00")         \
            X(G01, "G01") X(G10, "G10") X(G11, "G11") X(GK, "GK") X(W_BOT, "\n  W_BOT[m]")                  \
                X(W_TOP, "W_TOP[m]") X(T_BOT, "T_BOT[m]") X(T_TOP, "T_TOP[m]")

#define MIRTEX_PLATE_INT_LABELS                                                                            \
    MIRTEX_LINE_INTS(MIRTEX_LAYOUT_LABEL, "LINE1: ") MIRTEX_LINE_INTS(MIRTEX_LAYOUT_LABEL, "\n  LINE2: ")
#define MIRTEX_PLATE_REAL_LABELS                                                                           \
    MIRTEX_LINE_REALS(MIRTEX_LAYOUT_LABEL, "LINE1: ", "\n         ", "")                                  \
    MIRTEX_LINE_REALS(MIRTEX_LAYOUT_LABEL, "\n  LINE2: ", "\n         ", "")
#define MIRTEX_PLATE_LINE_LABELS MIRTEX_LINE_REALS(MIRTEX_LAYOUT_LABEL, "", "\n  ", "(C)")
#define MIRTEX_FILM_LINE_LABELS MIRTEX_LINE_REALS(MIRTEX_LAYOUT_LABEL, "", "\n  ", "(R)")

namespace mirtex::params {

MIRTEX_LINE_COMPONENT(CaplinReals, double, LineReals line;, MIRTEX_PLATE_LINE_LABELS, MIRTEX_DIELECTRIC_SLOTS);
MIRTEX_LINE_COMPONENT(TfrReals, double, LineReals line;, MIRTEX_FILM_LINE_LABELS, MIRTEX_FILM_SLOTS);
MIRTEX_LINE_COMPONENT(TfgReals, double, LineReals line;, MIRTEX_FILM_LINE_LABELS, MIRTEX_TFG_SLOTS);
MIRTEX_LINE_COMPONENT(MimInts, int, LineInts bottom; LineInts top;, MIRTEX_PLATE_INT_LABELS, MIRTEX_NO_SLOTS);
MIRTEX_LINE_COMPONENT(MimReals, double, LineReals bottom; LineReals top;, MIRTEX_PLATE_REAL_LABELS,
                      MIRTEX_DIELECTRIC_SLOTS);

MIRTEX_LAYOUT(CaplinResults, double, MIRTEX_CAPLIN_RESULTS);
MIRTEX_LAYOUT(TfrResults, double, MIRTEX_TFR_RESULTS);
MIRTEX_LAYOUT(TfgResults, double, MIRTEX_TFG_RESULTS);
MIRTEX_LAYOUT(MimResults, double, MIRTEX_MIM_RESULTS);

}  // namespace mirtex::params
