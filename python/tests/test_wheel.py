"""The wheel: made by make_wheel.py with a RECORD that holds for every
file, byte for byte the same each time; and, where QUILLET_WHEEL names the
build's wheel (.ci/run), installed by pip without the package index into
a fresh environment, where the README's script runs and prints what the
README shows."""
from __future__ import annotations

import base64
import csv
import hashlib
import importlib.util
import io
import os
import re
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path
from typing import List, Tuple

import pytest

from conftest import PROJECT, firmware

PYTHON_DIR = PROJECT / "python"


def make_wheel_module():
    found = importlib.util.spec_from_file_location("make_wheel", PYTHON_DIR / "make_wheel.py")
    module = importlib.util.module_from_spec(found)  # type: ignore[arg-type]
    found.loader.exec_module(module)  # type: ignore[union-attr]
    return module


def test_the_record_holds_for_every_file(tmp_path: Path) -> None:
    library = tmp_path / "libquillet.so.1.0.0"
    library.write_bytes(b"\x7fELF not really" * 100)
    maker = make_wheel_module()
    wheel = maker.make_wheel("9.8.7", library, "libquillet.so.1", "linux_x86_64", tmp_path / "out")
    assert wheel.name == "quillet-9.8.7-py3-none-linux_x86_64.whl"
    with zipfile.ZipFile(wheel) as archive:
        names = archive.namelist()
        files = {name: archive.read(name) for name in names}
        modes = {info.filename: info.external_attr >> 16 for info in archive.infolist()}
    rows = list(csv.reader(io.StringIO(files["quillet-9.8.7.dist-info/RECORD"].decode())))
    assert sorted(row[0] for row in rows) == sorted(names)
    for name, digest, size in rows:
        if name.endswith("/RECORD"):
            assert (digest, size) == ("", "")
            continue
        expected = base64.urlsafe_b64encode(hashlib.sha256(files[name]).digest()).rstrip(b"=").decode()
        assert (digest, int(size)) == ("sha256=" + expected, len(files[name])), name
    assert files["quillet/libquillet.so.1"] == library.read_bytes()
    assert modes["quillet/libquillet.so.1"] & 0o111
    assert {"quillet/__init__.py", "quillet/machine.py", "quillet/py.typed"} <= set(names)
    assert "Tag: py3-none-linux_x86_64\n" in files["quillet-9.8.7.dist-info/WHEEL"].decode()
    metadata = files["quillet-9.8.7.dist-info/METADATA"].decode()
    assert metadata.startswith("Metadata-Version: 2.1\nName: quillet\nVersion: 9.8.7\n")
    again = maker.make_wheel("9.8.7", library, "libquillet.so.1", "linux_x86_64", tmp_path / "again")
    assert again.read_bytes() == wheel.read_bytes()


def readme_section() -> str:
    text = (PROJECT / "README.md").read_text(encoding="utf-8")
    found = re.search(r"^## From Python\n(.*?)^## ", text, re.S | re.M)
    assert found, "the README has no section \"From Python\""
    return found.group(1)


def fenced_blocks(section: str) -> List[Tuple[str, str]]:
    """The fenced blocks of a README section: (language, text)."""
    blocks, language, lines = [], None, []  # type: ignore[var-annotated]
    for line in section.splitlines(keepends=True):
        if line.startswith("```"):
            if language is None:
                language, lines = line[3:].strip(), []
            else:
                blocks.append((language, "".join(lines)))
                language = None
        elif language is not None:
            lines.append(line)
    return blocks


def test_the_readme_installs_the_build_wheel_with_pip_alone() -> None:
    blocks = fenced_blocks(readme_section())
    assert [language for language, _ in blocks] == ["sh", "python", ""]
    assert blocks[0][1] == "python3 -m venv env && env/bin/pip install --no-index build/quillet-*.whl\n"
    assert len(blocks[1][1].splitlines()) <= 10, "the script is more than ten lines"


def test_the_wheel_installs_in_a_fresh_environment_and_runs_the_readme_script(tmp_path: Path) -> None:
    wheel = os.environ.get("QUILLET_WHEEL")
    if not wheel:
        pytest.skip("QUILLET_WHEEL names no built wheel (.ci/run sets it)")
    _, script, shown = (text for _, text in fenced_blocks(readme_section()))
    shutil.copy(firmware("monit2A.rom"), tmp_path / "monit2A.rom")
    (tmp_path / "script.py").write_text(script, encoding="utf-8")

    subprocess.run([sys.executable, "-m", "venv", str(tmp_path / "env")], check=True)
    python = tmp_path / "env" / ("Scripts" if os.name == "nt" else "bin") / "python"
    pip = [str(python), "-m", "pip", "install", "--no-index", "--disable-pip-version-check", "--quiet", wheel]
    subprocess.run(pip, check=True)
    clean = {key: value for key, value in os.environ.items()
             if key not in ("QUILLET_LIBRARY", "PYTHONPATH", "LD_LIBRARY_PATH")}
    ran = subprocess.run([str(python), "script.py"], cwd=tmp_path, env=clean, capture_output=True, text=True)
    assert ran.returncode == 0, ran.stderr
    assert ran.stdout == shown
    assert (tmp_path / "mem.zvk").read_bytes()[:3] == b"ZVK"
    where = subprocess.run([str(python), "-c", "import quillet._library as l; print(l.library()._name)"],
                           cwd=tmp_path, env=clean, capture_output=True, text=True, check=True)
    bundled = Path(where.stdout.strip())
    assert bundled.parent.name == "quillet" and bundled.name in ("libquillet.so.1", "libquillet.dll")
    assert (tmp_path / "env").resolve() in bundled.resolve().parents
