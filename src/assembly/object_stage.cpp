#include "assembly/object_stage.hpp"

#include "assembly/face_chunk.hpp"
#include "assembly/hierarchy.hpp"
#include "document/console.hpp"
#include "objects/object_parser.hpp"
#include "objects/vertex_section.hpp"

#include <boost/python/extract.hpp>

#include <ostream>

namespace MQO {

namespace python = boost::python;

namespace {

int host_count(HostObject const& sequence)
{
    return python::extract<int>(sequence.attr("__len__")());
}

}  // namespace

bool object_stage(ObjectStageContext const& context, scanner_t const& scan)
{
    skip_whitespace(scan);
    if (scan.first == scan.last)
        return false;
    iterator_t const start = scan.first;
    DepthList depths;
    std::ostream& out = console();
    out << "Beginning Object Stage\n";

    std::string_view name;
    while (parse_object_head(scan, name)) {
        out << "Parsing Object [" << name << "]" << '\n' << std::flush;
        HostObject const name_bytes = host::bytes(name);
        HostObject const object = host::blender("Object").attr("New")("Mesh", name_bytes);
        HostObject const mesh = host::blender("NMesh").attr("New")(name_bytes);

        parse_object_attributes(scan, context, mesh, object, depths);
        parse_vertex_section(scan, context, mesh);
        out << "\tVertices " << host_count(mesh.attr("verts")) << " Converted" << '\n' << std::flush;
        if (!parse_face_chunk(context, scan, mesh)) {
            // An object whose chunk stopped early has no mesh linked: it takes
            // no part in the hierarchy.
            if (!depths.empty() && depths.back().object.ptr() == object.ptr())
                depths.pop_back();
            break;
        }
        out << "\tFaces " << host_count(mesh.attr("faces")) << " Converted" << '\n' << std::flush;

        mesh.attr("update")();
        object.attr("link")(mesh);
        host::blender("Scene").attr("getCurrent")().attr("link")(object);
        classic::ch_p('}').parse(scan);
    }

    if (scan.first == start || depths.empty())
        return false;
    build_hierarchy(depths);
    return true;
}

}  // namespace MQO
