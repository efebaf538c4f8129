#include "host/modifier_budget.hpp"

#include <algorithm>
#include <cmath>

namespace MQO {

namespace {

// Vertices, edges and corners that the host builds, summed over the
// document: what Blender does with them at its costliest (the mesh
// evaluated for the viewport, the glTF exporter's copies, a render) takes
// some 55 bytes each, so about 1.5 GB.
constexpr double elements_limit = 28e6;
// About ten seconds of subdividing around irregular vertices.
constexpr double irregular_limit = 2e7;
constexpr std::size_t regular_up_to = 16;

double cube(std::size_t n)
{
    return double(n) * double(n) * double(n);
}

}  // namespace

double irregular_face(std::size_t corners)
{
    return corners > regular_up_to ? cube(corners) : 0.0;
}

double VertexUses::irregular() const
{
    double sum = 0.0;
    for (std::uint32_t const n : uses_) {
        if (n > regular_up_to)
            sum += cube(n);
    }
    return sum;
}

double built_elements(MeshCounts const& mesh, Modifiers const& modifiers)
{
    double vertices = double(mesh.vertices);
    double corners = double(mesh.corners);
    // At most one edge of its own for every corner of a face.
    double edges = double(mesh.corners + mesh.edges);
    double loose = double(mesh.edges);
    // Points in no face and on no edge (at least so many).
    double const lone = std::max(vertices - double(mesh.corners) - 2.0 * double(mesh.edges), 0.0);
    if (modifiers.steps != 0) {
        // Every edge, of a face or loose, sweeps a quad at each step, and
        // every vertex a circle of edges: loose ones around a lone point.
        double const steps = double(modifiers.steps);
        double const swept = double(mesh.corners + mesh.edges) * steps;
        corners = 4.0 * swept;
        vertices *= steps;
        edges = swept + vertices;
        loose = lone * steps;
    }
    if (modifiers.levels != 0) {
        // The first level makes a quad of every corner, each further one
        // four of every quad: each quad brings about a vertex and two
        // edges. A loose edge is cut in two at each level.
        // (Past a few hundred levels the count is infinite all the same.)
        int const levels = int(std::min<std::uint32_t>(modifiers.levels, 1000));
        double const faces = std::ldexp(corners, 2 * (levels - 1));
        double const pieces = std::ldexp(loose, levels);
        corners = 4.0 * faces;
        edges = 2.0 * faces + pieces;
        vertices = std::max(vertices, faces + pieces);
    }
    return (vertices + edges + corners) * modifiers.copies;
}

ModifierBudget::ModifierBudget() : elements_left_(elements_limit), irregular_left_(irregular_limit) {}

Modifiers ModifierBudget::fit(MeshCounts const& mesh, Modifiers wanted)
{
    Modifiers m = wanted;
    double const irregular = mesh.irregular * m.copies * std::max<std::uint32_t>(m.steps, 1);
    if (m.levels != 0 && irregular > irregular_left_)
        m.levels = 0;
    auto const fits = [&] { return built_elements(mesh, m) <= elements_left_; };
    // The steps that fit, at least three: the cost grows with them in step.
    auto const fit_steps = [&] {
        if (m.steps == 0 || fits())
            return;
        Modifiers one = m;
        one.steps = 1;
        double const affordable = std::floor(elements_left_ / std::max(built_elements(mesh, one), 1.0));
        m.steps = std::uint32_t(std::clamp<double>(affordable, 3.0, double(m.steps)));
    };
    while (m.levels > 1 && !fits())
        --m.levels;
    fit_steps();
    if (m.levels != 0 && !fits()) {
        m.levels = 0;
        m.steps = wanted.steps;
        fit_steps();
    }
    if (m.steps != 0 && !fits())
        m.steps = 0;
    elements_left_ = std::max(elements_left_ - built_elements(mesh, m), 0.0);
    if (m.levels != 0)
        irregular_left_ -= irregular;
    return m;
}

}  // namespace MQO
