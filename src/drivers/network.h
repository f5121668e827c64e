// Elements delivered as a lumped network with feed-line sections at its
// ports: the discontinuities, ends, junctions and components.
//
// The pre step (pre_step of driver.h) solves the element's own result and
// then every feed line, also one of length 0, with the cross-section solver
// into the line cache.  The Y callback evaluates the element's own matrix
// at f, evaluates each feed line of nonzero length as a lossy line section
// and joins it at its port; the host receives the matrix of the outer nodes.
//
// An element driver describes itself with a NetworkElement: its label, its
// builder (which fills the element's vectors and feed1.. feed4 with
// Check_Feed and tells the feed lengths and metals in a FeedPlan), its
// results (own first, then feed_line(1), feed_line(2), ...), the way the
// lines are joined, and its frequency function.  element_of<desc>() turns
// that into the Element that pre_step and y_step run.  The series gap
// (drivers/gap.cpp) is the whole pattern:
//
//   const auto kResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(gap, gap, gap), "C_GAP(%s)", ...,
//                                             solve3<Calc_Gap>, "C_GAP"});
//   const NetworkElement<FeedInputs> kGap{"C_GAP", get_two_port<cpw_gap_get>, cpw_gap_pre, kResults,
//                                         Joint::Cascade, 2, {}, lumped_network<Freq_Gap, &gap_dpar_out, "C_GAp">};
//   MIRTEX_NETWORK_CALLBACKS(gap, kGap)   // cpw_gap_pre and cpw_gap_y
#pragma once

#include <array>
#include <span>
#include <type_traits>

#include "drivers/driver.h"

namespace mirtex::drivers {

inline constexpr int kMaxFeeds = 4;

// How an element's feed lines meet its own network.  A line's port 1 faces
// outward, its port 2 is joined to the element.
enum class Joint {
    End,       // a one-port at the far end of feed line 1
    Cascade,   // a two-port between feed line 1 (node 1) and feed line 2 (node 2)
    Mirrored,  // a two-port with feed line 1 on both sides
    Junction,  // an n-port with feed line k on port k
};

// The feed lines as the builder found them.  A length that is not exactly
// 0 (NaN included) attaches a line.
struct FeedPlan {
    double tand = 0.0;              // loss tangent of every feed line
    double length[kMaxFeeds] = {};  // m, per port
    double sigma[kMaxFeeds] = {};   // S/m, the metal of each line
    // The feed lines' results are in their vectors already (a kept
    // evaluation put them back): no cache look-up.
    bool resolved = false;
};

// Feed line k (1 to 4) in the vectors feed<k>_* and the line cache, under
// the captions "C_FEED<k>(%s)".
SolvedResult feed_line(int k);
// The only feed line of an element, captioned "C_FEED(%s)", with its own
// out-of-memory text.
SolvedResult lone_feed_line(const char* out_of_memory);

// The results of an element with N numbered feed lines: its own, then
// feed_line(1) .. feed_line(N).
template <int N>
std::array<SolvedResult, N + 1> with_feed_lines(const SolvedResult& own) {
    std::array<SolvedResult, N + 1> all{own};
    for (int k = 1; k <= N; ++k) all[k] = feed_line(k);
    return all;
}

// How the feed lines are joined, independent of the element's inputs.
struct Network {
    const char* label;  // names the element in the feed-line errors: "ERROR: <label>(<instance>): C_FEED1: ..."
    Joint joint;
    int ports;  // of the element's own matrix
    // Junctions whose frequency function delivers its ports in their
    // record's order: port k (from 0) of the delivered matrix is the user's
    // line order[k] (from 1), and the one reordering into node order
    // happens here.  Empty: delivered in node order.
    std::span<const int> order;
    std::span<const SolvedResult> feeds;  // feed line 1, 2, ...
    // A feed line missing from the cache is solved on the spot instead of
    // failing the evaluation.
    bool solve_missing;
};

// Y (outer nodes) of the element's own matrix Ye at f with its feed lines
// joined; false after the failure has been reported.
bool join_feed_lines(const Network& n, UserInstDef* inst, const FeedPlan& plan, double f, const COMPLEX* Ye,
                     COMPLEX* Y);

template <class Inputs>
struct NetworkElement {
    using inputs = Inputs;
    const char* label;
    // Fills the element's and the feed lines' vectors; Inputs holds a
    // FeedPlan named feeds.
    int (*get)(UserInstDef*, WARN**, Inputs&);
    int (*pre)(UserInstDef*);
    std::span<const SolvedResult> results;  // the element's own, then its feed lines in port order
    Joint joint;
    int ports;
    std::span<const int> order;
    // The element's own matrix (ports x ports) at f, and its per-frequency
    // debug row.
    void (*evaluate)(UserInstDef*, const Inputs&, double f, COMPLEX* Ye);
    bool solve_missing = false;

    Network network() const { return {label, joint, ports, order, results.subspan(1), solve_missing}; }
};

template <const auto& D>
bool evaluate_network(UserInstDef* inst, const typename std::remove_cvref_t<decltype(D)>::inputs& in, double f,
                      COMPLEX* Y) {
    COMPLEX Ye[kMaxFeeds * kMaxFeeds];
    D.evaluate(inst, in, f, Ye);
    return join_feed_lines(D.network(), inst, in.feeds, f, Ye, Y);
}

// The element that pre_step and y_step run for the description D.
template <const auto& D>
const auto& element_of() {
    using Inputs = typename std::remove_cvref_t<decltype(D)>::inputs;
    static const Element<Inputs> e{D.label, D.get, D.pre, D.results, evaluate_network<D>, YMode::Counted};
    return e;
}

}  // namespace mirtex::drivers

// The exported pre step cpw_<x>_pre and Y callback cpw_<x>_y of the element
// described by D, each with its own warning list.  Used inside extern "C".
#define MIRTEX_NETWORK_CALLBACKS(x, D)                                                              \
    MIRTEX_API int cpw_##x##_pre(UserInstDef* inst) {                                               \
        static ::mirtex::drivers::WarningList w;                                                    \
        return ::mirtex::drivers::pre_step(::mirtex::drivers::element_of<D>(), w, inst);            \
    }                                                                                               \
    MIRTEX_API int cpw_##x##_y(UserInstDef* inst, double omega, COMPLEX* y) {                       \
        static ::mirtex::drivers::WarningList w;                                                    \
        return ::mirtex::drivers::y_step(::mirtex::drivers::element_of<D>(), w, inst, omega, y);    \
    }
