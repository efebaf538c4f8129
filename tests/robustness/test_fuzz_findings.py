"""Replays the inputs that the fuzzer found troublesome or that reached new
coverage of the reader, with the plain rules and with extended reading."""

from pathlib import Path

import pytest

from hostile_documents import HOST_ERRORS
from scene_invariants import assert_scene_holds_together

FINDINGS = sorted((Path(__file__).resolve().parent.parent / "data" / "fuzz").glob("*.mqo"))


@pytest.mark.parametrize("extended", [False, True], ids=["plain", "extended"])
@pytest.mark.parametrize("path", FINDINGS, ids=[p.name for p in FINDINGS])
def test_a_finding_converts_without_crashing(path, extended, mivka, host, capfdbinary, progress):
    host.Registry.SetKey("Mivka", {"Extended": extended})
    try:
        mivka.readmqo(str(path))
    except HOST_ERRORS:
        pass
    assert capfdbinary.readouterr().out.startswith(b"Beginning Conversion.")
    assert_scene_holds_together(host)
