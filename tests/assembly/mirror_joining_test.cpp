// Joining connected mirror halves, between the readers and a recording sink.
#include "assembly/mirror_joining.hpp"
#include "document/face_line.hpp"
#include "document/recording_sink.hpp"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

struct JoinCase
{
    const char* name;
    std::uint32_t mirror;
    std::uint32_t axes;
    double distance;  // "mirror_dis", below 0 for none
    std::vector<std::array<float, 3> > added_vertices;
    std::vector<std::vector<std::uint32_t> > added_faces;
};

// A quad from x = 1 to 2: its edge at x = 1 faces the X plane, from inside
// the mirror distance unless the row gives a smaller one.
std::vector<JoinCase> const join_cases = {
    {"connected halves join at the facing edge", 2, 1, -1.0, {{0, 1, 0}, {0, 0, 0}}, {{0, 3, 4, 5}}},
    {"separated halves stay apart", 1, 1, -1.0, {}, {}},
    {"an edge beyond the mirror distance stays open", 2, 1, 0.5, {}, {}},
    {"a face on the plane adds nothing", 2, 4, -1.0, {}, {}},
};

TEST(MirrorJoining, OpenEdgesFacingTheMirrorPlaneGetFacesToIt)
{
    for (JoinCase const& c : join_cases) {
        MQO::RecordingSink recorded;
        MQO::MirrorJoining joining(recorded);
        joining.begin_object("half");
        joining.object_attribute(MQO::mirror_attribute, c.mirror);
        joining.object_attribute(MQO::mirror_axis_attribute, c.axes);
        if (c.distance >= 0.0)
            joining.object_attribute(MQO::mirror_dis_attribute, c.distance);
        joining.begin_vertices();
        for (auto const& v : std::vector<std::array<float, 3> >{{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}})
            joining.vertex(v[0], v[1], v[2]);
        joining.begin_faces();
        MQO::FaceLine quad;
        quad.vertex_indices = {0, 1, 2, 3};
        quad.material_number = 7;
        joining.face(quad, 4);
        joining.end_faces(false, false);
        joining.end_object();

        auto const& o = recorded.objects.at(0);
        ASSERT_TRUE(o.complete) << c.name;
        std::vector<std::array<float, 3> > const added(o.vertices.begin() + 4, o.vertices.end());
        EXPECT_EQ(added, c.added_vertices) << c.name;
        ASSERT_EQ(o.faces.size(), 1 + c.added_faces.size()) << c.name;
        for (std::size_t i = 0; i < c.added_faces.size(); ++i) {
            auto const& line = o.faces[1 + i].line;
            EXPECT_EQ(std::vector<std::uint32_t>(line.vertex_indices.begin(), line.vertex_indices.end()),
                      c.added_faces[i])
                << c.name;
            EXPECT_EQ(line.material_number, 7) << c.name;
        }
    }
}

}  // namespace
