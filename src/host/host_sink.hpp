// The document's contents built in the host's scene through the 2.4x
// scripting interface: materials with textures and projection Empties,
// mesh objects with vertices, faces and edges, placement and parents.
#ifndef MIVKA_HOST_HOST_SINK_HPP
#define MIVKA_HOST_HOST_SINK_HPP

#include "document/archive.hpp"
#include "document/sink.hpp"
#include "document/texture_paths.hpp"
#include "host/material_builder.hpp"
#include "host/object_builder.hpp"
#include "host/rig_builder.hpp"

#include <string>

namespace MQO {

class HostSink : public DocumentSink
{
public:
    // `document_path`: the document being read; texture files are looked
    // for in its folder after the names as written, and its companion
    // beside it.
    explicit HostSink(std::string const& document_path)
        : materials_(document_folder_of(document_path), frame_), objects_(frame_), rig_(document_path)
    {
    }
    // Gives up the document's code page, if it named one (keeping any
    // error on its way out).
    ~HostSink() override;
    HostSink(HostSink const&) = delete;
    HostSink& operator=(HostSink const&) = delete;

    // The archive that the document came out of: its textures and its
    // companion are looked for there first, all unpacked within one bound.
    // The bytes must outlive the sink.
    void set_archive(const char* begin, const char* end)
    {
        archive_.set(begin, end);
        materials_.textures().set_archive(archive_);
        rig_.set_archive(archive_);
    }

    void progress(double fraction) override;
    // The encoding of the document's names, for the host to read them in
    // (Blender.Set("codepage", ...)) until the conversion ends.
    void code_page(std::string_view page) override;
    void companion(std::string_view file) override { rig_.companion(file); }

    void begin_material(std::string_view name) override { materials_.begin_material(name); }
    void material_attribute(MaterialTag tag, attribute_value const& value) override
    {
        materials_.material_attribute(tag, value);
    }
    void end_material() override { materials_.end_material(); }

    void begin_objects() override { objects_.begin_objects(); }
    void begin_object(std::string_view name) override
    {
        objects_.begin_object(name, materials_.materials(), materials_.material_count());
        rig_.begin_object(name);
    }
    void object_attribute(ObjectAttribute attribute, attribute_value const& value) override
    {
        objects_.object_attribute(attribute, value);
    }
    void begin_vertices() override { objects_.begin_vertices(); }
    void vertex(float x, float y, float z) override
    {
        objects_.vertex(x, y, z);
        rig_.vertex(x, y, z);
    }
    std::size_t vertex_count() override { return objects_.vertex_count(); }
    void vertex_weight(std::uint32_t vertex, double weight) override { objects_.vertex_weight(vertex, weight); }
    void object_uid(std::uint32_t uid) override { rig_.object_uid(uid); }
    void vertex_uid(std::uint32_t uid) override { rig_.vertex_uid(uid); }
    void begin_faces() override { objects_.begin_faces(); }
    void face(FaceLine const& line, std::size_t corners) override { objects_.face(line, corners); }
    void edge(std::uint32_t first, std::uint32_t second) override { objects_.edge(first, second); }
    void end_faces(bool some_uv, bool some_colours) override { objects_.end_faces(some_uv, some_colours); }
    std::size_t face_count() override { return objects_.face_count(); }
    void end_object() override
    {
        objects_.end_object();
        rig_.end_object();
    }

    void place(std::size_t object, std::ptrdiff_t parent, bool degenerate_scale) override
    {
        objects_.place(object, parent, degenerate_scale);
    }
    void end_objects() override { rig_.end_objects(objects_.objects(), frame_.get()); }

private:
    bool code_page_set_ = false;
    host::RegistryFrame frame_;  // before the builders, which keep a reference
    DocumentArchive archive_;    // as is the archive
    MaterialBuilder materials_;
    ObjectBuilder objects_;
    RigBuilder rig_;
};

}  // namespace MQO

#endif
