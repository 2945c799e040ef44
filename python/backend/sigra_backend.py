"""The module's build backend: setuptools, run on a copy of the source in a
temporary folder, so that `pip install ./python` leaves no build/ or
*.egg-info folder in the checkout. Editable installs are not offered: they
would point into the copy."""

from __future__ import annotations

import os
import re
import shutil
import tempfile
from contextlib import contextmanager
from typing import Any, Callable, Iterator

from setuptools import build_meta as _setuptools

_LEFT_OUT = shutil.ignore_patterns("build", "dist", "*.egg-info", "__pycache__", ".pytest_cache")


def _project_version(source: str) -> str | None:
    """The version of the CMake project the module belongs to, when built from
    the repository; None from a source archive, which holds VERSION."""
    cmake = os.path.join(os.path.dirname(os.path.abspath(source)), "CMakeLists.txt")
    if not os.path.exists(cmake):
        return None
    with open(cmake, encoding="utf-8") as file:
        found = re.search(r"project\(\s*Sigra\s+VERSION\s+([0-9.]+)", file.read())
    if found is None:
        raise RuntimeError(f"no project version in {cmake}")
    return found.group(1)


@contextmanager
def _in_a_copy() -> Iterator[None]:
    source = os.getcwd()
    with tempfile.TemporaryDirectory(prefix="sigra-build-") as folder:
        copy = os.path.join(folder, os.path.basename(source))
        shutil.copytree(source, copy, ignore=_LEFT_OUT)
        version = _project_version(source)
        if version is not None:
            with open(os.path.join(copy, "VERSION"), "w", encoding="utf-8") as file:
                file.write(version + "\n")
        os.chdir(copy)
        try:
            yield
        finally:
            os.chdir(source)


def _on_a_copy(hook: Callable[..., Any]) -> Callable[..., Any]:
    def run(*args: Any, **kwargs: Any) -> Any:
        # Folders the front end names stay where it meant them.
        args = tuple(os.path.abspath(a) if isinstance(a, str) else a for a in args)
        kwargs = {
            name: os.path.abspath(value) if name.endswith("_directory") and value else value
            for name, value in kwargs.items()
        }
        with _in_a_copy():
            return hook(*args, **kwargs)

    run.__name__ = hook.__name__
    return run


get_requires_for_build_wheel = _on_a_copy(_setuptools.get_requires_for_build_wheel)
prepare_metadata_for_build_wheel = _on_a_copy(_setuptools.prepare_metadata_for_build_wheel)
build_wheel = _on_a_copy(_setuptools.build_wheel)
get_requires_for_build_sdist = _on_a_copy(_setuptools.get_requires_for_build_sdist)
build_sdist = _on_a_copy(_setuptools.build_sdist)
