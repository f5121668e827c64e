// The common assembly of an element's inputs: every input builder walks the
// same steps (process, warnings, grid, line types, its own rules,
// technology values, substrate, box, check function, feed lines) and only
// chooses which items it reads, which rules it adds in between and which
// check function fills its vectors.  Each step answers 0 to go on and 1
// when the assembly must stop; the step has then sent its messages.
#pragma once

#include <string>

#include "params/params.h"

namespace mirtex::params {

// Resolves the process data when an analysis has not done so yet.
int resolve_process();

// Held by a query outside an analysis (an input check, a description): the
// process technology it resolves is not kept for the next analysis, since
// the host may load another design in between.  Nor does the query start
// the debug file afresh: a summary read after an analysis would otherwise
// empty the report that analysis has just written.
struct OutsideAnalysis {
    OutsideAnalysis() { ++depth(); }
    ~OutsideAnalysis() {
        --depth();
        foundries.resolve_pending = 1;
    }
    OutsideAnalysis(const OutsideAnalysis&) = delete;
    OutsideAnalysis& operator=(const OutsideAnalysis&) = delete;
    static int& depth() {
        static int d = 0;
        return d;
    }
};

// One referenced line type with the labels its messages use.
struct LineItem {
    CPW_LINETYP rec{};
    CPW_LINETYP_TEXT text{};
    const char* item = "";  // name of the C_LINTYP item
    double rho = 0.0;       // centre-metal resistivity
    double rho_gnd = 0.0;   // ground-metal resistivity
};

// Labels of a line that is named plainly ("W", "S", "GW", thickness "t").
extern const CPW_LINETYP_TEXT kLineText;

// (round(W/DL) + 2 round(S/DL)) DL: the strip and both slots.
double region_width(const CPW_LINETYP& line, double DL);
// The region with both ground strips of width gw.
double outer_width(const CPW_LINETYP& line, double gw, double DL);

// No section of a planar circuit comes near a metre; a longer one is a
// forgotten unit (L=500 for 500 um), and its exp(gamma l) would overflow.
inline constexpr double kMaxSectionLength = 1.0;

class Assembly {
public:
    // label names the element in messages ("C_METVIA", or the definition
    // name for the line and the step).
    Assembly(UserInstDef* inst, WARN** warnings, const char* label);

    // Process resolution and an empty warning list.
    int begin();
    // The grid item at parameter index, checked.  Without a longitudinal
    // extent the element works with L2 = 0.
    int grid(int index, bool has_length);
    // The line type at parameter index, checked against the metal levels.
    int line_type(int index, LineItem& line, const CPW_LINETYP_TEXT& labels = kLineText);
    // The C_AIRTYP item at parameter index, read as it stands.
    int air_type(int index, int* TYPE, double* BW, double* BG, double* BS, int* DIE_IDX, double* L);
    // The name of the item a parameter refers to; never null.
    const char* item_name(int index) const;
    // Thicknesses and resistivities of the line's metals, centre then
    // ground, each checked.
    int metals(LineItem& line);
    // An element rule is violated: its message goes on the warning list
    // and the assembly stops.
    int reject(const std::string& text);
    // The substrate at parameter index; gives TAND2 and may fill in the
    // automatic heights, which grow with wges.
    int substrate(int index, double wges, double* tand);
    // The box around a conductor region of width A, at least B1 wide and B2
    // long; may fill in the automatic L1 (and L2).
    int box(double A, double B1, double B2);
    // The length of a line section: finite, and no longer than
    // kMaxSectionLength either way (negative lengths de-embed).
    // A line section's length: finite, at most kMaxSectionLength, and not
    // negative unless the element may stand for a de-embedding section
    // (Sign::Either, with a warning that its S-parameters are not passive).
    enum class Sign { Positive, Either };
    int section_length(double length, const char* what = "L", Sign sign = Sign::Positive);
    // An element's own dimension: finite and within the grid's reach
    // (kMaxGridSteps steps), so that its grid counts stay far inside an
    // int; violations go on the warning list like the element rules.
    int bounded(const char* what, double value);
    // "%s(%s)" of label and instance: the label of the check function.
    const char* check_label();
    // The feed-line vectors of one connected line.
    int feed(const LineItem& line, int* ipar, double* dpar);

    // Bridge and capacitor dielectrics: index 0 is the base dielectric,
    // index d >= 1 entry d of the upper tables.  False (nothing written)
    // for an index the technology does not have.
    int dielectric_count() const;
    bool dielectric(int index, double& h, double& er, double& td) const;
    // TechTest of one metal and one dielectric (values that pass every
    // rule where none is involved: 1 um high, er 1, td 1), under the
    // element's names.
    int tech_test(double t, double rho, int metal, double die_h = 1e-6, double die_er = 1.0, double die_td = 1.0,
                  int dielectric = 0) const;

    const char* name() const { return name_; }
    WARN** warnings() const { return warnings_; }
    const char* label() const { return label_; }
    double DL() const { return grid_.DL; }
    int metal_count() const;

    CPW_GRID grid_{};
    CPW_GRID_TEXT grid_text_{};
    CPW_DIELEKT sub_{};
    CPW_DIELEKT_TEXT sub_text_{};

private:
    UserInstDef* inst_;
    WARN** warnings_;
    const char* label_;
    const char* name_;
    const char* grid_item_ = "";
    bool has_length_ = false;
};

}  // namespace mirtex::params
