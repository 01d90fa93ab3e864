"""What the tests share: where the PMD 85 firmware and tapes lie (third-party
files of ../shared, read where they are; the tests that need them skip
without them), and the quillet program of the build."""
from __future__ import annotations

import os
from pathlib import Path
from typing import Callable, Optional, Type

import pytest

PROJECT = Path(__file__).resolve().parents[2]
NO_FIRMWARE = "no ../shared/pmd85-roms: the PMD 85 firmware tests are skipped"
NO_TAPES = "no ../shared/pmd85-tapes: the real tape tests are skipped"


def firmware(name: str) -> Path:
    """The firmware image `name` (QUILLET_FIRMWARE names another folder);
    skips the test when it is not there."""
    folder = Path(os.environ.get("QUILLET_FIRMWARE") or PROJECT.parent / "shared" / "pmd85-roms")
    path = folder / name
    if not path.is_file():
        pytest.skip(NO_FIRMWARE)
    return path


def real_tape(name: str) -> Path:
    """The real tape `name` of ../shared/pmd85-tapes; skips without it."""
    path = PROJECT.parent / "shared" / "pmd85-tapes" / name
    if not path.is_file():
        pytest.skip(NO_TAPES)
    return path


def check_failure(action: Callable[[], object], kind: Type[Exception], message: Optional[str], folder: Path) -> None:
    """That `action` raises `kind` carrying a message: the library's text
    `message` (with {d} for `folder`) where it is given."""
    with pytest.raises(kind) as raised:
        action()
    assert raised.value.code < 0  # type: ignore[attr-defined]
    assert raised.value.message  # type: ignore[attr-defined]
    if message:
        assert raised.value.message == message.format(d=folder)  # type: ignore[attr-defined]
