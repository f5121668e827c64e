#include "params/leads.h"

#include <algorithm>

#include "params/item.h"

namespace mirtex::params {

int lead_component_items(Assembly& a, UserInstDef* inst, LeadComponent& c) {
    if (a.begin() != 0) return 1;
    c.L = real_param(inst, 0);
    if (a.section_length(c.L) != 0) return 1;
    if (a.grid(6, false) != 0) return 1;
    if (a.line_type(1, c.own) != 0 || a.line_type(2, c.line1) != 0 || a.line_type(3, c.line2) != 0) return 1;
    c.index = int_param(inst, 4);
    return 0;
}

int lead_component_frame(Assembly& a, LeadComponent& c) {
    if (a.metals(c.own) != 0 || a.metals(c.line1) != 0 || a.metals(c.line2) != 0) return 1;
    const double DL = a.DL();
    double wges = 0.0, outer = 0.0;
    for (const LineItem* l : {&c.own, &c.line1, &c.line2}) {
        wges = std::max(wges, region_width(l->rec, DL));
        outer = std::max(outer, outer_width(l->rec, l->rec.GW, DL));
    }
    if (a.substrate(5, wges, &c.tand) != 0) return 1;
    return a.box(wges, outer, 0.0);
}

int lead_component_feeds(Assembly& a, LeadComponent& c) {
    if (a.feed(c.line1, feed1_ipar, feed1_dpar) != 0) return 1;
    return a.feed(c.line2, feed2_ipar, feed2_dpar);
}

}  // namespace mirtex::params
