"""readmqo through the in-memory host: arguments, console bytes, progress
reports and host failures."""

import os
import sys

import pytest

from conftest import CORPUS, HAS_CORPUS, HEAD, TIMEIT, corpus_versions, needs_corpus
FAILED = b"\x8e\xb8\x94\x73\x28\x8a\xbe\n"


def begins(path):
    return b"Beginning Conversion." + os.fsencode(path) + b"\n"


class TestArguments:
    def test_str_bytes_and_bytes_subclasses_name_the_file(self, document, convert, progress):
        path = document(HEAD)

        class Name(bytes):
            pass

        for argument in (path, os.fsencode(path), Name(os.fsencode(path))):
            out = convert(argument)
            assert out.startswith(begins(path))
        assert [r for r in progress if r[1] == "Done"] == [(1.0, "Done")] * 3

    @pytest.mark.parametrize("argument", [None, 3, 2.5, bytearray(b"x.mqo"), ["x.mqo"]])
    def test_other_types_are_refused_before_anything_happens(self, mivka, argument, capfdbinary, progress):
        with pytest.raises(TypeError):
            mivka.readmqo(argument)
        assert capfdbinary.readouterr().out == b""
        assert progress == []

    def test_one_positional_argument_only(self, mivka, document):
        path = document(HEAD)
        with pytest.raises(TypeError):
            mivka.readmqo()
        with pytest.raises(TypeError):
            mivka.readmqo(path, path)
        with pytest.raises(TypeError):
            mivka.readmqo(path=path)

    def test_a_path_with_a_nul_byte_is_refused(self, mivka, document, capfdbinary):
        path = document(HEAD)
        with pytest.raises(ValueError):
            mivka.readmqo(path.encode() + b"\0.txt")
        assert capfdbinary.readouterr().out == b""

    def test_the_module_holds_readmqo_alone(self, mivka):
        public = [name for name in dir(mivka) if not name.startswith("__")]
        assert public == ["readmqo"]
        assert mivka.__doc__ is None and mivka.readmqo.__doc__ is None


class TestUnopenable:
    def test_missing_empty_and_folder_give_one_line_and_nothing_else(self, tmp_path, document, convert, progress):
        empty = document(b"")
        for path in (str(tmp_path / "missing.mqo"), empty, str(tmp_path)):
            assert convert(path) == b"Unable to OpenFile. " + os.fsencode(path) + b"\n"
        assert progress == []

    def test_the_path_is_echoed_as_given(self, tmp_path, convert):
        path = os.fsencode(tmp_path) + b"/\x83\x7d\xff missing.mqo"
        assert convert(path) == b"Unable to OpenFile. " + path + b"\n"


class TestHeader:
    @pytest.mark.parametrize("text", [
        "\ufeff" + HEAD,
        "metasequoia Document\nFormat Text Ver 1.0\nScene {}\n",
        "Metasequoia Document\nFormat Text Ver 1.1\nScene {}\n",
        "Metasequoia Document\n",
        "xyz",
    ])
    def test_failure_reports_error_and_the_shift_jis_line(self, text, document, convert, progress):
        path = document(text.encode("utf-8"))
        assert convert(path) == begins(path) + FAILED
        assert progress == [(0.0, "..."), (1.0, "Error")]

    @pytest.mark.parametrize("version, read, said", [
        ("1.1", True, False), ("1.2", True, False), ("1.10", True, True),
        ("1.1x", False, False), ("1.", False, False), ("2.0", False, False),
    ])
    def test_extended_reading_takes_every_later_1x_and_names_the_unknown_ones(self, version, read, said, host,
                                                                            document, convert, progress):
        host.Registry.SetKey("Mivka", {"Extended": True})
        out = convert(document("Metasequoia Document\nFormat Text Ver %s\nScene {}\n" % version))
        assert progress[-1] == (1.0, "Done" if read else "Error")
        assert (b"Format Text Ver %s is newer than this reader knows" % version.encode() in out) == said

    def test_a_document_that_passes_ends_with_done_and_timeit(self, document, convert, progress):
        path = document("  \r\n" + HEAD)
        out = convert(path)
        assert out.startswith(begins(path))
        assert TIMEIT.fullmatch(out[len(begins(path)):])
        assert progress == [(0.0, "..."), (1.0, "Done")]

    def test_each_document_starts_its_progress_at_zero(self, document, convert, progress):
        first, second = document(HEAD), document("\n" * 50 + HEAD)
        convert(first)
        convert(second)
        assert progress == [(0.0, "..."), (1.0, "Done")] * 2
        assert all(isinstance(f, float) and isinstance(t, str) for f, t in progress)


    def test_a_conversion_started_from_another_s_progress_report_leaves_its_progress_alone(
            self, mivka, document, host, monkeypatch, capfdbinary):
        vertices = "".join("\t\t%d 0 0\n" % i for i in range(3))
        inner = document(HEAD + 'Object "i" {\n\tvertex 3 {\n%s\t}\n\tface 0 {\n\t}\n}\n' % vertices)
        outer = document("\n" * 400 + HEAD + "".join('Object "o%d" {\n\tvertex 3 {\n%s\t}\n\tface 0 {\n\t}\n}\n'
                                                     % (k, vertices) for k in range(3)))
        reports = []

        def draw(fraction, text):
            reports.append(fraction)
            if len(reports) == 2:
                mivka.readmqo(inner)
                reports.append("inner done")

        monkeypatch.setattr(host.Window, "DrawProgressBar", draw)
        mivka.readmqo(outer)
        mark = reports.index("inner done")
        theirs = reports[:2] + reports[mark + 1:]
        assert len(theirs) >= 4 and theirs == sorted(theirs) and theirs[-1] == 1.0, reports


