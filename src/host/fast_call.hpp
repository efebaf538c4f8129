// Host calls on the hot paths (one per vertex, corner or face), made through
// the runtime's C interface: attribute names made once, arguments passed
// without building tuples. Results come back as counted references like
// every other host value, and a failing call raises the host's error.
#ifndef MIVKA_HOST_FAST_CALL_HPP
#define MIVKA_HOST_FAST_CALL_HPP

#include "host/host.hpp"

#include <cstddef>

namespace MQO {
namespace host {

// An attribute or method name, made on first use and kept for the life of
// the process (names stay valid across conversions and interpreters' uses).
PyObject* name(const char* text);

// Takes ownership of a new reference; raises the host's error for null.
inline HostObject take(PyObject* reference)
{
    return HostObject(boost::python::handle<>(reference));
}

inline HostObject number(double value)
{
    return take(PyFloat_FromDouble(value));
}

inline HostObject integer(unsigned long value)
{
    return take(PyLong_FromUnsignedLong(value));
}

inline HostObject attribute(HostObject const& object, PyObject* attribute_name)
{
    return take(PyObject_GetAttr(object.ptr(), attribute_name));
}

void set_attribute(HostObject const& object, PyObject* attribute_name, HostObject const& value);

// callable(arguments...)
template <typename... Objects>
HostObject call(HostObject const& callable, Objects const&... arguments)
{
    PyObject* stack[] = {nullptr, arguments.ptr()...};
    return take(PyObject_Vectorcall(callable.ptr(), stack + 1, sizeof...(arguments) | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                    nullptr));
}

// object.method(arguments...)
template <typename... Objects>
HostObject call_method(HostObject const& object, PyObject* method, Objects const&... arguments)
{
    PyObject* stack[] = {object.ptr(), arguments.ptr()...};
    return take(PyObject_VectorcallMethod(method, stack, 1 + sizeof...(arguments), nullptr));
}

}  // namespace host
}  // namespace MQO

#endif
