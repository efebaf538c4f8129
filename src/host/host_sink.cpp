#include "host/host_sink.hpp"

namespace MQO {

namespace python = boost::python;

HostSink::~HostSink()
{
    if (!code_page_set_)
        return;
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    try {
        host::blender("Set")("codepage", HostObject());
    } catch (python::error_already_set const&) {
        PyErr_Clear();
    } catch (...) {
    }
    PyErr_Restore(type, value, traceback);
}

void HostSink::progress(double fraction)
{
    host::report_progress(fraction, "...");
}

void HostSink::code_page(std::string_view page)
{
    host::blender("Set")("codepage", host::bytes(page));
    code_page_set_ = true;
    materials_.textures().set_code_page(std::string(page));
    rig_.code_page(page);
}

}  // namespace MQO
