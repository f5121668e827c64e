import atexit
import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "python"))
# A fresh table directory for this test process, fixed before the library
# loads; the library directory as CTest gives it, else ../../build.
os.environ["MIRTEX_TABLE_PATH"] = tempfile.mkdtemp(prefix="mirtex-py-")
atexit.register(shutil.rmtree, os.environ["MIRTEX_TABLE_PATH"], True)
os.environ.setdefault("MIRTEX_LIB_DIR", os.path.join(ROOT, "build"))
SIMULATOR = os.path.join(os.environ["MIRTEX_LIB_DIR"], "mirtex-sim")
