#include "assembly/mirror_joining.hpp"

#include "document/face_line.hpp"

#include <boost/variant/get.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace MQO {

void MirrorJoining::begin_object(std::string_view name)
{
    mirror_ = 0;
    axes_ = 0;
    reach_ = -1.0;
    positions_.clear();
    corners_.clear();
    counts_.clear();
    materials_.clear();
    next_.begin_object(name);
}

void MirrorJoining::object_attribute(ObjectAttribute attribute, attribute_value const& value)
{
    if (attribute == mirror_attribute)
        mirror_ = boost::get<std::uint32_t>(value);
    else if (attribute == mirror_axis_attribute)
        axes_ = boost::get<std::uint32_t>(value);
    else if (attribute == mirror_dis_attribute)
        reach_ = boost::get<double>(value);
    next_.object_attribute(attribute, value);
}

void MirrorJoining::vertex(float x, float y, float z)
{
    if (joining())
        positions_.insert(positions_.end(), {x, y, z});
    next_.vertex(x, y, z);
}

void MirrorJoining::face(FaceLine const& line, std::size_t corners)
{
    if (joining()) {
        corners_.insert(corners_.end(), line.vertex_indices.begin(), line.vertex_indices.begin() + corners);
        counts_.push_back(std::uint32_t(corners));
        materials_.push_back(line.material_number);
    }
    next_.face(line, corners);
}

// The object's edges by their two vertex numbers: each with how many faces
// use it and the first face's direction and material; the edges in
// first-use order, and where each face's corners start.
struct MirrorJoining::Edges
{
    struct Use
    {
        std::uint32_t from, to;
        std::uint32_t face;
        std::uint32_t faces;
    };
    std::unordered_map<std::uint64_t, Use> uses;
    std::vector<std::uint64_t> order;
    std::vector<std::size_t> starts;
};

MirrorJoining::Edges MirrorJoining::edge_uses() const
{
    std::size_t const original = positions_.size() / 3;
    Edges edges;
    edges.starts.resize(counts_.size());
    for (std::size_t f = 0, start = 0; f < counts_.size(); start += counts_[f], ++f) {
        edges.starts[f] = start;
        std::uint32_t const n = counts_[f];
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t const a = corners_[start + i];
            std::uint32_t const b = corners_[start + (i + 1) % n];
            if (a == b || a >= original || b >= original)
                continue;
            std::uint64_t const key = std::uint64_t(std::min(a, b)) << 32 | std::max(a, b);
            auto const made = edges.uses.try_emplace(key, Edges::Use{a, b, std::uint32_t(f), 0});
            if (made.second)
                edges.order.push_back(key);
            ++made.first->second.faces;
        }
    }
    return edges;
}

void MirrorJoining::end_object()
{
    if (joining()) {
        Edges const edges = edge_uses();
        for (std::uint32_t axis = 0; axis < 3; ++axis) {
            if (axes_ & (1u << axis))
                join_on(axis, edges);
        }
    }
    next_.end_object();
}

namespace {

// The half's faces as seen from one mirror plane: how far their corners lie
// from it, and which face away from it. Only the first `original` vertices
// are the half's own (the others are projections made on the way).
struct HalfFromPlane
{
    std::vector<float> const& positions;
    std::vector<std::uint32_t> const& corners;
    std::vector<std::uint32_t> const& counts;
    std::vector<std::size_t> const& starts;
    std::uint32_t axis;
    std::size_t original;
    std::vector<double> face_distances = std::vector<double>(counts.size(), -1.0);

    double at(std::uint32_t v, std::uint32_t component) const { return double(positions[3 * v + component]); }
    double distance(std::uint32_t v) const { return std::abs(at(v, axis)); }

    // How far a face's corners lie from the plane, on average: worked out
    // once per face, however many of its edges are open.
    double face_distance(std::uint32_t f)
    {
        if (face_distances[f] < 0.0) {
            double sum = 0.0;
            for (std::uint32_t i = 0; i < counts[f]; ++i) {
                std::uint32_t const v = corners[starts[f] + i];
                sum += v < original ? at(v, axis) : 0.0;
            }
            face_distances[f] = std::abs(sum / counts[f]);
        }
        return face_distances[f];
    }

    // A face parallel to the plane whose front looks away from it (a wall
    // of the half seen from outside) is open towards the plane along all
    // its open edges. Its front is the side from which its corners run
    // clockwise (the host reverses them for its own counter-clockwise
    // fronts): against the Newell normal.
    bool faces_away(std::uint32_t f) const
    {
        std::uint32_t const along = (axis + 1) % 3, across = (axis + 2) % 3;
        double normal = 0.0, mean = 0.0, lowest = 0.0, highest = 0.0;
        std::uint32_t const n = counts[f];
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t const a = corners[starts[f] + i], b = corners[starts[f] + (i + 1) % n];
            if (a >= original || b >= original)
                return false;
            normal += (at(a, along) - at(b, along)) * (at(a, across) + at(b, across));
            mean += at(a, axis) / n;
            lowest = i == 0 ? at(a, axis) : std::min(lowest, at(a, axis));
            highest = i == 0 ? at(a, axis) : std::max(highest, at(a, axis));
        }
        bool const parallel = highest - lowest <= 1e-9 * std::max(std::abs(mean), 1.0);
        return parallel && normal * mean < 0.0;
    }
};

}  // namespace

// The open edges that face the plane across `axis` (0 X, 1 Y, 2 Z): those
// whose face lies farther from the plane than the edge, and whose two ends
// lie within the mirror distance of the plane (any distance when the
// document names none). Ends on the plane are their own projections.
void MirrorJoining::join_on(std::uint32_t axis, Edges const& edges)
{
    HalfFromPlane half{positions_, corners_, counts_, edges.starts, axis, positions_.size() / 3};
    // Older documents name no distance: facing open edges are joined at any.
    double const reach = reach_ >= 0.0 ? reach_ : std::numeric_limits<double>::infinity();
    std::unordered_map<std::uint32_t, std::uint32_t> projections;
    std::uint32_t next_vertex = std::uint32_t(next_.vertex_count());
    auto const projection = [&](std::uint32_t v) {
        if (half.at(v, axis) == 0.0)
            return v;
        auto const found = projections.find(v);
        if (found != projections.end())
            return found->second;
        float p[3] = {positions_[3 * v], positions_[3 * v + 1], positions_[3 * v + 2]};
        p[axis] = 0.0f;
        next_.vertex(p[0], p[1], p[2]);
        projections.emplace(v, next_vertex);
        return next_vertex++;
    };
    for (std::uint64_t const key : edges.order) {
        Edges::Use const& use = edges.uses.at(key);
        if (use.faces != 1 || !(half.distance(use.from) <= reach) || !(half.distance(use.to) <= reach))
            continue;
        double const edge_distance = (half.distance(use.from) + half.distance(use.to)) / 2.0;
        if (!(half.face_distance(use.face) > edge_distance) && !(edge_distance > 0.0 && half.faces_away(use.face)))
            continue;
        std::uint32_t const from_plane = projection(use.from);
        std::uint32_t const to_plane = projection(use.to);
        // Against the open edge's own direction, so the new face turns the
        // same way as the face it continues.
        FaceLine joint;
        joint.vertex_indices = {use.to, use.from};
        if (from_plane != use.from)
            joint.vertex_indices.push_back(from_plane);
        if (to_plane != use.to)
            joint.vertex_indices.push_back(to_plane);
        joint.material_number = materials_[use.face];
        if (joint.vertex_indices.size() > 2)
            next_.face(joint, joint.vertex_indices.size());
    }
}

}  // namespace MQO
