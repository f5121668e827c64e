"""mirtex from Python: CPW circuits, lines and elements solved by the mirtex
model library, as numpy arrays or scikit-rf networks.

    import mirtex
    c = mirtex.Circuit.from_file("examples/cpw_line.net")
    net = c.run(np.linspace(1e9, 40e9, 401))   # skrf.Network, or .f/.s/.z0
    mirtex.line(W="20um", S="15um").ZL

Values are SI floats or texts with units as netlists write them ("20um",
"40GHz").  Calculation files go to the table directory as with mirtex-sim:
$MIRTEX_TABLE_PATH, or mirtex.configure(table_path=...) before first use.
"""
import ctypes
import re
import types

import numpy as np

from ._native import Error, LinePoint, LineResult, Synthesis, call, check, configure, solve

__all__ = ["Error", "quantity", "Circuit", "Builder", "NetworkData", "line", "synthesise", "element", "configure",
           "EXAMPLE_TECHNOLOGY"]

# The process, technology, substrate, grid and line type of examples/cpw_line.net:
# a 50-ohm CPW in 3 um gold on 200 um GaAs.
EXAMPLE_TECHNOLOGY = """\
C_PROCES:C_PROCES_DEFAULT FOUNDRY="GAAS" GW_DEF=50um count=2
C_TECH:C_TECH_GAAS die_h0=0.2um die_er0=7.5 die_td0=1e-3 cap_os1=1um cap_l1=0.2um die_h1=3um
+ die_er1=1 die_td1=1e-4 cap_os2=1um cap_l2=0.2um die_h2=1.2um die_er2=2.7 die_td2=2e-3
+ res_l=0.05um res_rs=50 t1=3um rho1=1 t2=1um rho2=1.2
C_SUB:GaAs200 H1=-1 H2=200um H3=-1 ER1=1 ER2=12.9 ER3=1 TAND1=0 TAND2=5e-4 TAND3=0
C_GRID:Grid BOUND=1e-5 L1=-1 L2=-1 DL=2.5um ACC=10
C_LINTYP:Cpw50 W=16.25um S=15um GW=50um CEN_MET=1 GND_MET=1
"""

_KINDS = {"S": 0, "Y": 1, "Z": 2}


def _text(v):
    """A value as a netlist writes it: numbers exactly, texts as given."""
    if isinstance(v, str):
        return v
    if isinstance(v, (bool, np.bool_)):
        return str(int(v))
    if isinstance(v, (int, np.integer)):
        return str(int(v))
    return repr(float(v))


def quantity(v):
    """A float from an SI float or a text with units as netlists write it
    ("20um" -> 2e-05, "40GHz" -> 4e10)."""
    if not isinstance(v, str):
        return float(v)
    out = ctypes.c_double()
    check(call("mirtex_sim_quantity", v.encode(), ctypes.byref(out)))
    return out.value


def _doubles(values):
    a = np.atleast_1d(np.asarray(values))
    if a.dtype.kind in "USO":
        a = np.array([quantity(v) for v in a.ravel()])
    a = np.ascontiguousarray(a, dtype=float).reshape(-1)
    return a, a.ctypes.data_as(ctypes.POINTER(ctypes.c_double))


class NetworkData:
    """What run() returns without scikit-rf: frequencies f (Hz), S
    parameters s (points x ports x ports) and the reference resistances z0."""

    def __init__(self, f, s, z0, name=""):
        self.f, self.s, self.z0, self.name = f, s, z0, name

    def __repr__(self):
        return "<%d-port NetworkData %r, %d points>" % (self.s.shape[1], self.name, len(self.f))


