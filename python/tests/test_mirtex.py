"""The Python binding end to end against mirtex-sim, its errors, Ctrl-C in a
3-D solve and the examples in examples/python."""
import os
import re
import signal
import subprocess
import sys
import tempfile

import numpy as np
import pytest

import mirtex
from conftest import ROOT, SIMULATOR


EXAMPLES = sorted(f for f in os.listdir(os.path.join(ROOT, "examples")) if f.endswith(".net"))


@pytest.mark.parametrize("example", EXAMPLES)
def test_run_equals_mirtex_sim(example, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)  # a debug file lands in the working directory
    path = os.path.join(ROOT, "examples", example)
    log = subprocess.run([SIMULATOR, "-f", "RI", path, "-o", "out.csv"], check=True, capture_output=True, text=True)
    data = np.loadtxt("out.csv", delimiter=",", skiprows=1, ndmin=2)
    n = int(round(((data.shape[1] - 1) / 2) ** 0.5))
    s = (data[:, 1::2] + 1j * data[:, 2::2]).reshape(-1, n, n)
    c = mirtex.Circuit.from_file(path)
    # Another design, with thinner metal, checked in between.
    thin = mirtex.Builder(mirtex.EXAMPLE_TECHNOLOGY.replace("t1=3um", "t1=1.5um"))
    thin.add("CxLIN", "X", 1, 2, L="1mm").port(1).circuit()
    assert np.allclose(c.sweep, data[:, 0], rtol=1e-14)
    # The file keeps 12 digits: |S| <= 1 differs by under 5e-13.
    assert np.max(np.abs(c.run().s - s)) < 1e-12
    # Y of the same run is S through the ports' reference resistances.
    y, i, r = c.matrices(c.sweep[:3], "Y"), np.eye(n), np.diag(c.z0 ** -0.5)
    assert np.allclose(y, r @ (i - s[:3]) @ np.linalg.inv(i + s[:3]) @ r, rtol=1e-9, atol=1e-12)
    # The summary's solved values, as mirtex-sim prints them.
    solved = {}
    for m in re.finditer(r"^  ((?:\w+:[\w.-]+, )*\w+:[\w.-]+): (.*)$", log.stderr.split("solved:\n")[-1], re.M):
        solved.update((who, m.group(2)) for who in m.group(1).split(", "))
    values = c.summary()
    assert {k: v["description"] for k, v in values.items()} == solved
    if example == "mim_tfr.net":
        assert 0 < values["CxMIM:C1"]["C"] < 1e-11 and values["CxTFR:R1"]["R"] > 1


def test_errors_carry_file_line_and_the_library_message(tmp_path):
    text = open(os.path.join(ROOT, "examples", "cpw_line.net")).read()
    lines = text.splitlines()
    k = next(i for i, l in enumerate(lines) if l.startswith("C_LINTYP:") and "W=16.25um" in l)
    bad = tmp_path / "bad.net"
    # Its INCLUDE of the shared technology file, from where the copy lies.
    text = text.replace('INCLUDE "', 'INCLUDE "' + os.path.join(ROOT, "examples") + "/")
    bad.write_text(text.replace("W=16.25um", "W=-16.25um"))
    with pytest.raises(mirtex.Error) as e:
        mirtex.Circuit.from_file(bad)
    assert (e.value.file, e.value.line) == (str(bad), k + 1)
    # A data item's error at the item, with the elements that use it.
    assert str(e.value).startswith("%s:%d: C_LINTYP:" % (bad, k + 1)) and "W=-1.625e-05 invalid" in e.value.message
    assert "used by CxLIN:" in e.value.message
    with pytest.raises(mirtex.Error) as e:
        mirtex.Circuit("C_SUB:S1 H1=1\nbogus\n", "t.net")
    assert (e.value.file, e.value.line) == ("t.net", 1) and "missing parameter" in e.value.message
    with pytest.raises(mirtex.Error, match="unknown keyword 'Q'"):
        mirtex.line(Q=1)


