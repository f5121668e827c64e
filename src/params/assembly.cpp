#include "params/assembly.h"

#include <algorithm>
#include <cmath>

#include "binding/messages.h"
#include "params/extrapolation.h"
#include "params/grid.h"
#include "params/item.h"

namespace mirtex::params {

const CPW_LINETYP_TEXT kLineText = {"W", "S", "GW", "t", "t", nullptr, nullptr};

namespace {

constexpr CPW_GRID_TEXT kGridText = {"L1", "L2", "DL", "alpha", "gamma", nullptr};
constexpr CPW_DIELEKT_TEXT kSubText = {"H3", "ER3", nullptr, "H2", "ER2", nullptr, "H1", "ER1", nullptr};

// Labels are built in buffers that keep their capacity, so that an
// evaluation allocates nothing once the names have been seen.
std::string& label_buffer(int which) {
    static std::string buf[2];
    return buf[which];
}

bool tables_ready() {
    return foundries.table_count >= 12 && foundries.entry_count != nullptr && foundries.entries != nullptr;
}

}  // namespace

int resolve_process() {
    if (foundries.resolve_pending) {
        if (NetPars(nullptr) != 0) return 1;
        foundries.resolve_pending = 0;
    }
    return 0;
}

double region_width(const CPW_LINETYP& line, double DL) {
    return (grid_round(line.W / DL) + 2.0 * grid_round(line.S / DL)) * DL;
}

double outer_width(const CPW_LINETYP& line, double gw, double DL) {
    return region_width(line, DL) + 2.0 * grid_round(gw / DL) * DL;
}

Assembly::Assembly(UserInstDef* inst, WARN** warnings, const char* label)
    : inst_(inst), warnings_(warnings), label_(label ? label : ""), name_(inst_name(inst)) {}

int Assembly::begin() {
    if (inst_ == nullptr || inst_->def == nullptr || inst_->params == nullptr) return 1;
    if (resolve_process() != 0) return 1;
    if (warnings_ != nullptr && *warnings_ != nullptr) Delete_Warning(warnings_);
    return 0;
}

int Assembly::metal_count() const {
    if (!tables_ready()) return 0;
    return std::min(foundries.entry_count[10], foundries.entry_count[11]);
}

int Assembly::grid(int index, bool has_length) {
    has_length_ = has_length;
    grid_text_ = kGridText;
    if (get_grid(inst_, index, label_, name_, &grid_.L1, &grid_.L2, &grid_.DL, &grid_.ALPHA, &grid_.BOUND,
                 &grid_.ACC) != 0)
        return 1;
    grid_item_ = text_param(inst_, index);
    if (!has_length_) grid_.L2 = 0.0;
    if (GridTst(inst_, label_, name_, grid_item_, grid_.BOUND, grid_.L1, grid_.L2, grid_.DL, grid_.ACC) != 0) return 1;
    // The coarse grid of an extrapolation: the item's box, a step scaled.
    grid_.DL *= grid_scale();
    return 0;
}

int Assembly::line_type(int index, LineItem& line, const CPW_LINETYP_TEXT& labels) {
    line.text = labels;
    CPW_LINETYP& r = line.rec;
    if (get_lintyp(inst_, index, label_, name_, &r.W, &r.S, &r.GW, &r.CEN_MET, &r.GND_MET) != 0) return 1;
    line.item = text_param(inst_, index);
    return LintypTest(label_, name_, line.item, "W", "S", "GW", "DL", "CEN_MET", "GND_MET", r.W, r.S, r.GW,
                      r.CEN_MET, r.GND_MET, metal_count(), grid_.DL);
}

int Assembly::air_type(int index, int* TYPE, double* BW, double* BG, double* BS, int* DIE_IDX, double* L) {
    return get_airtyp(inst_, index, label_, name_, TYPE, BW, BG, BS, DIE_IDX, L);
}

const char* Assembly::item_name(int index) const { return text_param(inst_, index); }

int Assembly::metals(LineItem& line) {
    CPW_LINETYP& r = line.rec;
    // line_type() has checked both levels against metal_count(), which is
    // zero while no technology is resolved.
    if (r.CEN_MET < 1 || r.GND_MET < 1 || r.CEN_MET > metal_count() || r.GND_MET > metal_count()) return 1;
    const double* t = foundries.entries[10];
    const double* rho = foundries.entries[11];
    r.T = t[r.CEN_MET - 1];
    r.T2 = t[r.GND_MET - 1];
    line.rho = rho[r.CEN_MET - 1];
    line.rho_gnd = rho[r.GND_MET - 1];
    if (tech_test(r.T, line.rho, r.CEN_MET) != 0) return 1;
    return tech_test(r.T2, line.rho_gnd, r.GND_MET);
}

int Assembly::tech_test(double t, double rho, int metal, double die_h, double die_er, double die_td,
                        int dielectric) const {
    return TechTest(label_, name_, tech_item_name(), "t", "rho", "die_h", "die_er", "die_td", "DL", t, rho, die_h, die_er, die_td,
                    metal, dielectric, grid_.DL);
}

int Assembly::dielectric_count() const {
    if (!tables_ready()) return 0;
    return std::min({foundries.entry_count[5], foundries.entry_count[6], foundries.entry_count[7]});
}

bool Assembly::dielectric(int index, double& h, double& er, double& td) const {
    if (!tables_ready() || index < 0 || index > dielectric_count()) return false;
    if (index == 0) {
        if (foundries.entry_count[0] < 1 || foundries.entry_count[1] < 1 || foundries.entry_count[2] < 1) return false;
        h = foundries.entries[0][0];
        er = foundries.entries[1][0];
        td = foundries.entries[2][0];
        return true;
    }
    h = foundries.entries[5][index - 1];
    er = foundries.entries[6][index - 1];
    td = foundries.entries[7][index - 1];
    return true;
}

int Assembly::reject(const std::string& text) {
    if (warnings_ != nullptr) New_Warning(warnings_, text.c_str());
    return 1;
}

int Assembly::substrate(int index, double wges, double* tand) {
    sub_text_ = kSubText;
    CPW_DIELEKT& d = sub_;
    if (get_sub(inst_, index, label_, name_, &d.H1, &d.H2, &d.H3, &d.ER1, &d.ER2, &d.ER3, &d.TAND1, &d.TAND2,
                &d.TAND3) != 0)
        return 1;
    const char* item = text_param(inst_, index);
    // The loss tangents go straight into the line losses.  A negative one
    // would make the substrate a source of energy (the line an amplifier);
    // above kMaxLossTangent the medium conducts more than it polarises and a
    // quasi-static dielectric model no longer describes it.
    bool tand_ok = true;
    const double tands[3] = {d.TAND1, d.TAND2, d.TAND3};
    for (int n = 0; n < 3; ++n)
        if (!(tands[n] >= 0 && tands[n] <= kMaxLossTangent)) {
            send_error("ERROR %s(%s) : C_SUB(%s) : TAND%d=%lg invalid value ! (0 <= TAND%d <= %lg)", label_, name_,
                       item, n + 1, tands[n], n + 1, kMaxLossTangent);
            tand_ok = false;
        }
    if (!tand_ok) return 1;
    if (tand != nullptr) *tand = d.TAND2;
    return SubTst(inst_, label_, name_, item, &d.H1, d.H2, &d.H3, d.ER1, d.ER2, d.ER3, wges, grid_.DL);
}

int Assembly::box(double A, double B1, double B2) {
    double L2 = has_length_ ? grid_.L2 : 0.0;
    if (BoxTst(inst_, label_, name_, grid_item_, A, B1, &grid_.L1, B2, &L2, grid_.DL) != 0) return 1;
    grid_.L2 = L2;
    return 0;
}

int Assembly::section_length(double length, const char* what, Sign sign) {
    if (!std::isfinite(length))
        return reject(mirtex::format("%s(%s) : %s=%lg invalid value ! (finite value required)", label_, name_, what, length));
    if (std::fabs(length) > kMaxSectionLength)
        return reject(mirtex::format("%s(%s) : %s=%lg invalid value ! (|%s| <= %lg m)", label_, name_, what, length, what,
                                     kMaxSectionLength));
    if (length < 0 && sign == Sign::Positive)
        return reject(mirtex::format("%s(%s) : %s=%lg invalid value ! (a length of line cannot be negative)", label_,
                                     name_, what, length));
    if (length < 0)
        New_Warning(warnings_, mirtex::format("%s=%lg is negative: a de-embedding section, whose S-parameters are not "
                                              "passive",
                                              what, length)
                                   .c_str());
    return 0;
}

int Assembly::bounded(const char* what, double value) {
    const double max = kMaxGridSteps * grid_.DL;
    if (std::isfinite(value) && std::fabs(value) <= max) return 0;
    return reject(mirtex::format("%s(%s): %s=%lg invalid value ! (|%s| <= %lg)", label_, name_, what, value, what, max));
}

const char* Assembly::check_label() {
    std::string& out = label_buffer(0);
    out.assign(label_).append("(").append(name_).append(")");
    return out.c_str();
}

int Assembly::feed(const LineItem& line, int* ipar, double* dpar) {
    std::string& label = label_buffer(1);
    label.assign(label_).append("(").append(name_).append("): C_LINTYP(").append(line.item).append(")");
    CPW_LINETYP rec = line.rec;
    CPW_LINETYP_TEXT text = line.text;
    return Check_Feed(label.c_str(), &grid_text_, &grid_, &sub_text_, &sub_, &text, &rec, ipar, dpar, warnings_);
}

}  // namespace mirtex::params
