"""The extension is built by the project's own CMake build, linked with the
static library; setuptools only packs what it makes."""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent
# pip builds in the source tree: setuptools' folders, the egg-info and CMake's
# build folder all go here, never beside the sources.
BUILD = pathlib.Path(os.environ.get("DEXMORA_PIP_BUILD_DIR") or ROOT / "build" / "pip").resolve()


def project_version():
    cmake_lists = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"^project\(Dexmora VERSION ([0-9.]+)", cmake_lists, re.M)
    if not found:
        sys.exit(f"{ROOT / 'CMakeLists.txt'} has no project(Dexmora VERSION ...): the package has no version")
    return found.group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        folder = BUILD / "cmake"
        subprocess.run([
            "cmake", "-S", str(ROOT), "-B", str(folder),
            # Stripped, as the Debian package's module is; LDFLAGS stay the caller's.
            "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_MODULE_LINKER_FLAGS_RELEASE=-s",
            "-DDEXMORA_PYTHON=ON",
            "-DDEXMORA_PYTHON_EXECUTABLE=" + sys.executable,
            "-DBUILD_TESTING=OFF", "-DDEXMORA_GUI=OFF", "-DDEXMORA_SERVE=OFF", "-DDEXMORA_VERIFY_DECODE=OFF",
            "-DDEXMORA_EXAMPLES=OFF", "-DDEXMORA_BENCH=OFF", "-DDEXMORA_DOCS=OFF",
        ], check=True)
        # CMAKE_BUILD_PARALLEL_LEVEL, when set, is the caller's choice.
        jobs = [] if os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") else ["-j", str(os.cpu_count() or 1)]
        subprocess.run(["cmake", "--build", str(folder), "--target", "dexmora_python", *jobs], check=True)
        name = os.path.basename(self.get_ext_filename(ext.name))
        built = folder / "python" / "dexmora" / name
        if not built.is_file():
            sys.exit(f"CMake made no {built}: was it configured for another Python than {sys.executable}?")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


BUILD.mkdir(parents=True, exist_ok=True)
setup(
    version=project_version(),
    ext_modules=[Extension("dexmora._dexmora", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": str(BUILD)}, "egg_info": {"egg_base": str(BUILD)}},
)
