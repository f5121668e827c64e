"""Impedance, effective permittivity and loss of the example CPW over its
centre-strip width, each width solved by the library's line calculator,
plotted with matplotlib.

    PYTHONPATH=python python3 examples/python/width_sweep.py --out width.png
"""
import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import mirtex  # noqa: E402


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--out", default="width_sweep.png")
    ap.add_argument("--small", action="store_true", help="four widths, for a quick check")
    args = ap.parse_args()
    widths = np.linspace(10e-6, 40e-6, 4 if args.small else 13)
    lines = [mirtex.line(W=w, S="15um", f=[10e9]) for w in widths]

    fig, (top, bottom) = plt.subplots(2, 1, sharex=True, figsize=(6, 6))
    top.plot(widths * 1e6, [l.ZL for l in lines], "o-", label="ZL")
    top.set_ylabel("ZL / ohm")
    eps = top.twinx()
    eps.plot(widths * 1e6, [l.eps_eff for l in lines], "s--", color="tab:orange", label="eps_eff")
    eps.set_ylabel("eps_eff")
    bottom.plot(widths * 1e6, [l.loss[0] for l in lines], "o-")
    bottom.set_ylabel("loss at 10 GHz / (dB/mm)")
    bottom.set_xlabel("W / um (S = 15 um, 200 um GaAs)")
    top.set_title("CPW over its centre width")
    fig.tight_layout()
    fig.savefig(args.out, dpi=100)
    for w, l in zip(widths, lines):
        print("W %6.2f um  ZL %7.3f ohm  eps_eff %.4f  loss %.4f dB/mm" % (w * 1e6, l.ZL, l.eps_eff, l.loss[0]))


if __name__ == "__main__":
    main()
