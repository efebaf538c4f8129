#include "host/mesh_builder.hpp"

#include "host/fast_call.hpp"

#include <boost/python/extract.hpp>

namespace MQO {

namespace python = boost::python;

void raise_beyond_list()
{
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    python::throw_error_already_set();
    throw python::error_already_set();
}

std::size_t host_count(HostObject const& sequence)
{
    return python::extract<std::size_t>(sequence.attr("__len__")());
}

std::unique_ptr<MeshBuilder> MeshBuilder::for_mesh(HostObject const& mesh, MeshSlots slots)
{
    static PyObject* const put_buffers = host::name("putBuffers");
    if (PyObject* const found = PyObject_GetAttr(mesh.ptr(), put_buffers)) {
        HostObject const method = host::take(found);
        if (PyCallable_Check(method.ptr()))
            return whole_mesh_builder(mesh, method, std::move(slots));
    } else if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
        PyErr_Clear();
    } else {
        python::throw_error_already_set();
    }
    return call_by_call_builder(mesh, std::move(slots));
}

std::int32_t MeshSlots::slot(std::int32_t number)
{
    auto const found = slots_.find(number);
    if (found != slots_.end())
        return found->second;
    if (std::size_t(number) >= material_count_)
        raise_beyond_list();
    static PyObject* const add_material = host::name("addMaterial");
    host::call_method(mesh_, add_material, HostObject(materials_[number]));
    std::int32_t const slot = std::int32_t(slots_.size());
    slots_.emplace(number, slot);
    return slot;
}

}  // namespace MQO
