// A sink that hands everything on to another: the base of filters that sit
// between the readers and the sink that builds, each overriding only what
// it changes.
#ifndef MIVKA_DOCUMENT_FORWARDING_SINK_HPP
#define MIVKA_DOCUMENT_FORWARDING_SINK_HPP

#include "document/sink.hpp"

namespace MQO {

class ForwardingSink : public DocumentSink
{
public:
    explicit ForwardingSink(DocumentSink& next) : next_(next) {}

    void progress(double fraction) override { next_.progress(fraction); }
    void code_page(std::string_view page) override { next_.code_page(page); }
    void companion(std::string_view file) override { next_.companion(file); }
    void begin_material(std::string_view name) override { next_.begin_material(name); }
    void material_attribute(MaterialTag tag, attribute_value const& value) override
    {
        next_.material_attribute(tag, value);
    }
    void end_material() override { next_.end_material(); }
    void begin_objects() override { next_.begin_objects(); }
    void begin_object(std::string_view name) override { next_.begin_object(name); }
    void object_attribute(ObjectAttribute attribute, attribute_value const& value) override
    {
        next_.object_attribute(attribute, value);
    }
    void begin_vertices() override { next_.begin_vertices(); }
    void vertex(float x, float y, float z) override { next_.vertex(x, y, z); }
    std::size_t vertex_count() override { return next_.vertex_count(); }
    void vertex_weight(std::uint32_t vertex, double weight) override { next_.vertex_weight(vertex, weight); }
    void object_uid(std::uint32_t uid) override { next_.object_uid(uid); }
    void vertex_uid(std::uint32_t uid) override { next_.vertex_uid(uid); }
    void begin_faces() override { next_.begin_faces(); }
    void face(FaceLine const& line, std::size_t corners) override { next_.face(line, corners); }
    void edge(std::uint32_t first, std::uint32_t second) override { next_.edge(first, second); }
    void end_faces(bool some_uv, bool some_colours) override { next_.end_faces(some_uv, some_colours); }
    std::size_t face_count() override { return next_.face_count(); }
    void end_object() override { next_.end_object(); }
    void place(std::size_t object, std::ptrdiff_t parent, bool degenerate_scale) override
    {
        next_.place(object, parent, degenerate_scale);
    }
    void end_objects() override { next_.end_objects(); }

protected:
    DocumentSink& next_;
};

}  // namespace MQO

#endif