class Circuit:
    """A parsed netlist with its instances made and the library's input
    checks passed; parse, instance and check errors raise Error at their
    statement."""

    def __init__(self, text, name="<text>"):
        self._h = call("mirtex_sim_parse", text.encode(), name.encode())
        if not self._h:
            check(1)
        self.name = name

    @classmethod
    def from_file(cls, path):
        c = cls.__new__(cls)
        c._h = call("mirtex_sim_read", str(path).encode())
        if not c._h:
            check(1)
        c.name = str(path)
        return c

    def __del__(self):
        if getattr(self, "_h", None):
            try:
                call("mirtex_sim_free", self._h)
            except Exception:  # the interpreter is shutting down
                pass
            self._h = None

    def _array(self, fn):
        n = call(fn, self._h, None, 0)
        a, p = _doubles(np.zeros(n))
        call(fn, self._h, p, n)
        return a

    @property
    def ports(self):
        return call("mirtex_sim_ports", self._h)

    @property
    def z0(self):
        """The ports' reference resistances, ohms."""
        return self._array("mirtex_sim_z_ref")

    @property
    def sweep(self):
        """The netlist's own frequencies, Hz."""
        return self._array("mirtex_sim_sweep")

    @property
    def warnings(self):
        return call("mirtex_sim_warnings", self._h).decode().splitlines()

    def matrices(self, freqs_hz=None, kind="S"):
        """S, Y (siemens) or Z (ohms) as a complex array (points x ports x ports)."""
        f, fp = _doubles(self.sweep if freqs_hz is None else freqs_hz)
        p = self.ports
        out, op = _doubles(np.zeros(len(f) * p * p * 2))
        solve("mirtex_sim_run", self._h, fp, len(f), _KINDS[kind.upper()], op)
        return out.view(complex).reshape(len(f), p, p)

    def run(self, freqs_hz=None):
        """S parameters at freqs_hz (default: the netlist's sweep): a
        skrf.Network when scikit-rf is installed, else NetworkData."""
        f, _ = _doubles(self.sweep if freqs_hz is None else freqs_hz)
        s = self.matrices(f)
        try:
            import skrf
        except ImportError:
            return NetworkData(f, s, self.z0, self.name)
        return skrf.Network(f=f, s=s, z0=self.z0, f_unit="Hz", name=self.name)

    def summary(self, f_hz=None):
        """What the summary shows after a run: per described element
        ("<Type>:<Name>") the library's solved values as a dict (see
        element()); f_hz defaults to the middle of the sweep."""
        sw = self.sweep
        f = float(sw[len(sw) // 2] if f_hz is None else f_hz)
        n = call("mirtex_sim_summary", self._h, f, None, 0)
        if n < 0:
            check(1)
        buf = ctypes.create_string_buffer(n + 1)
        call("mirtex_sim_summary", self._h, f, buf, n + 1)
        out = {}
        for row in buf.value.decode().splitlines():
            who, text = row.split("\t", 1)
            out[who] = parse_description(text)
        return out


def _definition(type_name):
    """(node count, [(keyword, type)]) of a library definition."""
    n = call("mirtex_sim_definition", type_name.encode(), None, 0)
    if n < 0:
        check(1)
    buf = ctypes.create_string_buffer(n + 1)
    call("mirtex_sim_definition", type_name.encode(), buf, n + 1)
    words = buf.value.decode().split()
    return int(words[0]), [tuple(w.split(":")) for w in words[1:]]


class Builder:
    """A netlist written by Python calls, for the common case:

        b = mirtex.Builder()                       # the example technology
        b.add("CxLIN", "TL1", 1, 2, L="500um")     # C_SUB, C_GRID, C_LTYP.. default
        b.port(1); b.port(2)
        net = b.circuit().run(freqs)

    Items given by add() or item() take their values as SI floats or texts
    with units; data-item references that are not given take the builder's
    substrate, grid and line type."""

    def __init__(self, technology=EXAMPLE_TECHNOLOGY, substrate="GaAs200", grid="Grid", line_type="Cpw50"):
        self.lines = [technology.rstrip("\n")] if technology else []
        self.defaults = {"C_SUB": substrate, "C_GRID": grid, "C_LTYP": line_type}
        self._ports = 0

    def item(self, type_name, name, *nodes, **params):
        _, keys = _definition(type_name)
        types = dict(keys)
        for key, kind in keys:
            ref = "C_LTYP" if re.fullmatch(r"C_LTYP\d*", key) else key
            if kind == "MTRL" and key not in params and ref in self.defaults:
                params[key] = self.defaults[ref]
        words = ["%s:%s" % (type_name, name)] + [str(n) for n in nodes]
        for key, v in params.items():
            text = _text(v)
            words.append('%s="%s"' % (key, text) if types.get(key) == "STRG" else "%s=%s" % (key, text))
        self.lines.append(" ".join(words))
        return self

    add = item

    def port(self, node, z=50.0, num=None):
        self._ports += 1
        self.lines.append("Term:P%d %s 0 Num=%d Z=%s" % (self._ports, node, num or self._ports, _text(z)))
        return self

    def text(self, freqs_hz=(1e9,)):
        f = " ".join(_text(x) for x in np.atleast_1d(freqs_hz))
        return "\n".join(self.lines + ['S_Param:SP1 List="%s"' % f]) + "\n"

    def circuit(self, freqs_hz=(1e9,), name="<builder>"):
        """The Circuit; freqs_hz becomes its own sweep."""
        return Circuit(self.text(freqs_hz), name)


class LineSolution:
    """One cross-section: W (the width the grid snapped to), ZL, eps_eff,
    C and L per metre, and per frequency f the arrays R (ohm/m), G (S/m)
    and loss (dB/mm)."""

    def __init__(self, r, points):
        for k, _ in LineResult._fields_:
            setattr(self, k, getattr(r, k))
        for k, _ in LinePoint._fields_:
            setattr(self, "loss" if k == "loss_db_per_mm" else k, np.array([getattr(p, k) for p in points]))

    def __repr__(self):
        return "<line ZL=%.4f ohm eps_eff=%.4f W=%.4g m>" % (self.ZL, self.eps_eff, self.W)


def _words(values):
    words = [("%s=%s" % (k, _text(v))).encode() for k, v in values.items()]
    return (ctypes.c_char_p * max(1, len(words)))(*words), len(words)


def line(f=(1e9, 10e9), **values):
    """The line calculator of mirtex-sim line: keywords W S GW H1 H2 H3 ER1
    ER2 ER3 TAND1 TAND2 TAND3 t rho DL BOUND L1, unset ones from the example
    line."""
    words, n = _words(values)
    fa, fp = _doubles(f)
    r = LineResult()
    pts = (LinePoint * max(1, len(fa)))()
    solve("mirtex_sim_line", words, n, fp, len(fa), ctypes.byref(r), pts)
    return LineSolution(r, pts[:len(fa)])


def synthesise(Z0=50.0, vary="W", f=(1e9, 10e9), **values):
    """The width (vary="W") or slot ("S") that gives ZL = Z0: .value
    interpolated between the grid values .below and .above (ZL .z_below,
    .z_above), the nearest grid value .grid with its ZL .z_grid, and .line,
    the solution at .grid."""
    words, n = _words(values)
    s = Synthesis()
    solve("mirtex_sim_synthesise", words, n, vary.encode(), float(Z0), ctypes.byref(s))
    result = types.SimpleNamespace(**{k: getattr(s, k) for k, _ in Synthesis._fields_})
    result.line = line(f, **dict(values, **{vary: s.grid}))
    return result


_NUMBER = r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?"
_UNITS = {"ohm": 1.0, "pF": 1e-12, "fF": 1e-15, "nH": 1e-9, "pH": 1e-12, "mS": 1e-3, "pF/mm": 1e-9, "um": 1e-6,
          "GHz": 1e9, "dB/mm": 1.0}


def parse_description(text):
    """The library's description of a solved element as a dict of SI
    values: "ZL = 48.1 ohm, eps_eff = 6.2, loss 0.12 dB/mm at 10 GHz" ->
    {"ZL": 48.1, "eps_eff": 6.2, "loss": 0.12, "f": 1e10}; per-metre values
    of "pF/mm" in F/m, "loss" in dB/mm.  The text itself is under
    "description"."""
    out = {"description": text}
    for group in text.split("; "):
        prefix = ""
        m = re.match(r"(line \d+) alone: (.*)", group)
        if m:
            prefix, group = m.group(1) + " ", "ZL " + m.group(2)
        for part in re.split(r", | \(|\)", group):
            m = re.fullmatch(r"\s*(.*?)\s*=?\s*(%s)\s*(\S*)(?: at (%s) GHz)?(?:\s.*)?" % (_NUMBER, _NUMBER), part)
            if not m or not m.group(1):
                continue
            key = prefix + m.group(1).replace(" of", "")
            out[key] = float(m.group(2)) * _UNITS.get(m.group(3), 1.0)
            if m.group(4):
                out["f"] = float(m.group(4)) * 1e9
    return out


class ElementSolution:
    """One element alone between ports at each of its nodes: its solved
    values as the summary shows them (values, a dict; empty when the
    library describes no values for this kind), and network, its S
    parameters at f (a skrf.Network or NetworkData)."""

    def __init__(self, values, network):
        self.values, self.network = values, network

    def __repr__(self):
        return "<element %s>" % self.values.get("description", "(no described values)")


def element(kind, f=(10e9,), technology=EXAMPLE_TECHNOLOGY, z0=50.0, **params):
    """Solve one element: mirtex.element("CxGAP", GAP="10um", L1="100um",
    L2="100um") on the example technology (or netlist statements given as
    technology), with its nodes as ports of z0 ohms."""
    nodes, _ = _definition(kind)
    b = Builder(technology)
    b.add(kind, "X1", *range(1, nodes + 1), **params)
    for n in range(1, nodes + 1):
        b.port(n, z0)
    c = b.circuit(sorted(np.atleast_1d(f)), name="<element %s>" % kind)
    net = c.run()
    values = c.summary().get("%s:X1" % kind, {})
    return ElementSolution(values, net)
