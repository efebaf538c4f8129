// Mesh objects in the host: placement, vertices, faces and edges through a
// mesh builder, how Metasequoia shows them (smooth faces, hidden objects,
// mirror, subdivision and lathe as modifiers), vertex weights and parents.
#ifndef MIVKA_HOST_OBJECT_BUILDER_HPP
#define MIVKA_HOST_OBJECT_BUILDER_HPP

#include "document/sink.hpp"
#include "host/host.hpp"
#include "host/mesh_builder.hpp"
#include "host/modifier_budget.hpp"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace MQO {

class ObjectBuilder
{
public:
    // `frame`: the conversion's axes and scale, asked for when objects begin.
    explicit ObjectBuilder(host::RegistryFrame& frame) : frames_(frame) {}

    void begin_objects();
    // `materials`: the host list of the document's materials, in order.
    void begin_object(std::string_view name, HostObject const& materials, std::size_t material_count);
    void object_attribute(ObjectAttribute attribute, attribute_value const& value);
    void begin_vertices();
    void vertex(float x, float y, float z);
    std::size_t vertex_count();
    void vertex_weight(std::uint32_t vertex, double weight);
    void begin_faces();
    void face(FaceLine const& line, std::size_t corners);
    void edge(std::uint32_t first, std::uint32_t second);
    void end_faces(bool some_uv, bool some_colours);
    std::size_t face_count();
    void end_object();
    void place(std::size_t object, std::ptrdiff_t parent, bool degenerate_scale);
    // Every object begun so far, in document order.
    std::vector<HostObject> const& objects() const { return objects_; }

private:
    void transform(ObjectAttribute attribute, double c1, double c2, double c3);
    void display_setting(ObjectAttribute attribute, attribute_value const& value);
    HostObject add_modifier(const char* type);
    Modifiers wanted_modifiers() const;
    void report_lowered(Modifiers const& wanted, Modifiers const& built) const;
    void add_lathe(std::uint32_t steps);
    void add_mirror();
    void add_subdivision(std::uint32_t levels);
    void add_weights(std::size_t vertices);
    bool mirrored() const { return (display_.mirror == 1 || display_.mirror == 2) && (display_.mirror_axis & 7u) != 0; }

    // How Metasequoia shows the object being read.
    struct Display
    {
        bool smooth = false;  // the object's faces are smooth ("shading 1")
        double facet = 59.5;  // its crease angle in degrees
        std::uint32_t mirror = 0;       // 1 separated halves, 2 connected
        std::uint32_t mirror_axis = 0;  // bits 1 X, 2 Y, 4 Z in the document's axes
        std::uint32_t patch = 0;        // 0 flat; 1, 2 spline surfaces; 3, 4 Catmull-Clark
        std::int64_t segment = -1;      // the patch's divisions, when given
        std::uint32_t lathe = 0;        // not 0: the profile is turned around an axis
        std::uint32_t lathe_axis = 0;   // 0 X, 1 Y, 2 Z in the document's axes
        std::uint32_t lathe_segments = 12;
    };

    Display display_;
    MeshCounts counts_;  // the object being read, for the modifiers' budget
    VertexUses uses_;
    ModifierBudget budget_;
    std::vector<std::pair<std::uint32_t, double> > weights_;  // "weit": vertex, weight
    host::RegistryFrame& frames_;
    Frame frame_;
    std::vector<HostObject> objects_;  // every object so far, in document order
    HostObject object_;
    HostObject mesh_;
    std::unique_ptr<MeshBuilder> builder_;
};

}  // namespace MQO

#endif
