// How much a document's modifiers may make the host build, summed over the
// whole document.
#ifndef MIVKA_HOST_MODIFIER_BUDGET_HPP
#define MIVKA_HOST_MODIFIER_BUDGET_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

namespace MQO {

// A mesh object as read, before any modifier.
struct MeshCounts
{
    std::size_t vertices = 0;
    std::size_t faces = 0;
    std::size_t corners = 0;  // over all faces
    std::size_t edges = 0;    // loose edges
    // What subdividing costs beyond its faces: the cube of the corners of
    // every face, and of the uses of every vertex, beyond sixteen. The host
    // subdivides around a vertex of n edges (a face of n corners becomes
    // one) in time that grows as n cubed.
    double irregular = 0.0;
};

// Counts the uses of each vertex by faces and edges, then adds what they
// cost to `irregular`.
class VertexUses
{
public:
    void reset(std::size_t vertices) { uses_.assign(vertices, 0); }
    void use(std::uint32_t vertex)
    {
        if (vertex < uses_.size())
            ++uses_[vertex];
    }
    double irregular() const;

private:
    std::vector<std::uint32_t> uses_;
};

// The cost of a face of `corners` corners in MeshCounts::irregular.
double irregular_face(std::size_t corners);

struct Modifiers
{
    std::uint32_t steps = 0;   // lathe steps, 0 without a lathe
    std::uint32_t copies = 1;  // 1, 2, 4 or 8 by the mirror's axes
    std::uint32_t levels = 0;  // subdivision levels, 0 without
};

// The vertices, edges and corners the host builds for a mesh with these
// modifiers, all together.
double built_elements(MeshCounts const& mesh, Modifiers const& modifiers);

class ModifierBudget
{
public:
    ModifierBudget();

    // Lowers the subdivision levels (down to one), then the lathe steps
    // (down to three), then leaves out the subdivision, then the lathe,
    // until what the object builds fits what the document has left; then
    // takes it from what is left. The mirror is always kept. Returns the
    // modifiers to build.
    Modifiers fit(MeshCounts const& mesh, Modifiers wanted);

private:
    double elements_left_;
    double irregular_left_;
};

}  // namespace MQO

#endif
