"""Tune the open stub on a CPW tee so that the through path notches at a
target frequency: scipy's root finder on the stub length, scipy's bounded
minimiser on |S21| for the notch.  The tee and the stub's open end are
solved once; every other length reuses them from the calculation files.

    PYTHONPATH=python python3 examples/python/stub_optimisation.py --target 30GHz
"""
import argparse

import numpy as np
from scipy.optimize import brentq, minimize_scalar

import mirtex

AIR_BRIDGES = """\
C_AIRTYP:Through TYPE=2 BW=10um BG=5um BS=-1 DIE_IDX=1 L=300um
C_AIRTYP:Branch TYPE=2 BW=10um BG=5um BS=-1 DIE_IDX=1 L=300um
"""


def tee_with_stub(length):
    b = mirtex.Builder(mirtex.EXAMPLE_TECHNOLOGY + AIR_BRIDGES)
    b.add("CxTEE", "T1", 1, 2, 3, C_BTYP1="Through", C_BTYP2="Through", C_BTYP3="Branch")
    b.add("CxOPEN", "E1", 3, L=length, GAP="20um", WG="20um", TYPE=1)
    return b.port(1).port(2).circuit()


def notch(circuit, f_lo, f_hi, points):
    """The stub's first notch in the band: the first minimum of |S21| on a
    coarse grid (a longer stub's next notch, at three quarter waves, may be
    as deep), refined between its neighbours."""
    grid = np.linspace(f_lo, f_hi, points)
    m = np.abs(circuit.matrices(grid)[:, 1, 0])
    dips = [k for k in range(1, points - 1) if m[k] <= m[k - 1] and m[k] <= m[k + 1]]
    k = dips[0] if dips else int(np.argmin(m))
    lo, hi = grid[max(k - 1, 0)], grid[min(k + 1, points - 1)]
    r = minimize_scalar(lambda f: abs(circuit.matrices([f])[0, 1, 0]), bounds=(lo, hi), method="bounded",
                        options={"xatol": 1e-6 * f_hi})
    return r.x


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--target", default="30GHz", help="notch frequency (default 30GHz)")
    ap.add_argument("--small", action="store_true", help="coarse grids, for a quick check")
    args = ap.parse_args()
    target = mirtex.quantity(args.target)
    points = 15 if args.small else 61

    # A quarter wave on the example line is the first guess; the tee's arms
    # lengthen the stub, so the notch comes lower than that.
    quarter = 299792458.0 / (4 * target * np.sqrt(mirtex.line(f=[]).eps_eff))
    band = (0.5 * target, 2.0 * target)
    length = brentq(lambda l: notch(tee_with_stub(l), *band, points) - target, 0.5 * quarter, 1.1 * quarter,
                    xtol=1e-8)
    # Checked on a fine sweep of its own, +-2 % around the target.
    fine = np.linspace(0.98 * target, 1.02 * target, 81 if args.small else 401)
    found = fine[np.argmin(np.abs(tee_with_stub(length).matrices(fine)[:, 1, 0]))]
    print("stub %.2f um (quarter wave %.2f um): notch at %.4f GHz, target %.4f GHz, off by %.3f %%"
          % (length * 1e6, quarter * 1e6, found / 1e9, target / 1e9, 100 * (found - target) / target))


if __name__ == "__main__":
    main()
