// The thin layer over the host's scripting interface: the host module
// "Blender" and its submodules, reached afresh at every use, and the
// conversions of document text into host values.
#ifndef MIVKA_HOST_HOST_HPP
#define MIVKA_HOST_HOST_HPP

#include "host/frame.hpp"

#include <boost/python/dict.hpp>
#include <boost/python/list.hpp>
#include <boost/python/object.hpp>

#include <optional>
#include <string_view>

namespace MQO {

// A counted reference to a host object.
typedef boost::python::object HostObject;

namespace host {

// The item `name` ("Window", "Material", "NMesh", ...) of the host module
// "Blender"'s dictionary. Raises the host's error when the module cannot be
// imported or has no such item.
HostObject blender(const char* name);
HostObject blender(PyObject* name);

// Document text for the host: a bytes object holding the bytes unchanged.
HostObject bytes(std::string_view text);

// A new empty host list.
HostObject new_list();

// Image.Load of the file at `path` (bytes, unchanged) into `image`. False
// when the host raises OSError (IOError) for it: a file it cannot read as an
// image. Any other error of the host propagates.
bool load_image(std::string_view path, HostObject& image);

// Whether `object` is one of the objects of the host's current scene.
bool in_current_scene(HostObject const& object);

// A turn by angles about the document's X, Y and Z axes, as a 4x4 host
// matrix (Mathutils.Euler about the host's axes).
HostObject turn_matrix(double x, double y, double z);

// Shows `fraction` with `message` on the host's progress bar
// (Window.DrawProgressBar). Host errors propagate.
void report_progress(double fraction, const char* message);

// Whether the registry record "Mivka" holds `key` with a true value.
bool registry_flag(const char* key);

// The registry record "Mivka" as a dictionary. A host that never stored
// the record answers None, which reads as an empty record.
boost::python::dict registry_record();

// The scale factor of vertex positions and translations: the registry
// record's "Scale", 1 when it holds none.
double registry_scale();

// The frame of one conversion, its scale read from the registry on first
// need and kept for the rest of the conversion.
class RegistryFrame
{
public:
    Frame const& get()
    {
        if (!frame_)
            frame_.emplace(registry_scale());
        return *frame_;
    }

private:
    std::optional<Frame> frame_;
};

}  // namespace host
}  // namespace MQO

#endif
