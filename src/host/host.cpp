#include "host/host.hpp"

#include <boost/python/import.hpp>

namespace MQO {
namespace host {

namespace python = boost::python;

HostObject blender(const char* name)
{
    python::object const module = python::import("Blender");
    python::dict const dictionary(module.attr("__dict__"));
    return dictionary[name];
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

python::dict registry_record()
{
    HostObject const record = blender("Registry").attr("GetKey")("Mivka", 1);
    if (record.is_none())
        return python::dict();
    return python::dict(record);
}

}  // namespace host
}  // namespace MQO
