#include "objects/transform.hpp"

#include "objects/object_parser.hpp"

#include <boost/python/tuple.hpp>

namespace MQO {

namespace python = boost::python;

namespace {
double translation_scale = 1.0;
}

void set_translation_scale(double scale)
{
    translation_scale = scale;
}

void apply_object_transform(HostObject const& object, std::int32_t kind, double c1, double c2, double c3)
{
    HostObject const mathutils = host::blender("Mathutils");
    HostObject step;
    if (kind == scale_kind) {
        // The document's second and third axes are the host's third and second.
        HostObject const rows = mathutils.attr("Matrix")(python::make_tuple(c1, 0.0, 0.0), python::make_tuple(0.0, c3, 0.0),
                                                         python::make_tuple(0.0, 0.0, c2));
        step = rows.attr("resize4x4")();
    } else if (kind == rotation_kind) {
        HostObject const euler = mathutils.attr("Euler")(python::make_tuple(c1, c3, c2));
        step = euler.attr("toMatrix")().attr("resize4x4")();
    } else if (kind == translation_kind) {
        double const s = translation_scale;
        HostObject const offset = mathutils.attr("Vector")(python::make_tuple(c1 * s, -(c3 * s), c2 * s));
        step = mathutils.attr("TranslationMatrix")(offset);
    } else {
        return;
    }
    HostObject const current = object.attr("matrix");
    object.attr("setMatrix")(current * step);
}

}  // namespace MQO
