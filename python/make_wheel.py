#!/usr/bin/env python3
"""Makes the wheel of the quillet package with the shared library beside
it, from the standard library alone (no package index): a wheel is a zip
of the package's files and a .dist-info folder with METADATA, WHEEL and
RECORD (each file's sha256 and size).

Usage: make_wheel.py --version V --library PATH [--library-name NAME]
                     [--platform TAG] --out DIR
       make_wheel.py --print-platform
Prints the wheel's path (or the default platform tag). The files are stored with a fixed date, so the
same inputs make the same bytes.
"""
from __future__ import annotations

import argparse
import base64
import hashlib
import sys
import sysconfig
import zipfile
from pathlib import Path
from typing import List, Tuple

PACKAGE = "quillet"
HERE = Path(__file__).resolve().parent
DATE = (1980, 1, 1, 0, 0, 0)  # the earliest a zip can hold
SUMMARY = "The PMD 85 from Python: snapshots, tapes and the whole machine over libquillet"


def platform_tag() -> str:
    """This system's platform tag ("linux_x86_64", "win_amd64")."""
    return sysconfig.get_platform().replace("-", "_").replace(".", "_")


def metadata(version: str) -> str:
    readme = HERE / "README.md"
    lines = [
        "Metadata-Version: 2.1",
        "Name: " + PACKAGE,
        "Version: " + version,
        "Summary: " + SUMMARY,
        "License: see LICENSE of the quillet project",
        "Requires-Python: >=3.8",
    ]
    if readme.is_file():
        lines.append("Description-Content-Type: text/markdown")
        return "\n".join(lines) + "\n\n" + readme.read_text(encoding="utf-8")
    return "\n".join(lines) + "\n"


def wheel_file(tag: str) -> str:
    return "Wheel-Version: 1.0\nGenerator: quillet make_wheel.py\nRoot-Is-Purelib: false\nTag: %s\n" % tag


def record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return "%s,sha256=%s,%d" % (name, digest, len(data))


def package_files() -> List[Tuple[str, bytes]]:
    folder = HERE / PACKAGE
    chosen = sorted(p for p in folder.iterdir() if p.suffix in (".py", ".typed") and p.is_file())
    return [("%s/%s" % (PACKAGE, p.name), p.read_bytes()) for p in chosen]


def make_wheel(version: str, library: Path, library_name: str, tag: str, out: Path) -> Path:
    """Writes the wheel into `out` and returns its path."""
    dist_info = "%s-%s.dist-info" % (PACKAGE, version)
    files = package_files()
    files.append(("%s/%s" % (PACKAGE, library_name), library.read_bytes()))
    files.append((dist_info + "/METADATA", metadata(version).encode()))
    files.append((dist_info + "/WHEEL", wheel_file("py3-none-" + tag).encode()))
    files.append((dist_info + "/top_level.txt", (PACKAGE + "\n").encode()))
    record_name = dist_info + "/RECORD"
    record = "".join(record_line(name, data) + "\n" for name, data in files) + record_name + ",,\n"
    files.append((record_name, record.encode()))

    out.mkdir(parents=True, exist_ok=True)
    path = out / ("%s-%s-py3-none-%s.whl" % (PACKAGE, version, tag))
    partial = path.with_name(path.name + ".part")
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, data in files:
            entry = zipfile.ZipInfo(name, DATE)
            entry.compress_type = zipfile.ZIP_DEFLATED
            is_library = name.endswith(library_name)
            entry.external_attr = (0o755 if is_library else 0o644) << 16
            wheel.writestr(entry, data)
    partial.replace(path)
    return path


def main(argv: List[str]) -> int:
    parser = argparse.ArgumentParser(description="Makes the wheel of the quillet package.")
    if argv == ["--print-platform"]:
        print(platform_tag())
        return 0
    parser.add_argument("--version", required=True)
    parser.add_argument("--library", required=True, type=Path, help="the shared library to bundle")
    parser.add_argument("--library-name", help="its name in the wheel (default: the file's)")
    parser.add_argument("--platform", default=platform_tag(), help="the platform tag (default: this system's)")
    parser.add_argument("--out", required=True, type=Path, help="the folder to write the wheel into")
    options = parser.parse_args(argv)
    name = options.library_name or options.library.name
    print(make_wheel(options.version, options.library, name, options.platform, options.out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
