#include "host/host.hpp"

#include "host/fast_call.hpp"

#include <boost/python/extract.hpp>
#include <boost/python/tuple.hpp>

namespace MQO {
namespace host {

namespace python = boost::python;

PyObject* name(const char* text)
{
    PyObject* const made = PyUnicode_InternFromString(text);
    if (!made)
        python::throw_error_already_set();
    return made;
}

void set_attribute(HostObject const& object, PyObject* attribute_name, HostObject const& value)
{
    if (PyObject_SetAttr(object.ptr(), attribute_name, value.ptr()) != 0)
        python::throw_error_already_set();
}

HostObject blender(const char* item)
{
    return blender(take(PyUnicode_FromString(item)).ptr());
}

HostObject blender(PyObject* item)
{
    // The module as imported, straight from the runtime's table of modules
    // when it is there; through the import machinery otherwise (which also
    // raises the import error for a module that is missing or blocked).
    static PyObject* const module_name = name("Blender");
    static PyObject* const dictionary_name = name("__dict__");
    PyObject* module = PyImport_GetModule(module_name);
    if (module == Py_None) {
        Py_DECREF(module);
        module = nullptr;
    }
    if (!module) {
        if (PyErr_Occurred())
            python::throw_error_already_set();
        module = PyImport_Import(module_name);
    }
    HostObject const dictionary = attribute(take(module), dictionary_name);
    return take(PyObject_GetItem(dictionary.ptr(), item));
}

HostObject bytes(std::string_view text)
{
    PyObject* const value = PyBytes_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    return HostObject(python::handle<>(value));
}

HostObject new_list()
{
    return python::list();
}

bool load_image(std::string_view path, HostObject& image)
{
    HostObject const load = blender("Image").attr("Load");
    PyObject* const loaded = PyObject_CallOneArg(load.ptr(), bytes(path).ptr());
    if (!loaded) {
        if (!PyErr_ExceptionMatches(PyExc_OSError))
            python::throw_error_already_set();
        PyErr_Clear();
        return false;
    }
    image = take(loaded);
    return true;
}

bool in_current_scene(HostObject const& object)
{
    HostObject const objects = blender("Scene").attr("getCurrent")().attr("objects");
    int const found = PySequence_Contains(objects.ptr(), object.ptr());
    if (found < 0)
        python::throw_error_already_set();
    return found == 1;
}

HostObject turn_matrix(double x, double y, double z)
{
    std::array<double, 3> const a = Frame::per_host_axis(x, y, z);
    HostObject const euler = blender("Mathutils").attr("Euler")(python::make_tuple(a[0], a[1], a[2]));
    return euler.attr("toMatrix")().attr("resize4x4")();
}

void report_progress(double fraction, const char* message)
{
    blender("Window").attr("DrawProgressBar")(fraction, message);
}

bool registry_flag(const char* key)
{
    python::dict const record = registry_record();
    if (!record.has_key(key))
        return false;
    int const truth = PyObject_IsTrue(HostObject(record[key]).ptr());
    if (truth < 0)
        python::throw_error_already_set();
    return truth == 1;
}

python::dict registry_record()
{
    HostObject const record = blender("Registry").attr("GetKey")("Mivka", 1);
    if (record.is_none())
        return python::dict();
    return python::dict(record);
}

double registry_scale()
{
    python::dict const record = registry_record();
    if (!record.has_key("Scale"))
        return 1.0;
    return python::extract<double>(record["Scale"]);
}

}  // namespace host
}  // namespace MQO
