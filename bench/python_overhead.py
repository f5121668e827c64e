"""The Python binding's overhead: a cached 1,001-point run of the example
line through mirtex.Circuit.run against the same netlist through mirtex-sim
(the whole process, written to a Touchstone file).  Best of --repeat.
Importing scikit-rf, once per process, is not counted: it takes seconds.

    PYTHONPATH=python python3 bench/python_overhead.py [--build build]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "python"))


def best(fn, repeat):
    times = []
    for _ in range(repeat):
        t0 = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t0)
    return min(times)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--repeat", type=int, default=7)
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="mirtex-bench-")
    os.environ.setdefault("MIRTEX_TABLE_PATH", work)
    os.environ["MIRTEX_LIB_DIR"] = args.build
    import mirtex

    f = np.linspace(1e9, 40e9, 1001)
    b = mirtex.Builder().add("CxLIN", "TL1", 1, 2, L="500um").port(1).port(2)
    net = os.path.join(work, "line1001.net")
    with open(net, "w") as out:
        out.write(b.text(f))
    sim = [os.path.join(args.build, "mirtex-sim"), "-q", net, "-o", os.path.join(work, "out.s2p")]
    subprocess.run(sim, check=True)  # solves once; every timed run reads the cache
    t_sim = best(lambda: subprocess.run(sim, check=True), args.repeat)

    c = mirtex.Circuit.from_file(net)
    c.run(f)
    t_run = best(lambda: c.run(f), args.repeat)
    t_matrices = best(lambda: c.matrices(f), args.repeat)
    script = "import mirtex, numpy as np; mirtex.Circuit.from_file(%r).matrices(np.linspace(1e9, 40e9, 1001))" % net
    t_proc = best(lambda: subprocess.run([sys.executable, "-c", script], check=True,
                                         env=dict(os.environ, PYTHONPATH=os.path.join(ROOT, "python"))), args.repeat)
    print("mirtex-sim, whole process:               %7.1f ms" % (t_sim * 1e3))
    print("Circuit.run (skrf.Network if installed):  %7.1f ms  (%.2f x)" % (t_run * 1e3, t_run / t_sim))
    print("Circuit.matrices (numpy array):          %7.1f ms  (%.2f x)" % (t_matrices * 1e3, t_matrices / t_sim))
    print("python3 process, numpy array (no skrf):  %7.1f ms  (%.2f x)" % (t_proc * 1e3, t_proc / t_sim))


if __name__ == "__main__":
    main()
