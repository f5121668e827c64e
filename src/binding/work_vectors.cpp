// The process-wide work vectors every element driver fills and reads.
#include "binding/boot.h"
#include "mirtex/mirtex.h"
#include "numeric/memory.h"
#include "params/component_layout.h"
#include "params/coup_layout.h"
#include "params/idc_layout.h"
#include "params/rind_layout.h"
#include "params/end_layout.h"
#include "params/junction_layout.h"
#include "params/two_line_layout.h"

extern "C" {
#define MIRTEX_DEFINE_SET(set, kind) \
    MIRTEX_API int* set##_ipar = nullptr; \
    MIRTEX_API double* set##_dpar = nullptr; \
    MIRTEX_API int* set##_ipar_out = nullptr; \
    MIRTEX_API double* set##_dpar_out = nullptr;
MIRTEX_VECTOR_SETS(MIRTEX_DEFINE_SET)
#undef MIRTEX_DEFINE_SET

#define MIRTEX_DEFINE_COUNTS(kind, a, b, c, d) \
    MIRTEX_API int kind##_n_ipar = a; \
    MIRTEX_API int kind##_n_dpar = b; \
    MIRTEX_API int kind##_n_ipar_out = c; \
    MIRTEX_API int kind##_n_dpar_out = d;
MIRTEX_VECTOR_COUNTS(MIRTEX_DEFINE_COUNTS)
#undef MIRTEX_DEFINE_COUNTS
}

// The named layouts must fill exactly the vectors the host sees: the counts
// at load, { ipar, dpar, ipar_out, dpar_out }, of each kind.
namespace {
struct Counts {
    int ipar, dpar, ipar_out, dpar_out;
};
#define MIRTEX_COUNTS_AT_LOAD(kind, a, b, c, d) [[maybe_unused]] constexpr Counts k_##kind = {a, b, c, d};
MIRTEX_VECTOR_COUNTS(MIRTEX_COUNTS_AT_LOAD)
#undef MIRTEX_COUNTS_AT_LOAD

template <class Ints, class Reals, class Results>
constexpr bool fills(const Counts& c) {
    return Ints::kSlots == c.ipar && Reals::kSlots == c.dpar && Results::kSlots == c.dpar_out;
}
// With integer results (the bridge codes of the junctions).
template <class Ints, class Reals, class Types, class Results>
constexpr bool fills(const Counts& c) {
    return fills<Ints, Reals, Results>(c) && Types::kSlots == c.ipar_out;
}
using namespace mirtex::params;
static_assert(fills<TwoLineInts, TwoLineReals, GapResults>(k_gap));
static_assert(fills<TwoLineInts, TwoLineReals, StepResults>(k_step));
static_assert(fills<TwoLineInts, TwoLineReals, StepResults>(k_taper));
static_assert(fills<LineInts, LineReals, LineResults>(k_line) && fills<LineInts, LineReals, LineResults>(k_feed));
static_assert(fills<LineInts, CaplinReals, CaplinResults>(k_mimlin));
static_assert(fills<LineInts, TfrReals, TfrResults>(k_tfr) && fills<LineInts, TfgReals, TfgResults>(k_tfg));
static_assert(fills<MimInts, MimReals, MimResults>(k_mim));
// The coupled lines' real vectors are sized per instance.
static_assert(CoupInts::kSlots == k_coup.ipar && CoupIntResults::kSlots == k_coup.ipar_out);
// The interdigital capacitor's integer vector and the spiral's are sized per
// instance past their heads; the spiral has one integer result beyond NFP.
static_assert(IdcReals::kSlots == k_idc.dpar && IdcResults::kSlots == k_idc.dpar_out);
static_assert(RindIntResults::kSlots + 1 == k_rindE.ipar_out);
static_assert(fills<OpenInts, OpenReals, OpenResults>(k_open));
static_assert(fills<ShortInts, ShortReals, ShortResults>(k_short));
static_assert(fills<AirInts, AirReals, AirTypes, AirResults>(k_bruecke));
static_assert(fills<BendInts, BendReals, BendTypes, BendResults>(k_bend));
static_assert(fills<TeeInts, TeeReals, TeeTypes, TeeResults>(k_tee));
static_assert(fills<CrossInts, CrossReals, CrossTypes, CrossResults>(k_cross));
}  // namespace

namespace mirtex {
namespace {

template <typename T>
void allocate(T*& vec, int count) {
    // A failed allocation leaves the vector null; the builder that first
    // fills it then finds no vector and fails with its memory message.
    if (count != 0 && vec == nullptr) vec = static_cast<T*>(g_malloc(static_cast<long>(count) * sizeof(T)));
}

}  // namespace

void allocate_work_vectors() {
#define MIRTEX_ALLOCATE_SET(set, kind) \
    allocate(set##_ipar, kind##_n_ipar); \
    allocate(set##_dpar, kind##_n_dpar); \
    allocate(set##_ipar_out, kind##_n_ipar_out); \
    allocate(set##_dpar_out, kind##_n_dpar_out);
    MIRTEX_VECTOR_SETS(MIRTEX_ALLOCATE_SET)
#undef MIRTEX_ALLOCATE_SET
}

}  // namespace mirtex
