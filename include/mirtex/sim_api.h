/* libmirtex_sim.so: the circuit simulator of mirtex-sim as a C interface,
 * for scripting languages and other programs.  It loads the model library
 * the way mirtex-sim does, parses netlists into circuits, runs them at given
 * frequencies and hands back S, Y or Z matrices; it also offers the line
 * calculator and the solved values the summary shows.
 *
 * One call at a time: the model library and its host are process-wide.  A
 * failing call returns NULL or MIRTEX_SIM_ERROR and leaves its error for
 * mirtex_sim_error*() in the calling thread; MIRTEX_SIM_INTERRUPTED is
 * returned after mirtex_sim_interrupt().  No C++ exception leaves here. */
#ifndef MIRTEX_SIM_API_H
#define MIRTEX_SIM_API_H

#ifdef __cplusplus
extern "C" {
#endif

enum { MIRTEX_SIM_OK = 0, MIRTEX_SIM_ERROR = 1, MIRTEX_SIM_INTERRUPTED = 2 };
enum { MIRTEX_SIM_S = 0, MIRTEX_SIM_Y = 1, MIRTEX_SIM_Z = 2 };

typedef struct mirtex_sim_circuit mirtex_sim_circuit;

/* Loads and boots the model library (NULL: libmirtex.so beside this
 * library).  Again with the same path, or NULL once one is open, it does
 * nothing; another library than the open one is an error. */
int mirtex_sim_open(const char* library_path);

/* The last error of this thread: "file:line: message" (or the message alone
 * when it has no place), its parts, and the place's file ("" without one)
 * and line (0 without one). */
const char* mirtex_sim_error(void);
const char* mirtex_sim_error_message(void);
const char* mirtex_sim_error_file(void);
int mirtex_sim_error_line(void);

/* Asks the running call to stop: the sweep between points, a field solve
 * at its next relaxation sweep.  Async-signal-safe; the running call returns
 * MIRTEX_SIM_INTERRUPTED, and nothing half-solved reaches the calculation
 * files. */
void mirtex_sim_interrupt(void);

/* A circuit from netlist text (name: the file name used in messages) or a
 * file.  Its instances are created and the library's input checks run now,
 * so every input error is reported here at its statement. */
mirtex_sim_circuit* mirtex_sim_parse(const char* text, const char* name);
mirtex_sim_circuit* mirtex_sim_read(const char* path);
void mirtex_sim_free(mirtex_sim_circuit* c);

/* Port count; the reference resistances into z (up to capacity); the
 * netlist's own sweep into freqs_hz (up to capacity); the warnings, one per
 * line.  Counts are returned whatever the capacity. */
int mirtex_sim_ports(const mirtex_sim_circuit* c);
int mirtex_sim_z_ref(const mirtex_sim_circuit* c, double* z, int capacity);
int mirtex_sim_sweep(const mirtex_sim_circuit* c, double* freqs_hz, int capacity);
const char* mirtex_sim_warnings(const mirtex_sim_circuit* c);

/* Runs the circuit at n frequencies (NULL and 0: its own sweep).  out holds
 * n * ports * ports complex numbers as (re, im) pairs, matrix after matrix,
 * row by row; kind is MIRTEX_SIM_S, _Y (siemens) or _Z (ohms). */
int mirtex_sim_run(mirtex_sim_circuit* c, const double* freqs_hz, int n, int kind, double* out);

/* What the summary shows after a run: one line per described element,
 * "<Type>:<Name>\t<description>\n", at frequency f.  Returns the length of
 * the whole text (written up to size - 1 and terminated), or -1. */
int mirtex_sim_summary(mirtex_sim_circuit* c, double f_hz, char* buf, int size);

/* One definition of the library: "<nodes>" then " <KEY>:<TYPE>" per
 * parameter (TYPE REAL, INT, MTRL or STRG), into buf as above; -1 when the
 * name is not a definition. */
int mirtex_sim_definition(const char* name, char* buf, int size);

/* A number as netlists write it ("20um", "40GHz", "2.5meg", "1e-6") into
 * *value. */
int mirtex_sim_quantity(const char* text, double* value);

/* The line calculator.  words: "KEY=VALUE" as mirtex-sim line takes them
 * (W S GW H1 H2 H3 ER1 ER2 ER3 TAND1 TAND2 TAND3 t rho DL BOUND L1; unset
 * keys take the example line's values). */
typedef struct {
    double W, ZL, eps_eff, C, L; /* W: the width the grid snapped to */
} mirtex_sim_line_result;
typedef struct {
    double f, R, G, loss_db_per_mm;
} mirtex_sim_line_point;
typedef struct {
    double value; /* interpolated between the grid values */
    double below, above, z_below, z_above;
    double grid, z_grid; /* the nearest grid value and its ZL */
} mirtex_sim_synthesis;

/* points: n entries, one per frequency. */
int mirtex_sim_line(const char* const* words, int n_words, const double* freqs_hz, int n,
                    mirtex_sim_line_result* result, mirtex_sim_line_point* points);
/* vary: "W" or "S"; z0: the target impedance. */
int mirtex_sim_synthesise(const char* const* words, int n_words, const char* vary, double z0,
                          mirtex_sim_synthesis* result);

#ifdef __cplusplus
}
#endif

#endif
