// Reading the companion, keeping what the objects carry for it, and the
// morphs as shape keys.
#include "host/rig_builder.hpp"

#include "document/companion_file.hpp"
#include "document/console.hpp"
#include "document/texture_paths.hpp"
#include "host/fast_call.hpp"

#include <boost/python/extract.hpp>
#include <boost/python/tuple.hpp>

#include <array>
#include <ostream>
#include <unordered_map>

namespace MQO {

namespace python = boost::python;

namespace {

// An object's name as the companion writes names: in UTF-8.
std::string utf8_name(std::string_view name, std::string const& code_page)
{
    std::optional<std::string> converted = utf8_of(std::string(name), code_page);
    return converted ? *converted : std::string(name);
}

typedef std::array<std::array<double, 4>, 4> Matrix;

// The inverse of the object's matrix (rows: x, y, z axes, then translation).
Matrix inverse_of(HostObject const& object)
{
    HostObject const inverse = object.attr("getInverseMatrix")();
    Matrix m{};
    for (std::size_t r = 0; r < 4; ++r)
        for (std::size_t c = 0; c < 4; ++c)
            m[r][c] = python::extract<double>(inverse[r][c]);
    return m;
}

// A target's vertices in the host's axes and scale, moved by `inverse` into
// its base's frame: doubles, x y z after each other.
HostObject positions(RigObject const& target, Matrix const& inverse, Frame const& frame)
{
    std::vector<double> coordinates;
    coordinates.reserve(target.kept.size());
    for (std::size_t v = 0; v + 2 < target.kept.size(); v += 3) {
        std::array<double, 3> const p = frame.point(target.kept[v], target.kept[v + 1], target.kept[v + 2]);
        for (std::size_t c = 0; c < 3; ++c)
            coordinates.push_back(p[0] * inverse[0][c] + p[1] * inverse[1][c] + p[2] * inverse[2][c] + inverse[3][c]);
    }
    return host::take(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(coordinates.data()),
                                                Py_ssize_t(coordinates.size() * sizeof(double))));
}

}  // namespace

HostObject utf8_text(std::string const& utf8)
{
    return host::take(PyUnicode_DecodeUTF8(utf8.data(), Py_ssize_t(utf8.size()), "replace"));
}

void RigBuilder::companion(std::string_view file)
{
    // A document names one companion; a second line names no other.
    if (active_)
        return;
    CompanionSearch search;
    search.document_path = document_path_;
    search.text = double_bytes_of(code_page_);
    search.archive = archive_;
    std::string where;
    std::string why;
    std::ostream& out = console();
    switch (load_companion(search, file, companion_, where, why)) {
    case CompanionOutcome::missing:
        out << "Companion file not found. " << Shown{where} << '\n' << std::flush;
        return;
    case CompanionOutcome::unreadable:
        out << "Unable to read companion file. " << Shown{where} << ": " << why << '\n' << std::flush;
        return;
    case CompanionOutcome::read:
        break;
    }
    out << "Companion file read. " << Shown{where} << ": " << companion_.bones.size() << " bones, "
        << companion_.morphs.size() << " morphs" << '\n'
        << std::flush;
    active_ = !companion_.bones.empty() || !companion_.morphs.empty();
    for (MorphList const& list : companion_.morphs)
        for (std::string const& target : list.targets)
            target_names_.insert(target);
}

void RigBuilder::begin_object(std::string_view name)
{
    if (!active_)
        return;
    records_.emplace_back();
    RigObject& record = records_.back();
    record.name = utf8_name(name, code_page_);
    record.target = target_names_.count(record.name) != 0;
}

void RigBuilder::object_uid(std::uint32_t uid)
{
    if (active_ && !records_.empty())
        records_.back().uid = uid;
}

void RigBuilder::vertex_uid(std::uint32_t uid)
{
    // One number per vertex read before them: more name no vertex.
    if (active_ && !records_.empty() && !companion_.bones.empty() &&
        records_.back().vertex_uids.size() < records_.back().vertices)
        records_.back().vertex_uids.push_back(uid);
}

void RigBuilder::vertex(float x, float y, float z)
{
    if (!active_ || records_.empty())
        return;
    RigObject& record = records_.back();
    ++record.vertices;
    if (record.target)
        record.kept.insert(record.kept.end(), {x, y, z});
}

void RigBuilder::end_object()
{
    if (active_ && !records_.empty())
        records_.back().complete = true;
}

void RigBuilder::end_objects(std::vector<HostObject> const& objects, Frame const& frame)
{
    // Objects begun before the companion was read are not known to it.
    if (!active_ || records_.size() != objects.size())
        return;
    build_morphs(objects, frame);
    build_bones(objects, frame);
    records_.clear();
    companion_ = Companion();
}

// Each target of the right size becomes a shape key of its base, with the
// target's vertices where the document puts them, in the base's own frame;
// the target object then leaves the scene.
void RigBuilder::build_morphs(std::vector<HostObject> const& objects, Frame const& frame)
{
    // Only objects read whole, and with vertices, have a mesh to shape.
    std::unordered_map<std::string, std::size_t> by_name;
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (records_[i].complete && records_[i].vertices > 0)
            by_name.emplace(records_[i].name, i);
    HostObject const scene = host::blender("Scene").attr("getCurrent")();
    std::vector<bool> used(records_.size(), false);
    std::ostream& out = console();
    for (MorphList const& list : companion_.morphs) {
        auto const base = by_name.find(list.base);
        if (base == by_name.end())
            continue;
        std::size_t const b = base->second;
        HostObject const mesh = objects[b].attr("getData")(0, 1);
        Matrix const inverse = inverse_of(objects[b]);
        for (std::string const& name : list.targets) {
            auto const target = by_name.find(name);
            if (target == by_name.end() || target->second == b || used[target->second])
                continue;
            RigObject const& record = records_[target->second];
            if (record.vertices != records_[b].vertices) {
                out << "Morph target [" << Shown{name} << "] has " << record.vertices << " vertices, its base ["
                    << Shown{list.base} << "] " << records_[b].vertices << ": kept as an object of its own\n"
                    << std::flush;
                continue;
            }
            mesh.attr("putShapeKey")(utf8_text(name), positions(record, inverse, frame));
            used[target->second] = true;
            scene.attr("unlink")(objects[target->second]);
        }
    }
}

}  // namespace MQO
