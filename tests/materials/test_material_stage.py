"""The Material chunk read into host materials, observed through the host."""

import pytest

from conftest import HEAD, MATERIAL_TIME, TIMEIT

SETTERS = ("setRGBCol", "setAlpha", "setRef", "setAmb", "setEmit", "setSpec", "setHardness", "setSpecShader")


@pytest.fixture
def materials(document, convert, host, host_calls):
    """Converts a Material chunk body; returns (console bytes, setter calls)."""
    host_calls.watch(host.Material.Material, *SETTERS)

    def run(chunk):
        out = convert(document(HEAD + chunk))
        return out, list(host_calls)

    return run


def created(host):
    return [m.name for m in host.Material.Get()]


class TestChunk:
    def test_the_count_plays_no_part(self, materials, host):
        out, _ = materials('Material 2 {\n\t"a"\n\t"b"\n\t"c"\n}\n')
        assert created(host) == [b"a", b"b", b"c"]
        assert out.count(b"Creating Material -") == 3

    def test_console_lines_are_exact(self, materials):
        out, _ = materials('Material 1 {\r\n\t"mat1" col(1 1 1 1)\r\n}\r\n')
        lines = out.split(b"\n", 1)[1]
        assert lines.startswith(b"Creating Material -mat1\n")
        rest = lines[len(b"Creating Material -mat1\n"):]
        timing = MATERIAL_TIME.match(rest)
        assert timing and TIMEIT.fullmatch(rest[timing.end():])

    def test_names_lose_outer_blanks_keep_inner_text_and_bytes(self, materials, host):
        out, _ = materials('Material 4 {\n"  two words  "\n""\n"line\r\nbreak"\n"\x83\x7d\x83\x65"\n}\n')
        assert created(host) == [b"two words", b"", b"line\r\nbreak", b"\x83\x7d\x83\x65"]
        assert b"Creating Material -\x83\x7d\x83\x65\n" in out

    def test_an_empty_chunk_with_a_blank_is_no_error(self, materials, host):
        out, _ = materials("Material 0 {\n}\n")
        assert created(host) == [] and MATERIAL_TIME.search(out) and b"Parse Error" not in out

    def test_nothing_after_the_brace_is_a_parse_error_and_stops_the_conversion(self, document, convert, host,
                                                                                host_calls, progress):
        host_calls.watch(host.Registry, "GetKey")
        out = convert(document(HEAD + "Material 0 {}\nObject \"o\" {\n}\n"))
        assert b"Parse Error in Material Parser\n" in out
        assert b"Material Convert Time" not in out and TIMEIT.search(out)
        assert host_calls == [] and progress[-1] == (1.0, "Done")

    def test_a_document_without_material_chunk_converts_nothing(self, document, convert, host, host_calls):
        host_calls.watch(host.Registry, "GetKey")
        out = convert(document(HEAD + "Shape {\n}\n"))
        # The registry is asked only whether extended reading would skip the
        # chunk; no scale is read, as no object follows.
        assert b"Creating" not in out and b"Parse Error" not in out and host_calls == [("GetKey", ("Mivka", 1))]


