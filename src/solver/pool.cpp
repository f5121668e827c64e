#include "solver/pool.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "binding/messages.h"
#include "solver/solver.h"

namespace mirtex::solver {
namespace {

thread_local bool t_side_by_side = false;

// The cores this process may use that nothing else is running on now: the
// cores of its affinity mask less the other runnable threads of the machine
// (the kernel's instant count in /proc/loadavg, in which the calling thread
// is one), at least 1.  The instant count, not the load average: a busy
// core should be left alone while it is busy, and a minute's average would
// also count this process's own earlier runs side by side.
int free_cores() {
    cpu_set_t set;
    const int cores = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set)
                                                                  : static_cast<int>(std::thread::hardware_concurrency());
    if (cores <= 1) return 1;
    int others = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        double a = 0, b = 0, c = 0;
        int running = 0, total = 0;
        if (std::fscanf(f, "%lf %lf %lf %d/%d", &a, &b, &c, &running, &total) == 5 && running > 1)
            others = running - 1;
        std::fclose(f);
    }
    return std::max(1, cores - others);
}

int guarded(const std::function<int()>& task) {
    try {
        return task();
    } catch (...) {
        return kOutOfMemory;
    }
}

}  // namespace

int pool_threads() {
    if (const char* text = std::getenv("MIRTEX_THREADS"); text != nullptr && *text != '\0') {
        errno = 0;
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (errno == 0 && *end == '\0' && n > 0) return n > 256 ? 256 : static_cast<int>(n);
    }
    return free_cores();
}

bool side_by_side() {
    return t_side_by_side;
}

int run_side_by_side(std::span<const std::function<int()>> tasks) {
    const int threads = std::min<int>(pool_threads(), static_cast<int>(tasks.size()));
    if (threads <= 1 || t_side_by_side) {
        for (const auto& task : tasks)
            if (const int rc = guarded(task); rc != 0) return rc;
        return 0;
    }
    std::vector<int> status(tasks.size(), 0);
    // Each task's errors are held and told afterwards as the runs one after
    // the other would tell them: those of the tasks up to the first that
    // failed, in task order (runs failing alike would otherwise each say so).
    std::vector<std::vector<std::string>> errors(tasks.size());
    std::atomic<std::size_t> next{0};
    // Each thread takes the next task not yet taken; the caller is one of
    // them.  All name the caller's solve in their messages, at its interval.
    const std::string label(run_label(), static_cast<std::size_t>(run_label_length()));
    const int interval = print_iteration;
    auto work = [&] {
        const ThreadLabel named(label);
        print_iteration = interval;
        t_side_by_side = true;
        for (std::size_t k; (k = next.fetch_add(1)) < tasks.size();) {
            const HeldErrors held;
            status[k] = guarded(tasks[k]);
            errors[k] = held.held();
        }
        t_side_by_side = false;
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (...) {
            break;  // no more threads to be had: the ones there are share the tasks
        }
    }
    work();
    for (std::thread& h : helpers) h.join();
    for (std::size_t k = 0; k < tasks.size(); ++k) {
        for (const std::string& e : errors[k]) send_error("%s", e.c_str());
        if (status[k] != 0) return status[k];
    }
    return 0;
}

}  // namespace mirtex::solver
