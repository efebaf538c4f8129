// The chunk readers through the recording sink: what each hands over, in
// which order, and where each leaves the scanner. No interpreter runs here.
#include "assembly/document_reader.hpp"
#include "assembly/face_chunk.hpp"
#include "document/recording_sink.hpp"
#include "document/progress_parser.hpp"
#include "materials/material_parser.hpp"
#include "materials/material_stage.hpp"
#include "objects/object_parser.hpp"
#include "objects/vertex_section.hpp"
#include "../document/text_scanner.hpp"

#include <boost/variant/get.hpp>
#include <gtest/gtest.h>

#include <cstring>

namespace {

using MQO::RecordingSink;

std::string const head = "Metasequoia Document\nFormat Text Ver 1.0\nScene {\n}\n";

struct Read
{
    explicit Read(std::string text, bool extended = false)
        : t(std::move(text)), on(extended), asked(0),
          extended_switch([this] {
              ++asked;
              return on;
          })
    {
        matched = MQO::read_document(MQO::Reading{t.scan, sink, extended_switch});
    }

    CapturedConsole console;
    TextScanner t;
    RecordingSink sink;
    bool on;
    int asked;
    MQO::ExtendedSwitch extended_switch;
    bool matched = false;
};

std::string object(std::string const& name, std::string const& attributes, std::string const& face = "face")
{
    return "Object \"" + name + "\" {\n" + attributes + "\tvertex 3 {\n\t\t1 2 3\n\t\t4 5 6\n\t\t7 8\n\t}\n\t" + face +
           " 1 {\n\t\t3 V(0 1 2)\n\t}\n}\n";
}

}  // namespace

TEST(MaterialReader, NamesAndAttributesInDocumentOrderWithTheirTags)
{
    Read r(head + "Material 2 {\n\t\"a\" col(1 0.5 0 1) dif(0.8) tex(\"t.png\") aplane(\"m.png\") shader(3)\n"
                  "\t\"b\" proj_angle(1 2)\n}\n");
    ASSERT_TRUE(r.matched);
    ASSERT_EQ(r.sink.materials.size(), 2u);
    auto const& a = r.sink.materials[0].attributes;
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[0].first, MQO::col_tag);
    EXPECT_EQ(boost::get<MQO::real_quadruple>(a[0].second).count, 4u);
    EXPECT_EQ(a[1].first, MQO::dif_tag);
    EXPECT_EQ(a[2].first, MQO::tex_tag);
    EXPECT_EQ(boost::get<std::string>(a[2].second), "t.png");
    EXPECT_EQ(a[3].first, MQO::alpha_tag);
    EXPECT_EQ(a[4].first, MQO::shader_tag);
    EXPECT_EQ(boost::get<MQO::real_triple>(r.sink.materials[1].attributes[0].second).count, 2u);
    EXPECT_TRUE(r.sink.objects_begun);
}

TEST(MaterialReader, AnAttributeWithoutItsParenthesisIsHandedOverThenReadingStopsInFrontOfIt)
{
    TextScanner t("Material 1 {\n\t\"a\" dif(0.5 spc(1)\n}\n");
    RecordingSink sink;
    CapturedConsole console;
    auto plain = MQO::ExtendedSwitch::fixed(false);
    EXPECT_TRUE(MQO::convert_materials(MQO::MaterialParser(), MQO::Reading{t.scan, sink, plain}));
    ASSERT_EQ(sink.materials[0].attributes.size(), 1u);
    EXPECT_EQ(t.rest(), "dif(0.5 spc(1)\n}\n");
}

TEST(ObjectReader, VerticesAttributesAndPlacements)
{
    Read r(head + object("a", "\tdepth 0\n\tscale 0 1 1\n") + object("b", "\tdepth 1\n\tdepth 2\n\tscale 2 2 2\n") +
           object("c", "\tdepth 1\n\tscale 1e-7\n") + object("d", "\tdepth 1\n", "faces") + object("e", ""));
    ASSERT_TRUE(r.matched);
    ASSERT_EQ(r.sink.objects.size(), 4u);  // "d" ends the stage at its face line
    auto const& b = r.sink.objects[1];
    EXPECT_EQ(b.attributes.size(), 3u);
    EXPECT_EQ(b.vertices[2], (std::array<float, 3>{7, 8, 0}));  // a coordinate not given is 0
    EXPECT_TRUE(b.complete);
    EXPECT_FALSE(r.sink.objects[3].complete);
    ASSERT_EQ(r.sink.placements.size(), 3u);  // one entry per object, none for the one cut off
    EXPECT_EQ(r.sink.placements[0].parent, -1);
    EXPECT_TRUE(r.sink.placements[0].degenerate_scale);
    EXPECT_EQ(r.sink.placements[1].parent, 0);
    EXPECT_FALSE(r.sink.placements[1].degenerate_scale);
    EXPECT_EQ(r.sink.placements[2].object, 2u);
    EXPECT_EQ(r.sink.placements[2].parent, 0);  // depth 1 after depth 2: the depth-0 object
    EXPECT_TRUE(r.sink.placements[2].degenerate_scale);
}

