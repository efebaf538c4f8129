"""Replays the inputs that the fuzzer once found troublesome."""

from pathlib import Path

import pytest

from test_sweeps import HOST_ERRORS

FINDINGS = sorted((Path(__file__).resolve().parent.parent / "data" / "fuzz").glob("*.mqo"))


@pytest.mark.parametrize("path", FINDINGS, ids=[p.name for p in FINDINGS])
def test_a_finding_converts_without_crashing(path, mivka, host, capfdbinary, progress):
    try:
        mivka.readmqo(str(path))
    except HOST_ERRORS:
        pass
    assert capfdbinary.readouterr().out.startswith(b"Beginning Conversion.")
