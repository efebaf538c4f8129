// A character's rig from the document's companion, built in the host once
// every object is placed: one armature object with the bones, a vertex
// group per bone on each object the bones move with an armature modifier,
// and each morph as a shape key of its base object (the object that held
// the shape then leaves the scene).
#ifndef MIVKA_HOST_RIG_BUILDER_HPP
#define MIVKA_HOST_RIG_BUILDER_HPP

#include "document/archive.hpp"
#include "document/companion.hpp"
#include "host/host.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace MQO {

// What is kept of an object while the companion needs it.
struct RigObject
{
    std::string name;  // UTF-8
    std::int64_t uid = -1;  // none given
    std::vector<std::uint32_t> vertex_uids;
    std::size_t vertices = 0;
    bool complete = false;      // its chunk was read to the end: its mesh is linked
    bool target = false;        // a morph's target: its vertices are kept
    std::vector<float> kept;    // x, y, z in the document's axes
};

// Text of the companion (UTF-8) for the host.
HostObject utf8_text(std::string const& utf8);

class RigBuilder
{
public:
    // `document_path`: the document being converted, beside which the
    // companion is looked for.
    explicit RigBuilder(std::string document_path) : document_path_(std::move(document_path)) {}

    // The archive the document came out of, which must outlive the builder.
    void set_archive(DocumentArchive& archive) { archive_ = &archive; }
    void code_page(std::string_view page) { code_page_ = std::string(page); }

    // The companion the document names: found and read now, or a console
    // line saying why not (the rest of the document is built as without it).
    void companion(std::string_view file);

    // What the objects carry that the rig needs, in document order.
    void begin_object(std::string_view name);
    void object_uid(std::uint32_t uid);
    void vertex_uid(std::uint32_t uid);
    void vertex(float x, float y, float z);
    void end_object();

    // Builds the rig. `objects`: every object begun, in document order.
    void end_objects(std::vector<HostObject> const& objects, Frame const& frame);

private:
    void build_morphs(std::vector<HostObject> const& objects, Frame const& frame);
    void build_bones(std::vector<HostObject> const& objects, Frame const& frame);
    // How many objects the bones move.
    std::size_t skin(std::vector<HostObject> const& objects, HostObject const& armature,
                     std::vector<std::string> const& names);

    std::string document_path_;
    std::string code_page_;
    DocumentArchive* archive_ = nullptr;
    bool active_ = false;  // a companion was read
    Companion companion_;
    std::unordered_set<std::string> target_names_;
    std::vector<RigObject> records_;
};

}  // namespace MQO

#endif
