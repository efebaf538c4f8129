// libFuzzer target: every input is written to a file and converted with
// readmqo into the in-memory host, inside an embedded interpreter. Host
// errors are expected (broken documents may name missing vertices); memory
// errors and undefined behaviour are what the sanitizers look for. The
// rigged sample's companion lies beside the file under its own name, so
// that any input that names a companion gets a rig built from it.
#include "document/console.hpp"
#include "module/driver.hpp"

#include <boost/python.hpp>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#ifndef MIVKA_HOST_DIR
#error "MIVKA_HOST_DIR must name the folder of the Blender host package"
#endif

namespace python = boost::python;

namespace {

std::string document_path;
python::object reset_host;
python::object registry_set_key;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Py_InitializeEx(0);
    python::object const sys = python::import("sys");
    sys.attr("path").attr("insert")(0, MIVKA_HOST_DIR);
    sys.attr("path").attr("insert")(0, MIVKA_HOST_DIR "/../common");
    python::object const blender = python::import("Blender");
    reset_host = blender.attr("reset");
    registry_set_key = blender.attr("Registry").attr("SetKey");
    // No bar on a terminal while fuzzing.
    python::exec("def draw(fraction, text):\n    float(fraction); str(text)\n",
                 python::import("__main__").attr("__dict__"));
    blender.attr("Window").attr("DrawProgressBar") = python::import("__main__").attr("draw");

    const char* const folder = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string const stem = std::string(folder) + "/mivka-fuzz-" + std::to_string(::getpid());
    document_path = stem + ".mqo";
    std::ifstream const companion(MIVKA_HOST_DIR "/../../samples/rigged.mqx", std::ios::binary);
    std::ofstream(stem + ".mqx", std::ios::binary | std::ios::trunc) << companion.rdbuf();
    MQO::redirect_console(&MQO::discarding_stream());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        std::ofstream file(document_path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // Inputs of odd length are read with extended reading on.
    registry_set_key("Mivka", python::dict(python::make_tuple(python::make_tuple("Extended", bool(size & 1)))));
    try {
        MQO::readmqo(document_path);
    } catch (python::error_already_set const&) {
        PyErr_Clear();
    } catch (std::exception const&) {
        // Errors of the module's libraries become Python errors in the module.
    }
    reset_host(true);
    return 0;
}
