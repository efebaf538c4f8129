// A host mesh built from the document's vertices, faces and edges, in one
// of the two ways a host takes meshes: object by object through the 2.4x
// calls, or gathered whole and handed over in one call.
#ifndef MIVKA_HOST_MESH_BUILDER_HPP
#define MIVKA_HOST_MESH_BUILDER_HPP

#include "host/host.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace MQO {

struct FaceLine;

// The mesh's material slots: a document material gets one on its first use
// in the mesh (added to the mesh then); each face finds its slot in
// constant time however many materials the mesh holds.
class MeshSlots
{
public:
    // `materials`: the host list of the document's materials, in order.
    MeshSlots(HostObject const& mesh, HostObject const& materials, std::size_t material_count)
        : mesh_(mesh), materials_(materials), material_count_(material_count)
    {
    }

    std::int32_t slot(std::int32_t number);

private:
    HostObject mesh_;
    HostObject materials_;
    std::size_t material_count_;
    std::unordered_map<std::int32_t, std::int32_t> slots_;
};

class MeshBuilder
{
public:
    // The builder for `mesh`: whole, when its host offers putBuffers, else
    // call by call.
    static std::unique_ptr<MeshBuilder> for_mesh(HostObject const& mesh, MeshSlots slots);
    virtual ~MeshBuilder() = default;

    // Whether every face is smooth; set before the first face.
    void set_smooth(bool smooth) { smooth_ = smooth; }

    virtual void begin_vertices() {}
    // A vertex in the host's axes, scaled, at the end of the mesh's list; it
    // may come after faces began, for the faces still to come.
    virtual void vertex(double x, double y, double z) = 0;
    virtual std::size_t vertex_count() = 0;
    virtual void begin_faces() = 0;
    // The face of the line's first `corners` corners: reversed, with its
    // material, texture coordinates (v flipped), colours and normals (in
    // the host's axes), all in the reversed corner order. A vertex number
    // beyond the vertices raises the host's lookup error.
    virtual void face(FaceLine const& line, std::size_t corners) = 0;
    // An edge from the second vertex to the first.
    virtual void edge(std::uint32_t first, std::uint32_t second) = 0;
    // After the last face: whether some face had texture coordinates for
    // all its corners, and whether some had colours.
    virtual void end_faces(bool some_uv, bool some_colours) = 0;
    virtual std::size_t face_count() = 0;
    // Writes the mesh into the host.
    virtual void finish() = 0;

protected:
    MeshBuilder(HostObject const& mesh, MeshSlots slots) : mesh_(mesh), slots_(std::move(slots)) {}

    HostObject mesh_;
    MeshSlots slots_;
    bool smooth_ = false;
};

// The two ways: through the 2.4x calls, or whole through the mesh's
// putBuffers.
std::unique_ptr<MeshBuilder> call_by_call_builder(HostObject const& mesh, MeshSlots slots);
std::unique_ptr<MeshBuilder> whole_mesh_builder(HostObject const& mesh, HostObject const& put_buffers, MeshSlots slots);

// The error a host list raises for a number beyond its end: what a vertex
// or material number beyond its list gives, whichever way the mesh is built.
[[noreturn]] void raise_beyond_list();

// The host's length of a sequence.
std::size_t host_count(HostObject const& sequence);

}  // namespace MQO

#endif
