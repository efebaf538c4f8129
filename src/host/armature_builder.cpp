// The companion's bones as one armature object, and the vertices they move
// as vertex groups with an armature modifier.
#include "host/rig_builder.hpp"

#include "document/console.hpp"
#include "document/texture_paths.hpp"
#include "host/fast_call.hpp"

#include <boost/python/list.hpp>
#include <boost/python/tuple.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <tuple>
#include <unordered_map>

namespace MQO {

namespace python = boost::python;

namespace {

// Blender keeps bone and vertex group names to 63 bytes (before 5.0): names
// are cut there, on a character's boundary, and then told apart, so that
// every bone and its vertex group keep one name in every Blender.
constexpr std::size_t name_bytes = 63;

// Each bone's name: its own, cut; "Bone" and its id where it has none; a
// name already taken gets ".001", ".002", ... as Blender would give it.
std::vector<std::string> bone_names(std::vector<CompanionBone> const& bones)
{
    std::vector<std::string> names;
    std::unordered_map<std::string, std::size_t> taken;
    for (CompanionBone const& bone : bones) {
        std::string name(utf8_prefix(bone.name.empty() ? "Bone" + std::to_string(bone.id) : bone.name, name_bytes));
        if (taken.count(name)) {
            std::size_t& next = taken[name];
            std::string numbered;
            do {
                char suffix[16];
                std::snprintf(suffix, sizeof suffix, ".%03zu", ++next);
                numbered = std::string(utf8_prefix(name, name_bytes - std::strlen(suffix))) + suffix;
            } while (taken.count(numbered));
            name = numbered;
        }
        taken.emplace(name, 0);
        names.push_back(name);
    }
    return names;
}

// The bones ordered so that each comes after its parent.
std::vector<std::size_t> parents_first(std::vector<std::ptrdiff_t> const& parents)
{
    std::vector<std::size_t> depth(parents.size(), 0);
    std::vector<bool> known(parents.size(), false);
    std::vector<std::size_t> walk;
    for (std::size_t i = 0; i < parents.size(); ++i) {
        walk.clear();
        std::ptrdiff_t b = std::ptrdiff_t(i);
        while (b >= 0 && !known[std::size_t(b)]) {
            walk.push_back(std::size_t(b));
            b = parents[std::size_t(b)];
        }
        std::size_t d = b >= 0 ? depth[std::size_t(b)] + 1 : 0;
        for (std::size_t k = walk.size(); k-- > 0; ++d) {
            depth[walk[k]] = d;
            known[walk[k]] = true;
        }
    }
    std::vector<std::size_t> order(parents.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return depth[a] < depth[b]; });
    return order;
}

typedef std::array<double, 3> Point;

double distance(Point const& a, Point const& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Each bone's tail in the document's axes: its tip; for a joint of the
// newer set, the head of its first child that stands apart from it; for a
// bone without either (a tip at the origin, or at the head), a quarter of
// its parent's length along its parent, or, for a root, up by a twentieth
// of the skeleton's extent.
std::vector<Point> tails(std::vector<CompanionBone> const& bones, std::vector<std::ptrdiff_t> const& parents,
                         std::vector<std::size_t> const& order)
{
    Point low = bones.front().root;
    Point high = low;
    for (CompanionBone const& bone : bones)
        for (std::size_t c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], bone.root[c]);
            high[c] = std::max(high[c], bone.root[c]);
        }
    double const extent = distance(low, high);
    double const root_length = extent > 0.0 ? extent / 20.0 : 1.0;
    std::vector<std::ptrdiff_t> first_child(bones.size(), -1);
    for (std::size_t i = 0; i < bones.size(); ++i) {
        std::ptrdiff_t const p = parents[i];
        if (p >= 0 && first_child[std::size_t(p)] < 0 && distance(bones[i].root, bones[std::size_t(p)].root) > 0.0)
            first_child[std::size_t(p)] = std::ptrdiff_t(i);
    }
    std::vector<Point> tail(bones.size());
    for (std::size_t i : order) {
        CompanionBone const& bone = bones[i];
        if (bone.has_tip && distance(bone.tip, bone.root) > 0.0) {
            tail[i] = bone.tip;
            continue;
        }
        if (bone.joint && first_child[i] >= 0) {
            tail[i] = bones[std::size_t(first_child[i])].root;
            continue;
        }
        Point direction{0.0, 1.0, 0.0};
        double length = root_length;
        if (parents[i] >= 0) {
            std::size_t const p = std::size_t(parents[i]);
            double const parent_length = distance(tail[p], bones[p].root);
            for (std::size_t c = 0; c < 3; ++c)
                direction[c] = (tail[p][c] - bones[p].root[c]) / parent_length;
            length = parent_length / 4.0;
        }
        for (std::size_t c = 0; c < 3; ++c)
            tail[i][c] = bone.root[c] + direction[c] * length;
    }
    return tail;
}