class TestAttributes:
    def test_each_value_reaches_its_setter(self, materials):
        _, calls = materials('Material 1 {\n"m" shader(3) col(1 0.5 0.25 0.75) dif(0.8) amb(0.6) emi(0.25) '
                             'spc(0.8) power(100)\n}\n')
        assert calls == [
            ("setSpecShader", (b"m", 1)), ("setRGBCol", (b"m", (1.0, 0.5, 0.25))), ("setAlpha", (b"m", 0.75)),
            ("setRef", (b"m", 0.8)), ("setAmb", (b"m", 0.6)), ("setEmit", (b"m", 0.25)),
            ("setSpec", (b"m", 1.6)), ("setHardness", (b"m", 511)),
        ]

    @pytest.mark.parametrize("text, expected", [
        ("shader(0) shader(1) shader(2)", []),
        ("shader(4)", [("setSpecShader", (b"m", 2))]),
        ("power(12.5)", [("setHardness", (b"m", 63))]),
        ("power(64)", [("setHardness", (b"m", 327))]),
        ("power(-3)", [("setHardness", (b"m", 0))]),
        ("power(1e300)", [("setHardness", (b"m", 4294967295))]),
        ("dif(1e-1) dif(.5) dif(1.)", [("setRef", (b"m", 0.1)), ("setRef", (b"m", 0.5)), ("setRef", (b"m", 1.0))]),
        ("vcol(1) proj_pos(0 0 0) proj_scale(1 1 1)", []),
        ("col(1 0.5 0.25 1)dif(0.8)", [("setRGBCol", (b"m", (1.0, 0.5, 0.25))), ("setAlpha", (b"m", 1.0)),
                                       ("setRef", (b"m", 0.8))]),
        ("col (1 1 1 1) col( 0 0 0 0 )", [("setRGBCol", (b"m", (1.0, 1.0, 1.0))), ("setAlpha", (b"m", 1.0)),
                                          ("setRGBCol", (b"m", (0.0, 0.0, 0.0))), ("setAlpha", (b"m", 0.0))]),
        ("col(1 1 1)", [("setRGBCol", (b"m", (1.0, 1.0, 1.0)))]),
        ("col(1 1) dif(0.5)", [("setRef", (b"m", 0.5))]),
    ])
    def test_values_and_conversions(self, materials, text, expected):
        _, calls = materials('Material 1 {\n"m" %s\n}\n' % text)
        assert calls == expected

    @pytest.mark.parametrize("extended", [False, True])
    def test_newer_attributes_reach_the_host_where_extended_reading_is_on(self, extended, document, convert, host):
        host.Registry.SetKey("Mivka", {"Extended": extended})
        newer = "dbls(0) reflect(0.25) refract(1.5) amb_col(0.1 0.1 0.1) emi_col(0.2 0.2 0.2) spc_col(0.5 0.25 1) uid(3) "
        out = convert(document(HEAD + 'Material 2 {\n"m" vcol(1) %sdif(0.5)\n"n" vcol(1)\n}\n'
                               % (newer if extended else "")))
        assert TIMEIT.search(out)
        m, n = host.Material.Get()
        modes = host.Material.Modes
        if extended:
            assert m.mode == (modes.TRACEABLE | modes.SHADOW | modes.VCOL_PAINT) and n.mode & modes.VCOL_PAINT
            assert (m.rayMirr, m.IOR, m.specCol, m.ref) == (0.25, 1.5, [0.5, 0.25, 1.0], 0.5)
        else:
            assert m.mode == n.mode == modes.TRACEABLE | modes.SHADOW | modes.TWOSIDE

    def test_the_event_fires_before_the_closing_parenthesis_is_looked_for(self, materials, host):
        out, calls = materials('Material 2 {\n"m" dif(0.5 0.6)\n"n"\n}\n')
        assert calls == [("setRef", (b"m", 0.5))]
        assert created(host) == [b"m"] and MATERIAL_TIME.search(out)

    @pytest.mark.parametrize("bad", ["shader(-1)", "Dif(0.8)", "glossy(1)", "dif 0.8", "shader(4294967296)"])
    def test_an_unreadable_attribute_ends_the_chunk_there(self, materials, host, bad):
        out, calls = materials('Material 3 {\n"a" dif(0.1)\n"b" dif(0.2) %s\n"c" dif(0.3)\n}\n' % bad)
        assert created(host) == [b"a", b"b"]
        assert calls == [("setRef", (b"a", 0.1)), ("setRef", (b"b", 0.2))]
        assert MATERIAL_TIME.search(out)

    def test_an_empty_vector_echoes_twenty_bytes_and_fires_nothing(self, materials, host):
        out, calls = materials('Material 1 {\n"m" col(abc) dif(0.5)\n}\n')
        assert calls == []
        assert b"Creating Material -m\nabc) dif(0.5)\n}\nMaterial Convert Time" in out

    def test_alpha_and_aplane_are_one_attribute(self, document, convert, host, tmp_path):
        (tmp_path / "mask.png").write_bytes(b"\x89PNG\r\n\x1a\n" + bytes(16))
        convert(document(HEAD + 'Material 2 {\n"a" alpha("mask.png")\n"b" aplane("mask.png")\n}\n'))
        a, b = host.Material.Get()
        assert a.getTextures()[2].mapto == b.getTextures()[2].mapto == host.Texture.MapTo.ALPHA
        assert [t.imageFlags for t in host.Texture.Get()] == [["UseAlpha"], ["UseAlpha"]]


class TestRegistry:
    def test_no_record_reads_as_scale_one(self, document, convert, host, host_calls):
        host_calls.watch(host.Registry, "GetKey")
        out = convert(document(HEAD + 'Material 1 {\n"m"\n}\n'))
        assert host_calls == [("GetKey", ("Mivka", 1))]
        assert TIMEIT.search(out)

    def test_a_stored_scale_is_read_once_for_projections_and_objects(self, document, convert, host, host_calls):
        host.Registry.SetKey("Mivka", {"Scale": 2, "Extended": True})
        host_calls.watch(host.Registry, "GetKey")
        convert(document(HEAD + 'Material 1 {\n"m" proj_type(1) proj_pos(1 2 3)\n}\n'
                         'Object "o" {\n translation 1 2 3\n vertex 1 {\n 1 2 3\n }\n}\n'))
        # Once whether to read on where the plain rules stop, once for the scale.
        assert host_calls == [("GetKey", ("Mivka", 1))] * 2

    @pytest.mark.parametrize("record, error", [({"Scale": "big"}, TypeError), (["not", "a", "dict"], ValueError)])
    def test_an_unusable_record_raises(self, document, mivka, host, monkeypatch, record, error):
        monkeypatch.setattr(host.Registry, "GetKey", lambda name, cached=False: record)
        with pytest.raises(error):
            mivka.readmqo(document(HEAD + 'Material 1 {\n"m"\n}\n'))


class TestHostFailures:
    def test_a_failing_setter_raises_and_keeps_what_was_made(self, document, mivka, host, monkeypatch, capfdbinary):
        def refuse(self, value):
            raise ValueError("no hardness today")

        monkeypatch.setattr(host.Material.Material, "setHardness", refuse)
        with pytest.raises(ValueError, match="no hardness today"):
            mivka.readmqo(document(HEAD + 'Material 2 {\n"a" dif(0.5)\n"b" power(5)\n"c"\n}\n'))
        assert created(host) == [b"a", b"b"]
        out = capfdbinary.readouterr().out
        assert out.endswith(b"Creating Material -b\n") and b"TimeIt" not in out


def test_every_real_document_converts_its_materials(corpus_documents, convert, host):
    for path, expected in corpus_documents:
        host.reset()
        out = convert(str(path))
        assert out.count(b"Creating Material -") == expected, path.name
        assert len(host.Material.Get()) == expected
        assert b"Parse Error" not in out
