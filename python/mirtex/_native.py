"""ctypes over libmirtex_sim.so (include/mirtex/sim_api.h).

The model library and its host are process-wide, so every call holds one
lock.  Calls that may solve run in a worker thread: the main thread keeps
waiting in Python, where Ctrl-C raises KeyboardInterrupt; the library is then
asked to stop, the worker ends without writing a half-solved result, and the
KeyboardInterrupt goes on to the caller.
"""
import ctypes
import os
import threading

OK, ERROR, INTERRUPTED = 0, 1, 2


class Error(Exception):
    """A failure reported by mirtex: `file` and `line` place it in the
    netlist ("" and 0 when it has no place), `message` is the library's
    text, str(error) is "file:line: message"."""

    def __init__(self, text, message=None, file="", line=0):
        super().__init__(text)
        self.message = text if message is None else message
        self.file = file
        self.line = line


class LineResult(ctypes.Structure):
    _fields_ = [(k, ctypes.c_double) for k in ("W", "ZL", "eps_eff", "C", "L")]


class LinePoint(ctypes.Structure):
    _fields_ = [(k, ctypes.c_double) for k in ("f", "R", "G", "loss_db_per_mm")]


class Synthesis(ctypes.Structure):
    _fields_ = [(k, ctypes.c_double) for k in ("value", "below", "above", "z_below", "z_above", "grid", "z_grid")]


_settings = {"lib_dir": None, "table_path": None}
_lib = None
_lock = threading.RLock()


def configure(lib_dir=None, table_path=None):
    """Where the built libraries are (else $MIRTEX_LIB_DIR, else ../build
    beside this package) and the table directory of the calculation files
    (else $MIRTEX_TABLE_PATH, TMP, TEMP or the working directory).  Both are
    fixed for the process once the library is loaded."""
    with _lock:
        if _lib is not None:
            raise Error("mirtex is loaded already: configure() comes before the first circuit or line")
        _settings.update(lib_dir=lib_dir, table_path=table_path)


def _lib_dir():
    here = os.path.dirname(os.path.abspath(__file__))
    tried = [_settings["lib_dir"] or os.environ.get("MIRTEX_LIB_DIR") or os.path.join(here, "..", "..", "build")]
    for d in tried:
        if os.path.exists(os.path.join(d, "libmirtex_sim.so")):
            return os.path.abspath(d)
    raise Error("libmirtex_sim.so not found in %s: build with scripts/build or set MIRTEX_LIB_DIR" % tried[0])


def _declare(lib):
    c = ctypes
    dp, vp, cp = c.POINTER(c.c_double), c.c_void_p, c.c_char_p
    sigs = {
        "mirtex_sim_open": (c.c_int, [cp]),
        "mirtex_sim_error_message": (cp, []),
        "mirtex_sim_error_file": (cp, []),
        "mirtex_sim_error_line": (c.c_int, []),
        "mirtex_sim_error": (cp, []),
        "mirtex_sim_interrupt": (None, []),
        "mirtex_sim_parse": (vp, [cp, cp]),
        "mirtex_sim_read": (vp, [cp]),
        "mirtex_sim_free": (None, [vp]),
        "mirtex_sim_ports": (c.c_int, [vp]),
        "mirtex_sim_z_ref": (c.c_int, [vp, dp, c.c_int]),
        "mirtex_sim_sweep": (c.c_int, [vp, dp, c.c_int]),
        "mirtex_sim_warnings": (cp, [vp]),
        "mirtex_sim_run": (c.c_int, [vp, dp, c.c_int, c.c_int, dp]),
        "mirtex_sim_summary": (c.c_int, [vp, c.c_double, cp, c.c_int]),
        "mirtex_sim_definition": (c.c_int, [cp, cp, c.c_int]),
        "mirtex_sim_quantity": (c.c_int, [cp, dp]),
        "mirtex_sim_line": (c.c_int, [c.POINTER(cp), c.c_int, dp, c.c_int, c.POINTER(LineResult),
                                      c.POINTER(LinePoint)]),
        "mirtex_sim_synthesise": (c.c_int, [c.POINTER(cp), c.c_int, cp, c.c_double, c.POINTER(Synthesis)]),
    }
    for name, (res, args) in sigs.items():
        fn = getattr(lib, name)
        fn.restype, fn.argtypes = res, args


def lib():
    """The loaded libmirtex_sim.so, with the model library open."""
    global _lib
    with _lock:
        if _lib is None:
            d = _lib_dir()
            if _settings["table_path"]:
                os.environ["MIRTEX_TABLE_PATH"] = str(_settings["table_path"])
            # Global: the model library binds its host functions to the
            # stand-in host when it is loaded.
            ctypes.CDLL(os.path.join(d, "libmirtex_host.so"), mode=ctypes.RTLD_GLOBAL)
            handle = ctypes.CDLL(os.path.join(d, "libmirtex_sim.so"), mode=ctypes.RTLD_GLOBAL)
            _declare(handle)
            if handle.mirtex_sim_open(os.path.join(d, "libmirtex.so").encode()) != OK:
                raise _error(handle)
            _lib = handle
        return _lib


def _error(handle=None):
    h = handle or _lib
    return Error(h.mirtex_sim_error().decode(errors="replace"), h.mirtex_sim_error_message().decode(errors="replace"),
                 h.mirtex_sim_error_file().decode(errors="replace"), h.mirtex_sim_error_line())


def call(name, *args):
    """A call that does not solve; its failure (0, NULL or ERROR as the call
    defines) is turned into Error by the caller through check()."""
    with _lock:
        return getattr(lib(), name)(*args)


def check(rc):
    if rc == INTERRUPTED:
        raise KeyboardInterrupt
    if rc != OK:
        raise _error()


def solve(name, *args):
    """A call that may solve for minutes: interruptible with Ctrl-C."""
    with _lock:
        fn = getattr(lib(), name)
        out = {}
        # The worker's own flag, not Thread.is_alive(): a KeyboardInterrupt
        # inside Thread.join() can leave is_alive() False while the thread
        # still runs (CPython before 3.13), and the next call would then
        # free the instances the running analysis uses.
        done = threading.Event()

        def work():
            try:
                out["rc"] = fn(*args)
                if out["rc"] == ERROR:
                    out["error"] = _error()
            finally:
                done.set()

        worker = threading.Thread(target=work, name="mirtex-solve", daemon=True)
        worker.start()
        try:
            while not done.wait(0.05):
                pass
        except KeyboardInterrupt:
            # Keep asking until the worker is out: the line synthesis solves
            # one width after another, and the library clears a stop request
            # at the end of each analysis.
            while not done.is_set():
                try:
                    _lib.mirtex_sim_interrupt()
                    done.wait(0.05)
                except KeyboardInterrupt:
                    pass
            raise
        if "error" in out:
            raise out["error"]
        check(out["rc"])