class TestConsoleFlush:
    def test_console_bytes_come_out_before_the_hosts_later_output(self, mivka, document, capfdbinary):
        path = document("Metasequoia Document\nFormat Text Ver 2\n")
        os.write(1, b"before\n")
        mivka.readmqo(path)
        os.write(1, b"after\n")
        assert capfdbinary.readouterr().out == b"before\n" + begins(path) + FAILED + b"after\n"

    def test_the_console_is_flushed_when_the_host_raises(self, mivka, document, capfdbinary, host, monkeypatch):
        def broken(fraction, text):
            raise RuntimeError("no progress bar")

        monkeypatch.setattr(host.Window, "DrawProgressBar", broken)
        path = document(HEAD)
        with pytest.raises(RuntimeError, match="no progress bar"):
            mivka.readmqo(path)
        os.write(1, b"after\n")
        assert capfdbinary.readouterr().out == begins(path) + b"after\n"


class TestHostFailures:
    def test_a_failing_final_report_raises_with_no_timeit_line(self, mivka, document, capfdbinary, host, monkeypatch):
        calls = []

        def fail_at_end(fraction, text):
            calls.append(text)
            if text == "Done":
                raise ValueError("bar is gone")

        monkeypatch.setattr(host.Window, "DrawProgressBar", fail_at_end)
        path = document(HEAD)
        with pytest.raises(ValueError, match="bar is gone"):
            mivka.readmqo(path)
        assert calls == ["...", "Done"]
        assert b"TimeIt" not in capfdbinary.readouterr().out

    def test_a_missing_host_module_raises_import_error(self, mivka, document, monkeypatch, capfdbinary):
        monkeypatch.setitem(sys.modules, "Blender", None)
        with pytest.raises(ImportError):
            mivka.readmqo(document(HEAD))

    def test_a_host_without_window_raises_key_error(self, mivka, document, host, monkeypatch):
        monkeypatch.delattr(host, "Window")
        with pytest.raises(KeyError):
            mivka.readmqo(document(HEAD))

    def test_the_mapping_is_released_after_a_host_error(self, mivka, document, host, monkeypatch):
        path = document(HEAD)
        monkeypatch.setattr(host.Window, "DrawProgressBar", lambda f, t: 1 / 0)
        with pytest.raises(ZeroDivisionError):
            mivka.readmqo(path)
        with open("/proc/self/maps") as maps:
            assert path not in maps.read()


def test_a_file_of_four_gibibytes_and_more_is_read_whole(tmp_path, convert, progress):
    # A sparse file whose length modulo 2^32 would cut the header short.
    path = tmp_path / "huge.mqo"
    with open(path, "wb") as f:
        f.write(HEAD.encode())
        f.truncate(2 ** 32 + 10)
    if os.stat(path).st_blocks * 512 >= 2 ** 32:
        pytest.skip("the file system does not keep sparse files")
    out = convert(str(path))
    assert FAILED not in out
    assert progress == [(0.0, "..."), (1.0, "Done")]


class TestCorpus:
    VERSIONS = corpus_versions() if HAS_CORPUS else {}

    @needs_corpus
    def test_the_corpus_is_there(self):
        assert sorted(set(self.VERSIONS.values())) == ["1.0", "1.1"]
        assert list(self.VERSIONS.values()).count("1.0") == 21

    @pytest.mark.parametrize("name", sorted(VERSIONS))
    def test_version_1_0_passes_the_header_and_later_versions_fail(self, name, convert, progress):
        out = convert(str(CORPUS / name))
        if self.VERSIONS[name] == "1.0":
            assert FAILED not in out
            assert progress[-1] == (1.0, "Done")
        else:
            assert out.endswith(FAILED)
            assert progress == [(0.0, "..."), (1.0, "Error")]
