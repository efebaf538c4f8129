// The document's contents built in the host's scene through the 2.4x
// scripting interface: materials with textures and projection Empties,
// mesh objects with vertices, faces and edges, placement and parents.
#ifndef MIVKA_HOST_HOST_SINK_HPP
#define MIVKA_HOST_HOST_SINK_HPP

#include "document/archive.hpp"
#include "document/foreign.hpp"
#include "document/sink.hpp"
#include "host/host.hpp"
#include "host/modifier_budget.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace MQO {

struct FaceLine;

class HostSink : public DocumentSink
{
public:
    // `document_folder`: where texture files are looked for after the names
    // as written (the folder of the document being read).
    explicit HostSink(std::string document_folder);
    // Gives up the document's code page, if it named one (keeping any
    // error on its way out).
    ~HostSink() override;
    HostSink(HostSink const&) = delete;
    HostSink& operator=(HostSink const&) = delete;

    // The archive that the document came out of: its textures are looked
    // for there first. The bytes must outlive the sink.
    void set_archive(const char* begin, const char* end)
    {
        archive_begin_ = begin;
        archive_end_ = end;
    }

    void progress(double fraction) override;
    // The encoding of the document's names, for the host to read them in
    // (Blender.Set("codepage", ...)) until the conversion ends.
    void code_page(std::string_view page) override;

    void begin_material(std::string_view name) override;
    void material_attribute(MaterialTag tag, attribute_value const& value) override;
    void end_material() override;

    // Takes the factor for vertex positions and translations from the
    // registry entry "Scale" (default 1).
    void begin_objects() override;
    void begin_object(std::string_view name) override;
    void object_attribute(ObjectAttribute attribute, attribute_value const& value) override;
    void begin_vertices() override;
    void vertex(float x, float y, float z) override;
    std::size_t vertex_count() override;
    void vertex_weight(std::uint32_t vertex, double weight) override;
    void begin_faces() override;
    void face(FaceLine const& line, std::size_t corners) override;
    void edge(std::uint32_t first, std::uint32_t second) override;
    void end_faces(bool some_uv, bool some_colours) override;
    std::size_t face_count() override;
    void end_object() override;

    void place(std::size_t object, std::ptrdiff_t parent, bool degenerate_scale) override;

private:
    // Material attributes by the class of their tag.
    void integer_attribute(MaterialTag tag, std::uint32_t value);
    void real_attribute(MaterialTag tag, double value);
    void vector_attribute(MaterialTag tag, double const* values, std::size_t count);
    void texture(int slot, std::string const& file);
    bool find_image(int slot, std::string const& file, std::string& found) const;
    bool unpack_image(std::string const& file, std::string& found);
    void projection_type(std::uint32_t type);
    void projection_angle(double x, double y, double z);
    void place_projection();

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
    bool joining() const { return display_.mirror == 2 && mirrored(); }
    void remember_face(FaceLine const& line, std::size_t corners);
    void join_mirror_halves();
    void add_host_vertex(double x, double y, double z, bool for_faces);
    HostObject vertex_at(std::uint32_t number) const;
    void set_material(HostObject const& face, std::int32_t number);
    std::int32_t mesh_slot(std::int32_t number);

    // A mesh gathered whole, for a host whose meshes take it in one call
    // (putBuffers): no host object per vertex, face or corner.
    struct Gathered
    {
        std::vector<double> vertices;          // x, y, z in the host's axes, scaled
        std::vector<std::int32_t> counts;      // corners per face
        std::vector<std::int32_t> corners;     // vertex numbers, each face's reversed
        std::vector<float> uv;                 // u, v per corner (v flipped), 0 where a face has none
        std::vector<std::uint8_t> colours;     // r, g, b, a per corner, white where a face has none
        std::vector<std::int32_t> materials;   // the mesh's material slot per face
        std::vector<std::int32_t> edges;       // vertex pairs
        std::vector<float> normals;            // x, y, z per corner in the host's axes, 0 where a face has none
        bool some_uv = false;
        bool some_colours = false;
        bool some_normals = false;
    };

    void add_face(FaceLine const& line, std::size_t corners);
    void gather_face(FaceLine const& line, std::size_t corners);
    std::uint32_t checked_vertex(std::uint32_t number) const;
    void put_gathered();

    // How Metasequoia shows the object being read (extended reading only).
    struct Display
    {
        bool smooth = false;  // the object's faces are smooth ("shading 1")
        double facet = 59.5;  // its crease angle in degrees
        std::uint32_t mirror = 0;       // 1 separated halves, 2 connected
        std::uint32_t mirror_axis = 0;  // bits 1 X, 2 Y, 4 Z in the document's axes
        double mirror_distance = -1.0;  // how near halves are joined ("mirror_dis"), when given
        std::uint32_t patch = 0;        // 0 flat; 1, 2 spline surfaces; 3, 4 Catmull-Clark
        std::int64_t segment = -1;      // the patch's divisions, when given
        std::uint32_t lathe = 0;        // not 0: the profile is turned around an axis
        std::uint32_t lathe_axis = 0;   // 0 X, 1 Y, 2 Z in the document's axes
        std::uint32_t lathe_segments = 12;
    };

    bool code_page_set_ = false;
    Display display_;
    // Where the material's projection lies ("proj_pos", "proj_scale",
    // "proj_angle"), once extended reading placed it.
    struct Projection
    {
        double position[3] = {0.0, 0.0, 0.0};
        double scale[3] = {1.0, 1.0, 1.0};
        double angle[3] = {0.0, 0.0, 0.0};
        bool placed = false;
    };
    Projection projection_;
    std::unordered_map<std::int32_t, std::int32_t> mesh_slots_;  // document material, mesh slot
    MeshCounts counts_;   // the object being read, for the modifiers' budget
    VertexUses uses_;
    ModifierBudget budget_;
    std::vector<std::pair<std::uint32_t, double> > weights_;  // "weit": vertex, weight
    // An object whose mirror halves are connected: its vertices (host axes,
    // scaled) and faces (document corner order), kept to join the halves.
    struct Joined
    {
        std::vector<double> positions;
        std::vector<std::uint32_t> corners;
        std::vector<std::uint32_t> counts;
        std::vector<std::int32_t> materials;
    };
    Joined joined_;
    std::string document_folder_;
    const char* archive_begin_ = nullptr;
    const char* archive_end_ = nullptr;
    std::unique_ptr<ArchiveMembers> archive_members_;  // listed on the first texture
    std::string unpacked_folder_;  // textures unpacked from the archive, removed with the sink
    std::unordered_map<std::string, std::string> unpacked_;  // file text, the file unpacked for it
    std::size_t material_count_ = 0;
    HostObject put_buffers_;  // the mesh's putBuffers, when its host offers it
    Gathered gathered_;
    double scale_ = 1.0;
    HostObject materials_;  // host list of the document's materials, in order
    HostObject material_;   // the material being read
    std::vector<HostObject> objects_;  // every object so far, in document order
    HostObject object_;
    HostObject mesh_;
    HostObject vert_;         // the host's vertex constructor
    HostObject face_class_;   // the host's face constructor
    HostObject vertex_list_;  // a list copy of the mesh's vertices, for the face chunk
};

}  // namespace MQO

#endif
