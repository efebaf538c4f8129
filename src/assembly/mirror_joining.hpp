// Connected mirror halves, joined as Metasequoia shows them: a filter
// between the readers and the sink that builds.
#ifndef MIVKA_ASSEMBLY_MIRROR_JOINING_HPP
#define MIVKA_ASSEMBLY_MIRROR_JOINING_HPP

#include "document/forwarding_sink.hpp"

#include <cstdint>
#include <vector>

namespace MQO {

// Hands everything on. An object whose mirror halves are connected
// ("mirror 2" with a "mirror_axis") gets, before it ends, a face from each
// open edge (an edge of one face only) that faces a mirror plane, to the
// ends' projections onto the plane: new vertices after its faces, then the
// new faces, with the material of the face each continues. A mirror that
// welds the projections to their images then joins the halves.
class MirrorJoining : public ForwardingSink
{
public:
    explicit MirrorJoining(DocumentSink& next) : ForwardingSink(next) {}

    void begin_object(std::string_view name) override;
    void object_attribute(ObjectAttribute attribute, attribute_value const& value) override;
    void vertex(float x, float y, float z) override;
    void face(FaceLine const& line, std::size_t corners) override;
    void end_object() override;

private:
    bool joining() const { return mirror_ == 2 && (axes_ & 7u) != 0; }
    struct Edges;
    Edges edge_uses() const;
    void join_on(std::uint32_t axis, Edges const& edges);

    std::uint32_t mirror_ = 0;
    std::uint32_t axes_ = 0;   // bits 1 X, 2 Y, 4 Z
    double reach_ = -1.0;      // "mirror_dis", when given
    // The object's vertices and faces, kept while it is joined.
    std::vector<float> positions_;
    std::vector<std::uint32_t> corners_;
    std::vector<std::uint32_t> counts_;
    std::vector<std::int32_t> materials_;
};

}  // namespace MQO

#endif