TEST(VertexReader, BinaryVerticesAndTheirSubChunks)
{
    float const values[6] = {1.5f, -2, 3, 4, 5, 6};
    std::string data(reinterpret_cast<char const*>(values), sizeof values);
    data[4] = ' ';  // bytes that look like whitespace are data
    float second;
    std::memcpy(&second, data.data() + 4, 4);
    TextScanner t("BVertex 2 {\n\tVector 2 [24]\n" + data + "\n\tweit {\n\t}\n\tcolor {\n\t}\n}\nface");
    RecordingSink sink;
    sink.objects.emplace_back();
    auto plain = MQO::ExtendedSwitch::fixed(false);
    MQO::parse_vertex_section(MQO::Reading{t.scan, sink, plain});
    ASSERT_EQ(sink.objects[0].vertices.size(), 2u);
    EXPECT_EQ(sink.objects[0].vertices[0], (std::array<float, 3>{1.5f, second, 3}));
    EXPECT_EQ(t.rest(), "\nface");
    EXPECT_EQ(sink.progress_reports, std::vector<double>{0.0});
}

TEST(VertexReader, AVertexChunkThatDoesNotCloseLeavesTheScannerAtItsStart)
{
    TextScanner t("vertex 2 {\n\t1 2 3\n}\nface");
    RecordingSink sink;
    sink.objects.emplace_back();
    auto plain = MQO::ExtendedSwitch::fixed(false);
    MQO::parse_vertex_section(MQO::Reading{t.scan, sink, plain});
    EXPECT_EQ(sink.objects[0].vertices.size(), 1u);  // handed over as read
    EXPECT_EQ(t.rest(), "vertex 2 {\n\t1 2 3\n}\nface");
}

TEST(FaceReader, FacesEdgesAndTheLinesThatGiveNothing)
{
    TextScanner t("face 6 {\n\t3 V(0 1 2) M(1) UV(0 0 1 0 1 1)\n\t2 V(3 4)\n\t1 V(5)\n\t4 V(0 1 2)\n"
                  "\t4 V(0 1 2 3) COL(1 2 3 4) UV(0 0)\n\t3 V(2 1 0)\n}\n");
    RecordingSink sink;
    sink.objects.emplace_back();
    auto plain = MQO::ExtendedSwitch::fixed(false);
    EXPECT_TRUE(MQO::parse_face_chunk(MQO::Reading{t.scan, sink, plain}));
    auto const& o = sink.objects[0];
    ASSERT_EQ(o.faces.size(), 2u);  // the part out of order ends the chunk after its face
    EXPECT_EQ(o.faces[0].line.material_number, 1);
    EXPECT_TRUE(o.faces[0].line.uv_for(3));
    EXPECT_TRUE(o.faces[1].line.colours_for(4));
    EXPECT_FALSE(o.faces[1].line.has_uv);
    EXPECT_EQ(o.edges, (std::vector<std::pair<std::uint32_t, std::uint32_t> >{{3, 4}}));
    EXPECT_TRUE(o.some_uv && o.some_colours);
    EXPECT_EQ(t.rest().rfind("UV(0 0)", 0), 0u);
}

TEST(FaceReader, AnUnclosedMaterialIsAbsentAndAnUnreadableNumberIsEchoedFromItsStart)
{
    struct Case
    {
        const char* line;
        std::int32_t material;  // of the face read, -1 for none
        std::size_t faces;
        const char* console;
    };
    Case const cases[] = {
        {"3 V(0 1 2) M(1 UV(0 0 1 0 1 1)\n", -1, 1, ""},
        {"3 V(0 1 2) M(1) UV(0 0 1 0 1 1)\n", 1, 1, ""},
        {"3 V(4294967296 1 2)\n", -1, 0, "4294967296 1 2)\n}\n"},
        {"3 V(0 1 2) COL(4294967296 1 2)\n", -1, 1, "4294967296 1 2)\n}\n"},
    };
    for (bool const extended : {false, true}) {
        for (Case const& c : cases) {
            CapturedConsole console;
            TextScanner t(std::string("face 1 {\n\t") + c.line + "}\n");
            RecordingSink sink;
            sink.objects.emplace_back();
            auto mode = MQO::ExtendedSwitch::fixed(extended);
            MQO::parse_face_chunk(MQO::Reading{t.scan, sink, mode});
            auto const& o = sink.objects[0];
            ASSERT_EQ(o.faces.size(), c.faces) << c.line << extended;
            if (c.faces != 0) {
                EXPECT_EQ(o.faces[0].line.material_number, c.material) << c.line << extended;
            }
            EXPECT_EQ(console.str(), c.console) << c.line << extended;
        }
    }
}

TEST(DocumentReader, AHeaderThatDoesNotMatchReadsNothingElse)
{
    Read r("Metasequoia Document\nFormat Text Ver 1.1\nScene {\n}\n" + object("a", ""));
    EXPECT_FALSE(r.matched);
    EXPECT_TRUE(r.sink.objects.empty() && !r.sink.objects_begun);
    EXPECT_EQ(r.sink.progress_reports, std::vector<double>{0.0});
}

