// A mesh gathered whole and handed to the host in one call (putBuffers):
// no host object per vertex, face or corner.
#include "host/mesh_builder.hpp"

#include "document/face_line.hpp"
#include "host/fast_call.hpp"

#include <vector>

namespace MQO {

namespace {

template <typename T>
HostObject buffer_of(std::vector<T> const& values)
{
    return host::take(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(values.data()),
                                                Py_ssize_t(values.size() * sizeof(T))));
}

class WholeMeshBuilder : public MeshBuilder
{
public:
    WholeMeshBuilder(HostObject const& mesh, HostObject const& put_buffers, MeshSlots slots)
        : MeshBuilder(mesh, std::move(slots)), put_buffers_(put_buffers)
    {
    }

    void vertex(double x, double y, double z) override { vertices_.insert(vertices_.end(), {x, y, z}); }
    std::size_t vertex_count() override { return vertices_.size() / 3; }
    void begin_faces() override {}
    void face(FaceLine const& line, std::size_t corners) override;

    void edge(std::uint32_t first, std::uint32_t second) override
    {
        std::int32_t const a = std::int32_t(checked_vertex(second));
        std::int32_t const b = std::int32_t(checked_vertex(first));
        edges_.insert(edges_.end(), {a, b});
    }

    void end_faces(bool some_uv, bool some_colours) override
    {
        some_uv_ = some_uv;
        some_colours_ = some_colours;
    }

    std::size_t face_count() override { return counts_.size(); }
    void finish() override;

private:
    // A vertex number of the mesh; one beyond its vertices is the host's
    // lookup error, as a lookup in the vertex list would raise.
    std::uint32_t checked_vertex(std::uint32_t number) const
    {
        if (number >= vertices_.size() / 3)
            raise_beyond_list();
        return number;
    }

    HostObject put_buffers_;
    std::vector<double> vertices_;         // x, y, z in the host's axes, scaled
    std::vector<std::int32_t> counts_;     // corners per face
    std::vector<std::int32_t> corners_;    // vertex numbers, each face's reversed
    std::vector<float> uv_;                // u, v per corner (v flipped), 0 where a face has none
    std::vector<std::uint8_t> colours_;    // r, g, b, a per corner, white where a face has none
    std::vector<float> normals_;           // x, y, z per corner in the host's axes, 0 where a face has none
    std::vector<std::int32_t> materials_;  // the mesh's material slot per face
    std::vector<std::int32_t> edges_;      // vertex pairs
    bool some_uv_ = false;
    bool some_colours_ = false;
    bool some_normals_ = false;
};

void WholeMeshBuilder::face(FaceLine const& line, std::size_t corners)
{
    for (std::size_t i = corners; i-- > 0;)
        corners_.push_back(std::int32_t(checked_vertex(line.vertex_indices[i])));
    materials_.push_back(line.material_number >= 0 ? slots_.slot(line.material_number) : 0);
    float const* const uv = line.uv_for(corners);
    std::uint32_t const* const colours = line.colours_for(corners);
    float const* const normals = line.normals_for(corners);
    some_normals_ = some_normals_ || normals;
    for (std::size_t i = corners; i-- > 0;) {
        uv_.push_back(uv ? uv[2 * i] : 0.0f);
        uv_.push_back(uv ? float(1.0 - double(uv[2 * i + 1])) : 0.0f);
        std::uint32_t const packed = colours ? colours[i] : 0xFFFFFFFFu;
        colours_.insert(colours_.end(), {std::uint8_t(packed & 0xFF), std::uint8_t(packed >> 8 & 0xFF),
                                         std::uint8_t(packed >> 16 & 0xFF), std::uint8_t(packed >> 24 & 0xFF)});
        std::array<float, 3> const n = normals ? Frame::direction(normals + 3 * i) : std::array<float, 3>{};
        normals_.insert(normals_.end(), n.begin(), n.end());
    }
    counts_.push_back(std::int32_t(corners));
}

// The gathered mesh in one call: vertices (doubles), corner counts, corners,
// texture coordinates and colours (or None when no face had them), material
// slots per face and edges (32-bit integers), as bytes in the machine's
// order, whether the faces are smooth, and the corners' normals (floats,
// x y z in the host's axes, 0 0 0 where a corner has none; None when no
// face had them).
void WholeMeshBuilder::finish()
{
    HostObject const none;
    host::call(put_buffers_, buffer_of(vertices_), buffer_of(counts_), buffer_of(corners_),
               some_uv_ ? buffer_of(uv_) : none, some_colours_ ? buffer_of(colours_) : none, buffer_of(materials_),
               buffer_of(edges_), HostObject(smooth_), some_normals_ ? buffer_of(normals_) : none);
}

}  // namespace

std::unique_ptr<MeshBuilder> whole_mesh_builder(HostObject const& mesh, HostObject const& put_buffers, MeshSlots slots)
{
    return std::make_unique<WholeMeshBuilder>(mesh, put_buffers, std::move(slots));
}

}  // namespace MQO
