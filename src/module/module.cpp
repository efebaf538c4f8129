// The extension module Mivka: registers readmqo and nothing else.
#include "module/driver.hpp"

#include <boost/python/def.hpp>
#include <boost/python/docstring_options.hpp>
#include <boost/python/errors.hpp>
#include <boost/python/module.hpp>
#include <boost/python/object.hpp>

#include <string>

namespace {

namespace python = boost::python;

// A path is bytes (any bytes subclass too), used unchanged, or str, encoded
// with the file-system encoding as the host's own file functions do.
std::string path_bytes(python::object const& path)
{
    PyObject* const argument = path.ptr();
    python::object encoded;
    PyObject* source = argument;
    if (PyUnicode_Check(argument)) {
        encoded = python::object(python::handle<>(PyUnicode_EncodeFSDefault(argument)));
        source = encoded.ptr();
    } else if (!PyBytes_Check(argument)) {
        PyErr_Format(PyExc_TypeError, "readmqo() argument must be str or bytes, not %.200s", Py_TYPE(argument)->tp_name);
        python::throw_error_already_set();
    }
    char* data = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(source, &data, &size) != 0)
        python::throw_error_already_set();
    std::string bytes(data, static_cast<std::size_t>(size));
    if (bytes.find('\0') != std::string::npos) {
        PyErr_SetString(PyExc_ValueError, "readmqo() path contains a NUL byte");
        python::throw_error_already_set();
    }
    return bytes;
}

void readmqo(python::object const& path)
{
    MQO::readmqo(path_bytes(path));
}

}  // namespace

BOOST_PYTHON_MODULE(Mivka)
{
    python::docstring_options const no_docstrings(false, false, false);
    python::def("readmqo", readmqo);
}
