// A sink that keeps what the readers hand over in plain structures: for
// looking at what a document holds without any host.
#ifndef MIVKA_DOCUMENT_RECORDING_SINK_HPP
#define MIVKA_DOCUMENT_RECORDING_SINK_HPP

#include "document/face_line.hpp"
#include "document/sink.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace MQO {

struct RecordedMaterial
{
    std::string name;
    std::vector<std::pair<MaterialTag, attribute_value> > attributes;
};

struct RecordedFace
{
    FaceLine line;
    std::size_t corners;
};

struct RecordedObject
{
    std::string name;
    std::vector<std::pair<ObjectAttribute, attribute_value> > attributes;
    std::vector<std::array<float, 3> > vertices;  // in the document's axes
    std::vector<std::pair<std::uint32_t, double> > weights;
    std::int64_t uid = -1;  // none given
    std::vector<std::uint32_t> vertex_uids;
    std::vector<RecordedFace> faces;
    std::vector<std::pair<std::uint32_t, std::uint32_t> > edges;
    bool some_uv = false;
    bool some_colours = false;
    bool complete = false;  // its face chunk was read and the object ended
};

struct RecordedPlacement
{
    std::size_t object;
    std::ptrdiff_t parent;
    bool degenerate_scale;
};

class RecordingSink : public DocumentSink
{
public:
    std::vector<double> progress_reports;
    std::vector<std::string> code_pages;
    std::vector<std::string> companions;
    std::vector<RecordedMaterial> materials;
    bool objects_begun = false;
    std::vector<RecordedObject> objects;
    std::vector<RecordedPlacement> placements;
    bool objects_ended = false;

    void progress(double fraction) override { progress_reports.push_back(fraction); }
    void code_page(std::string_view page) override { code_pages.emplace_back(page); }
    void companion(std::string_view file) override { companions.emplace_back(file); }

    void begin_material(std::string_view name) override { materials.push_back(RecordedMaterial{std::string(name), {}}); }
    void material_attribute(MaterialTag tag, attribute_value const& value) override
    {
        materials.back().attributes.emplace_back(tag, value);
    }
    void end_material() override {}

    void begin_objects() override { objects_begun = true; }
    void begin_object(std::string_view name) override
    {
        objects.emplace_back();
        objects.back().name = std::string(name);
    }
    void object_attribute(ObjectAttribute attribute, attribute_value const& value) override
    {
        objects.back().attributes.emplace_back(attribute, value);
    }
    void begin_vertices() override {}
    void vertex(float x, float y, float z) override { objects.back().vertices.push_back({x, y, z}); }
    void vertex_weight(std::uint32_t vertex, double weight) override
    {
        objects.back().weights.emplace_back(vertex, weight);
    }
    void object_uid(std::uint32_t uid) override { objects.back().uid = uid; }
    void vertex_uid(std::uint32_t uid) override { objects.back().vertex_uids.push_back(uid); }
    std::size_t vertex_count() override { return objects.back().vertices.size(); }
    void begin_faces() override {}
    void face(FaceLine const& line, std::size_t corners) override { objects.back().faces.push_back({line, corners}); }
    void edge(std::uint32_t first, std::uint32_t second) override { objects.back().edges.emplace_back(first, second); }
    void end_faces(bool some_uv, bool some_colours) override
    {
        objects.back().some_uv = some_uv;
        objects.back().some_colours = some_colours;
    }
    std::size_t face_count() override { return objects.back().faces.size(); }
    void end_object() override { objects.back().complete = true; }

    void place(std::size_t object, std::ptrdiff_t parent, bool degenerate_scale) override
    {
        placements.push_back({object, parent, degenerate_scale});
    }
    void end_objects() override { objects_ended = true; }
};

}  // namespace MQO

#endif
