// How Metasequoia shows a mesh object, in the host: smooth faces, hidden
// objects, and mirror, subdivision and lathe as modifiers within the
// document's budget; and the vertices' weights.
#include "host/object_builder.hpp"

#include "document/console.hpp"

#include <boost/python/list.hpp>
#include <boost/variant/get.hpp>

#include <algorithm>
#include <cmath>
#include <ostream>

namespace MQO {

namespace python = boost::python;

// How Metasequoia shows the object: smooth
// faces with a crease angle ("shading 1", "facet"), hidden ("visible 0"),
// mirrored, subdivided, turned on a lathe.
void ObjectBuilder::display_setting(ObjectAttribute attribute, attribute_value const& value)
{
    Display& d = display_;
    auto const whole = [&] { return boost::get<std::uint32_t>(value); };
    switch (attribute) {
    case shading_attribute: d.smooth = whole() == 1; break;
    case facet_attribute: d.facet = boost::get<double>(value); break;
    case mirror_attribute: d.mirror = whole(); break;
    case mirror_axis_attribute: d.mirror_axis = whole(); break;
    case patch_attribute: d.patch = whole(); break;
    case segment_attribute: d.segment = whole(); break;
    case lathe_attribute: d.lathe = whole(); break;
    case lathe_axis_attribute: d.lathe_axis = whole(); break;
    case lathe_seg_attribute: d.lathe_segments = whole(); break;
    case visible_attribute:
        if (whole() == 0) {
            object_.attr("restrictDisplay") = true;
            object_.attr("restrictRender") = true;
        }
        break;
    default: break;
    }
}


HostObject ObjectBuilder::add_modifier(const char* type)
{
    HostObject const kind = host::blender("Modifier").attr("Types").attr(type);
    return object_.attr("modifiers").attr("append")(kind);
}

namespace {

HostObject modifier_setting(const char* name)
{
    return host::blender("Modifier").attr("Settings").attr(name);
}

}  // namespace

// What the object's display settings ask of the host's modifiers: a lathe
// turns the profile once around the axis in as many steps as its segments
// (3 to 1024); a mirror doubles the mesh on each of its axes; a curved
// surface is shown subdivided: Catmull-Clark (patch 3 and 4) with the
// segment count as its levels; the spline surfaces (patch 1 and 2) divide
// each edge into `segment` parts, which the levels of a subdivision that
// halves edges approach from above. Levels from 1 to 6.
Modifiers ObjectBuilder::wanted_modifiers() const
{
    Display const& d = display_;
    Modifiers m;
    if (d.lathe != 0 && d.lathe_axis <= 2)
        m.steps = std::clamp<std::uint32_t>(d.lathe_segments, 3, 1024);
    if (mirrored()) {
        for (std::uint32_t axis = 1; axis <= 4; axis <<= 1)
            m.copies *= (d.mirror_axis & axis) ? 2 : 1;
    }
    if (d.patch != 0) {
        std::int64_t levels = 2;
        if (d.segment >= 0 && d.patch >= 3) {
            levels = d.segment;
        } else if (d.segment >= 0) {
            levels = 0;
            while ((std::int64_t(1) << levels) < d.segment && levels < 6)
                ++levels;
        }
        m.levels = std::uint32_t(std::clamp<std::int64_t>(levels, 1, 6));
    }
    return m;
}

void ObjectBuilder::add_lathe(std::uint32_t steps)
{
    if (steps == 0)
        return;
    HostObject modifier = add_modifier("SCREW");
    modifier[modifier_setting("AXIS")] = Frame::axis(display_.lathe_axis);
    modifier[modifier_setting("STEPS")] = long(steps);
    modifier[modifier_setting("RENDER_STEPS")] = long(steps);
}

// Metasequoia keeps one half of a mirrored object and shows both: a mirror
// modifier on the host's axes. Connected halves (mode 2) are joined where
// they meet.
void ObjectBuilder::add_mirror()
{
    Display const& d = display_;
    if (!mirrored())
        return;
    HostObject modifier = add_modifier("MIRROR");
    std::array<bool, 3> const on = Frame::axis_flags(d.mirror_axis);
    modifier[modifier_setting("AXIS_X")] = on[0];
    modifier[modifier_setting("AXIS_Y")] = on[1];
    modifier[modifier_setting("AXIS_Z")] = on[2];
    // Connected halves meet on the plane, where their vertices (and the
    // projections that join them) are welded to their images; separated
    // halves are never welded.
    modifier[modifier_setting("LIMIT")] = d.mirror == 2 ? 0.0001 : 0.0;
}

// The viewport shows one level fewer than a render, as the host's own
// subdivisions do, but at least one.
void ObjectBuilder::add_subdivision(std::uint32_t levels)
{
    if (levels == 0)
        return;
    HostObject modifier = add_modifier("SUBSURF");
    modifier[modifier_setting("LEVELS")] = long(std::max<std::uint32_t>(levels - 1, 1));
    modifier[modifier_setting("RENDLEVELS")] = long(levels);
}

// Says on the console where the document asked for more than the host
// can build.
void ObjectBuilder::report_lowered(Modifiers const& wanted, Modifiers const& built) const
{
    std::ostream& out = console();
    if (built.steps != wanted.steps) {
        if (built.steps == 0)
            out << "\tLathe of " << wanted.steps << " steps left out: too large to build\n";
        else
            out << "\tLathe lowered from " << wanted.steps << " to " << built.steps << " steps: too large to build\n";
    }
    if (built.levels != wanted.levels) {
        if (built.levels == 0)
            out << "\tSubdivision of " << wanted.levels << " levels left out: too large to build\n";
        else
            out << "\tSubdivision lowered from " << wanted.levels << " to " << built.levels
                << " levels: too large to build\n";
    }
}

// The vertices' weights ("weit") as the vertex group "weit", one host call
// per weight; numbers beyond the mesh's vertices (and weights that are no
// number) are passed over, and a vertex given twice keeps its last weight.
void ObjectBuilder::add_weights(std::size_t vertices)
{
    if (weights_.empty())
        return;
    std::vector<std::pair<double, std::uint32_t> > by_weight;
    std::vector<bool> seen(vertices, false);
    for (auto w = weights_.rbegin(); w != weights_.rend(); ++w) {
        if (w->first < vertices && !seen[w->first] && !std::isnan(w->second)) {
            seen[w->first] = true;
            by_weight.emplace_back(w->second, w->first);
        }
    }
    std::sort(by_weight.begin(), by_weight.end());
    mesh_.attr("addVertGroup")("weit");
    HostObject const replace = host::blender("NMesh").attr("AssignModes").attr("REPLACE");
    for (std::size_t i = 0; i < by_weight.size();) {
        python::list numbers;
        std::size_t j = i;
        for (; j < by_weight.size() && by_weight[j].first == by_weight[i].first; ++j)
            numbers.append(by_weight[j].second);
        mesh_.attr("assignVertsToGroup")("weit", numbers, by_weight[i].first, replace);
        i = j;
    }
    weights_.clear();
}


}  // namespace MQO