TEST(DocumentReader, AMaterialChunkThatDoesNotMatchEndsTheReadingBeforeObjects)
{
    Read r(head + "Material 1 [\n]\n" + object("a", ""));
    EXPECT_TRUE(r.matched);
    EXPECT_FALSE(r.sink.objects_begun);
    EXPECT_TRUE(r.sink.objects.empty());
}

TEST(ExtendedReader, NewerDocumentsReadWholeAndThePlainRulesStopWhereTheyDid)
{
    std::string const newer =
        "Metasequoia Document\nFormat Text Ver 1.1\nCodePage 932\nThumbnail 2 1 24 rgb raw {\n\tFFFFFF\n}\n"
        "Scene {\n\tdirlights 1 {\n\t\tlight {\n\t\t}\n\t}\n}\nIncludeXml \"a.mqx\"\n"
        "Material 1 {\n\t\"m{\" dif(0.5) reflect(0.188) refract(1.3) uid(7) power(5)\n}\n"
        "MaterialEx2 1 {\n\tmaterial 0 {\n\t\tshadername \"}\"\n\t}\n}\n"
        "Object \"o\" {\n\tdepth 0\n\tnormal_weight 1\n\tpatchtri 0\n\tscale 2 2 2\n"
        "\tvertex 6 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t1 1 0\n\t\t0 1 0\n\t\t0 2 0\n\t\t1 2 0\n\t}\n"
        "\tvertexattr {\n\t\tuid {\n\t\t\t1\n\t\t}\n\t\tweit {\n\t\t\t0 0.5\n\t\t}\n\t}\n"
        "\tface 4 {\n\t\t6 V(0 1 2 5 4 3) M(0) UV(0 0 1 0 1 1 1 2 0 2 0 1) UID(1) N(0 2 0 0 0 0 0 0 1)\n"
        "\t\t4 V(0 1 2 3) N(2 0 2 2 1 0 0 9 9 9 0 1 0 0 0 1) M(0) COL(1 2 3 4) CRS(0 0 0 0) UID(2)\n"
        "\t\t3 V(0 1 2) N(2 2 2 0 0 1)\n\t\t2 V(4 5)\n\t}\n}\nEof\n";
    Read read(newer, true);
    ASSERT_TRUE(read.matched);
    EXPECT_EQ(read.asked, 1);
    EXPECT_EQ(read.t.rest(), "Eof\n");
    EXPECT_EQ(read.sink.code_pages, std::vector<std::string>{"932"});
    ASSERT_EQ(read.sink.materials.size(), 1u);
    EXPECT_EQ(read.sink.materials[0].name, "m{");
    // dif, reflect, refract and power; uid skipped.
    ASSERT_EQ(read.sink.materials[0].attributes.size(), 4u);
    EXPECT_EQ(read.sink.materials[0].attributes[1].first, MQO::reflect_tag);
    EXPECT_EQ(read.sink.materials[0].attributes[2].first, MQO::refract_tag);
    ASSERT_EQ(read.sink.objects.size(), 1u);
    auto const& o = read.sink.objects[0];
    EXPECT_EQ(o.attributes.size(), 2u);  // depth and scale
    EXPECT_EQ(o.vertices.size(), 6u);
    EXPECT_EQ(o.weights, (std::vector<std::pair<std::uint32_t, double> >{{0, 0.5}}));
    ASSERT_EQ(o.faces.size(), 3u);
    EXPECT_EQ(o.faces[0].corners, 6u);
    EXPECT_TRUE(o.faces[0].line.uv_for(6));
    EXPECT_TRUE(o.faces[1].line.colours_for(4));
    // Normals for the flagged corners only, or for every corner (a corner
    // whose flag is 0 keeps its shading's normal); a part of another length
    // gives none.
    using normals = std::vector<float>;
    EXPECT_EQ(normals(o.faces[0].line.normal_values.begin(), o.faces[0].line.normal_values.end()),
              normals({0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(normals(o.faces[1].line.normal_values.begin(), o.faces[1].line.normal_values.end()),
              normals({1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(o.faces[2].line.normals_for(3), nullptr);
    EXPECT_EQ(o.edges.size(), 1u);
    EXPECT_TRUE(o.complete && o.some_uv && o.some_colours);

    // Without extended reading the header refuses it, after asking once.
    Read plain(newer, false);
    EXPECT_FALSE(plain.matched);
    EXPECT_EQ(plain.asked, 1);
}

TEST(ExtendedReader, ADocumentThePlainRulesReadWholeNeverAsks)
{
    Read read(head + "Material 1 {\n\t\"m\" col(1 1 1 1)\n}\n" + object("a", "\tdepth 0\n") + "Eof\n", true);
    EXPECT_TRUE(read.matched);
    EXPECT_EQ(read.asked, 0);
    EXPECT_EQ(read.sink.objects.size(), 1u);
}
