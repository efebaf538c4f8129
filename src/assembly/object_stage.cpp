#include "assembly/object_stage.hpp"

#include "assembly/face_chunk.hpp"
#include "assembly/hierarchy.hpp"
#include "document/console.hpp"
#include "objects/object_parser.hpp"
#include "objects/vertex_section.hpp"

#include <ostream>

namespace MQO {

bool object_stage(Reading const& reading)
{
    scanner_t const& scan = reading.scan;
    DocumentSink& sink = reading.sink;
    skip_whitespace(scan);
    if (scan.first == scan.last)
        return false;
    iterator_t const start = scan.first;
    DepthList depths;
    std::ostream& out = console();
    out << "Beginning Object Stage\n";

    std::string_view name;
    for (std::size_t object = 0;; ++object) {
        skip_whitespace(scan);
        bool complete = false;
        // A document that ends inside an object: reading stopped at the
        // object's head, which is where the report points.
        bool const read = restore_on_failure(scan, [&] {
            if (!parse_object_head(scan, name))
                return true;
            out << "Parsing Object [" << Shown{name} << "]" << '\n' << std::flush;
            sink.begin_object(name);
            parse_object_attributes(reading, object, depths);
            parse_vertex_section(reading);
            out << "\tVertices " << sink.vertex_count() << " Converted" << '\n' << std::flush;
            if (!parse_face_chunk(reading)) {
                // An object whose chunk stopped early is not complete: it
                // takes no part in the hierarchy.
                if (entry_of(depths, object))
                    depths.pop_back();
                return !scan.at_end();
            }
            complete = true;
            return true;
        });
        if (!read || !complete)
            break;
        out << "\tFaces " << sink.face_count() << " Converted" << '\n' << std::flush;
        sink.end_object();
        classic::ch_p('}').parse(scan);
        skip_foreign_chunks(reading);
    }

    if (scan.first == start || depths.empty())
        return false;
    build_hierarchy(depths, sink);
    return true;
}

}  // namespace MQO