HostObject vector(Frame const& frame, Point const& p)
{
    std::array<double, 3> const h = frame.point(p[0], p[1], p[2]);
    return host::blender("Mathutils").attr("Vector")(python::make_tuple(h[0], h[1], h[2]));
}

}  // namespace

void RigBuilder::build_bones(std::vector<HostObject> const& objects, Frame const& frame)
{
    std::vector<CompanionBone> const& bones = companion_.bones;
    if (bones.empty())
        return;
    std::vector<std::ptrdiff_t> const parents = bone_parents(bones);
    std::vector<std::size_t> const order = parents_first(parents);
    std::vector<std::string> const names = bone_names(bones);
    std::vector<Point> const tail = tails(bones, parents, order);

    std::string const document_name = document_stem_of(document_path_);
    HostObject const module = host::blender("Armature");
    HostObject const armature = module.attr("New")(host::bytes(document_name));
    HostObject const object = host::blender("Object").attr("New")("Armature", host::bytes(document_name));
    object.attr("link")(armature);
    host::blender("Scene").attr("getCurrent")().attr("link")(object);
    armature.attr("makeEditable")();
    HostObject const edit_bones = armature.attr("bones");
    for (std::size_t i : order) {
        HostObject const bone = module.attr("Editbone")();
        python::setattr(bone, "head", vector(frame, bones[i].root));
        python::setattr(bone, "tail", vector(frame, tail[i]));
        if (parents[i] >= 0)
            python::setattr(bone, "parent", HostObject(edit_bones[utf8_text(names[std::size_t(parents[i])])]));
        if (bones[i].hidden) {
            python::list options;
            options.append(HostObject(module.attr("HIDDEN_EDIT")));
            python::setattr(bone, "options", options);
        }
        python::api::setitem(edit_bones, utf8_text(names[i]), bone);
    }
    armature.attr("update")();

    std::size_t const skinned = skin(objects, object, names);
    console() << "Armature [" << Shown{document_name} << "]: " << bones.size() << " bones, " << skinned
              << " objects skinned" << '\n'
              << std::flush;
}

namespace {

// The objects and vertices that the companion's weights name: an object by
// its "uid" line (the uid-th in document order where the document numbers
// none), a vertex by its uid in its object (the uid-th where the object
// numbers none). Only objects read whole have a mesh to weigh.
class WeighedVertices
{
public:
    explicit WeighedVertices(std::vector<RigObject> const& objects)
        : objects_(objects), by_uid_(objects.size()), indexed_(objects.size(), false)
    {
        bool some_numbered = false;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i].uid >= 0) {
                objects_by_uid_.emplace(std::uint32_t(objects[i].uid), i);
                some_numbered = true;
            }
        }
        if (!some_numbered)
            for (std::size_t i = 0; i < objects.size(); ++i)
                objects_by_uid_.emplace(std::uint32_t(i + 1), i);
    }

    bool find(BoneWeight const& weight, std::size_t& object, std::uint32_t& vertex)
    {
        auto const found = objects_by_uid_.find(weight.object);
        if (found == objects_by_uid_.end() || !objects_[found->second].complete)
            return false;
        object = found->second;
        RigObject const& record = objects_[object];
        auto& vertices = by_uid_[object];
        if (!indexed_[object]) {
            indexed_[object] = true;
            for (std::size_t v = 0; v < std::min(record.vertex_uids.size(), record.vertices); ++v)
                vertices.emplace(record.vertex_uids[v], std::uint32_t(v));
        }
        auto const at = vertices.find(weight.vertex);
        if (at != vertices.end()) {
            vertex = at->second;
            return true;
        }
        if (!record.vertex_uids.empty() || weight.vertex < 1 || weight.vertex > record.vertices)
            return false;
        vertex = weight.vertex - 1;
        return true;
    }

