// Feed lines joined to an element's own network.
#include "drivers/network.h"

#include <algorithm>
#include <cmath>

#include "binding/messages.h"
#include "freq/circuits.h"
#include "freq/freq.h"
#include "numeric/complex.h"
#include "params/item.h"

namespace mirtex::drivers {

namespace {

// Captions and texts of feed lines 1 to 4.
constexpr const char* kFeedTag[kMaxFeeds] = {"C_FEED1", "C_FEED2", "C_FEED3", "C_FEED4"};
constexpr const char* kFeedRun[kMaxFeeds] = {"C_FEED1(%s)", "C_FEED2(%s)", "C_FEED3(%s)", "C_FEED4(%s)"};
constexpr const char* kFeedOutOfMemory[kMaxFeeds] = {
    "ERROR: C_FEED1(%s): Memory Overflow! Failed to Calculate Feed Line!",
    "ERROR: C_FEED2(%s): Memory Overflow! Failed to Calculate Feed Line!",
    "ERROR: C_FEED3(%s): Memory Overflow! Failed to Calculate Feed Line!",
    "ERROR: C_FEED4(%s): Memory Overflow! Failed to Calculate Feed Line!",
};

// The two-port of feed line k (from 0) at f; false after the failure has
// been reported.
bool feed_matrix(const Network& n, int k, const char* name, const FeedPlan& plan, double f, COMPLEX* Yf) {
    const SolvedResult& r = n.feeds[k];
    if (!plan.resolved && !r.vectors.lookup()) {
        // The element's result was cached, so no pre step ran for this
        // instance, and its feed line is not: an element whose parameters
        // changed only in its lines.
        if (!n.solve_missing) {
            const char* tag = n.feeds.size() == 1 ? "C_FEED" : kFeedTag[k];
            send_error("ERROR: %s(%s): %s: Missing Feed Line Data in Cache!", n.label, name, tag);
            return false;
        }
        if (!ensure_solved(r, name)) return false;
    }
    double R = 0.0, G = 0.0;
    COMPLEX ZL{}, gamma{};
    Freq_Line(*r.vectors.dpar_out, plan.tand, plan.length[k], plan.sigma[k], f, &R, &G, &ZL, &gamma, Yf);
    return true;
}

// Feed lines j and k have one two-port: the same results, length and metal.
bool same_feed(const Network& n, const FeedPlan& plan, int j, int k) {
    const ResultVectors &a = n.feeds[j].vectors, &b = n.feeds[k].vectors;
    return plan.length[j] == plan.length[k] && plan.sigma[j] == plan.sigma[k] && *a.n_dpar_out == *b.n_dpar_out &&
           std::equal(*a.dpar_out, *a.dpar_out + *a.n_dpar_out, *b.dpar_out);
}

}  // namespace

SolvedResult feed_line(int k) {
    const ResultVectors vectors[kMaxFeeds] = {
        MIRTEX_RESULT_VECTORS(feed1, feed, line), MIRTEX_RESULT_VECTORS(feed2, feed, line),
        MIRTEX_RESULT_VECTORS(feed3, feed, line), MIRTEX_RESULT_VECTORS(feed4, feed, line)};
    const int i = std::clamp(k, 1, kMaxFeeds) - 1;
    return {vectors[i], kFeedRun[i], kFeedOutOfMemory[i], 20, solve_cross_section, "C_FEED"};
}

SolvedResult lone_feed_line(const char* out_of_memory) {
    return {MIRTEX_RESULT_VECTORS(feed1, feed, line), "C_FEED(%s)", out_of_memory, 20, solve_cross_section, "C_FEED"};
}

bool join_feed_lines(const Network& n, UserInstDef* inst, const FeedPlan& plan, double f, const COMPLEX* Ye,
                     COMPLEX* Y) {
    const char* name = params::inst_name(inst);
    // A feed line shorter than a nanometre is no line: its admittances
    // (1/(gamma l Z) and up) would swamp the element's in the cascade and
    // leave only rounding, so it is left out as a zero length is.
    auto attached = [&](int k) { return std::fabs(plan.length[k]) >= 1e-9; };
    // The two-ports of the feed lines, Yk[k] for line k.  Lines of one
    // result, length and metal (the two sides of a symmetric element, the
    // arms of a symmetric tee or crossing) share the first one's, where the
    // lines' results are in their vectors already (a look-up fills them on
    // the way).
    COMPLEX Yk[kMaxFeeds][4];
    bool made[kMaxFeeds] = {};
    auto feed = [&](int k) -> const COMPLEX* {
        for (int j = 0; j < kMaxFeeds && plan.resolved; ++j)
            if (made[j] && same_feed(n, plan, j, k)) return Yk[j];
        if (!feed_matrix(n, k, name, plan, f, Yk[k])) return nullptr;
        made[k] = true;
        return Yk[k];
    };
    COMPLEX Ya[kMaxFeeds * kMaxFeeds];

    switch (n.joint) {
        case Joint::End: {
            // The line's input admittance with the end as its load:
            // Y11 - Y12 Y21 / (Y22 + Y_end).
            if (!attached(0)) {
                Y[0] = Ye[0];
                return true;
            }
            const COMPLEX* Yf = feed(0);
            if (Yf == nullptr) return false;
            Y[0] = cx::sub(Yf[0], cx::zdiv(cx::mul(Yf[1], Yf[2]), cx::add(Yf[3], Ye[0])));
            return true;
        }

        case Joint::Cascade:
        case Joint::Mirrored: {
            // Line 1, the element, then line 2 (or line 1 again, turned round:
            // a line section is symmetric).
            std::copy(Ye, Ye + 4, Ya);
            const COMPLEX* first = nullptr;
            if (attached(0)) {
                if ((first = feed(0)) == nullptr) return false;
                Mult_Y_Matrix(Ya, first, Ya);
            }
            const int last = n.joint == Joint::Mirrored ? 0 : 1;
            if (attached(last)) {
                const COMPLEX* Yf = last == 0 ? first : feed(last);
                if (Yf == nullptr) return false;
                Mult_Y_Matrix(Ya, Ya, Yf);
            }
            std::copy(Ya, Ya + 4, Y);
            return true;
        }

        case Joint::Junction: {
            const int p = n.ports;
            for (int r = 0; r < p; ++r)
                for (int c = 0; c < p; ++c)
                    Ya[n.order.empty() ? r * p + c : (n.order[r] - 1) * p + (n.order[c] - 1)] = Ye[r * p + c];
            for (int k = 0; k < p; ++k) {
                if (!attached(k)) continue;
                const COMPLEX* Yf = feed(k);
                if (Yf == nullptr) return false;
                Con_Y_Mat(Ya, Yf, Ya, 2, p, k + 1);
            }
            std::copy(Ya, Ya + p * p, Y);
            return true;
        }
    }
    return false;
}

}  // namespace mirtex::drivers