def test_line_builder_and_element_agree():
    # The example line through the calculator, the builder and element().
    ln = mirtex.line(W="16.25um", f=[1e9, 1e10])
    assert 40 < ln.ZL < 55 and 5.5 < ln.eps_eff < 7 and ln.loss[1] > ln.loss[0] > 0
    syn = mirtex.synthesise(Z0=ln.ZL * 0.95, vary="W")
    assert syn.below < syn.value < syn.above and syn.line.W == syn.grid > 16.25e-6
    el = mirtex.element("CxLIN", f=[1e9, 1e10], L="500um")
    assert el.values["ZL"] == pytest.approx(ln.ZL, abs=0.01) and el.values["f"] == 1e10
    b = mirtex.Builder().add("CxLIN", "A", 1, 2, L=250e-6).add("CxLIN", "B", 2, 3, L="250um").port(1).port(3)
    both = b.circuit([1e9, 1e10]).run().s
    assert np.allclose(both, el.network.s, atol=1e-12)


def test_network_round_trip_through_scikit_rf(tmp_path):
    skrf = pytest.importorskip("skrf")
    net = mirtex.Circuit.from_file(os.path.join(ROOT, "examples", "cpw_line.net")).run()
    assert isinstance(net, skrf.Network)
    net.write_touchstone(str(tmp_path / "rt"))
    back = skrf.Network(str(tmp_path / "rt.s2p"))
    assert np.allclose(back.f, net.f) and np.allclose(back.s, net.s, atol=1e-9)

    # Ports at 50 and 25 ohm written by mirtex-sim --renorm 50: a Touchstone
    # 1.0 file that scikit-rf reads as the circuit renormalised to 50 ohm.
    text = open(os.path.join(ROOT, "examples", "cpw_line.net")).read()
    text = text.replace('INCLUDE "', 'INCLUDE "' + os.path.join(ROOT, "examples") + "/")
    mixed = tmp_path / "mixed.net"
    mixed.write_text(text.replace("Num=2 Z=50", "Num=2 Z=25"))
    subprocess.run([SIMULATOR, "-q", str(mixed), "--renorm", "50", "-o", str(tmp_path / "r.s2p")], check=True)
    read = skrf.Network(str(tmp_path / "r.s2p"))
    c = mirtex.Circuit.from_file(mixed)
    z, i = c.matrices(c.sweep, "Z"), np.eye(2)
    want = (z - 50 * i) @ np.linalg.inv(z + 50 * i)
    assert np.allclose(read.z0, 50) and np.allclose(read.s, want, atol=1e-9)


SLOW = """\
import sys, mirtex
b = mirtex.Builder(mirtex.EXAMPLE_TECHNOLOGY.replace("DL=2.5um", "DL=1um"))
b.add("CxGAP", "G1", 1, 2, L1="100um", L2="100um", GAP="7um", C_LTYP1="Cpw50", C_LTYP2="Cpw50")
c = b.port(1).port(2).circuit([1e10])
print("solving", flush=True)
try:
    c.run()
    print("finished")
except KeyboardInterrupt:
    # The library stops no later analysis: a cached line runs on.
    ok = mirtex.element("CxLIN", L="100um").network.s.shape == (1, 2, 2)
    print("interrupted", ok)
"""


def test_ctrl_c_in_a_3d_solve_raises_keyboard_interrupt(tmp_path):
    env = dict(os.environ, MIRTEX_TABLE_PATH=str(tmp_path), PYTHONPATH=os.path.join(ROOT, "python"))
    p = subprocess.Popen([sys.executable, "-c", SLOW], env=env, stdout=subprocess.PIPE, text=True)
    assert p.stdout.readline() == "solving\n"
    subprocess.run(["sleep", "2"])
    p.send_signal(signal.SIGINT)
    out, _ = p.communicate(timeout=60)
    assert out == "interrupted True\n"
    # Whatever reached the table directory is whole.
    if os.listdir(tmp_path):
        subprocess.run([SIMULATOR, "table", "check", str(tmp_path)], check=True, stdout=subprocess.DEVNULL)


@pytest.mark.parametrize("script", ["stub_optimisation.py", "width_sweep.py"])
def test_examples(script, tmp_path):
    pytest.importorskip("scipy" if script.startswith("stub") else "matplotlib")
    path = os.path.join(ROOT, "examples", "python", script)
    env = dict(os.environ, PYTHONPATH=os.path.join(ROOT, "python"), MPLBACKEND="Agg")
    out = [] if script.startswith("stub") else ["--out", str(tmp_path / "fig.png")]
    r = subprocess.run([sys.executable, path, "--small"] + out, env=env, capture_output=True, text=True, timeout=600)
    assert r.returncode == 0, r.stderr
    if script.startswith("stub"):
        err = float(r.stdout.split("off by ")[1].split("%")[0])
        assert abs(err) < 0.5, r.stdout
    else:
        assert os.path.getsize(tmp_path / "fig.png") > 1000