private:
    std::vector<RigObject> const& objects_;
    std::unordered_map<std::uint32_t, std::size_t> objects_by_uid_;
    std::vector<std::unordered_map<std::uint32_t, std::uint32_t> > by_uid_;
    std::vector<bool> indexed_;
};

// (object, weight in percent, vertex), sorted: one object's vertices of one
// weight follow each other.
typedef std::vector<std::tuple<std::size_t, float, std::uint32_t> > Placed;

// A bone's vertex group on each object it weighs, one host call per object
// and weight. Marks the objects in `skinned`.
void write_groups(std::vector<HostObject> const& objects, HostObject const& group, Placed const& placed,
                  std::vector<bool>& skinned)
{
    HostObject const replace = host::blender("NMesh").attr("AssignModes").attr("REPLACE");
    for (std::size_t i = 0; i < placed.size();) {
        std::size_t const o = std::get<0>(placed[i]);
        HostObject const mesh = objects[o].attr("getData")(0, 1);
        mesh.attr("addVertGroup")(group);
        skinned[o] = true;
        while (i < placed.size() && std::get<0>(placed[i]) == o) {
            float const weight = std::get<1>(placed[i]);
            python::list numbers;
            for (; i < placed.size() && std::get<0>(placed[i]) == o && std::get<1>(placed[i]) == weight; ++i)
                numbers.append(std::get<2>(placed[i]));
            mesh.attr("assignVertsToGroup")(group, numbers, double(weight) / 100.0, replace);
        }
    }
}

// The armature moves each skinned object; one of the document's top level
// goes under the armature (which stands at the origin: nothing moves), as
// exporters of skins expect, and one with a parent keeps it. How many.
std::size_t deform(std::vector<HostObject> const& objects, std::vector<bool> const& skinned,
                   HostObject const& armature)
{
    HostObject const modifier = host::blender("Modifier");
    HostObject const settings = modifier.attr("Settings");
    HostObject const kind = modifier.attr("Types").attr("ARMATURE");
    std::size_t count = 0;
    python::list roots;
    for (std::size_t o = 0; o < skinned.size(); ++o) {
        if (!skinned[o])
            continue;
        ++count;
        if (HostObject(objects[o].attr("parent")).is_none())
            roots.append(objects[o]);
        HostObject const made = objects[o].attr("modifiers").attr("append")(kind);
        python::api::setitem(made, HostObject(settings.attr("OBJECT")), armature);
        python::api::setitem(made, HostObject(settings.attr("VGROUPS")), true);
        python::api::setitem(made, HostObject(settings.attr("ENVELOPES")), false);
    }
    if (python::len(roots) > 0)
        armature.attr("makeParent")(roots);
    return count;
}

}  // namespace

// Each object's vertices that the bones weigh, as one vertex group per bone
// (weights from percent to 0 to 1), moved by the armature. Weights that
// name no object or vertex of the document are passed over and counted.
std::size_t RigBuilder::skin(std::vector<HostObject> const& objects, HostObject const& armature,
                             std::vector<std::string> const& names)
{
    WeighedVertices vertices(records_);
    std::vector<bool> skinned(records_.size(), false);
    std::size_t missed = 0;
    Placed placed;
    for (std::size_t b = 0; b < companion_.bones.size(); ++b) {
        placed.clear();
        for (BoneWeight const& w : companion_.bones[b].weights) {
            std::size_t object = 0;
            std::uint32_t vertex = 0;
            if (vertices.find(w, object, vertex))
                placed.emplace_back(object, w.weight, vertex);
            else
                ++missed;
        }
        std::sort(placed.begin(), placed.end());
        write_groups(objects, utf8_text(names[b]), placed, skinned);
    }
    std::size_t const count = deform(objects, skinned, armature);
    if (missed > 0)
        console() << missed << " weights name no object or vertex of the document" << '\n' << std::flush;
    return count;
}

}  // namespace MQO
