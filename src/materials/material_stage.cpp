#include "materials/material_stage.hpp"

#include "document/clock.hpp"
#include "document/console.hpp"

#include <ostream>

namespace MQO {

bool convert_materials(MaterialParser const& parser, Reading const& reading)
{
    scanner_t const& scan = reading.scan;
    DocumentSink& sink = reading.sink;
    skip_whitespace(scan);
    if (scan.at_end() || !parser.parse_head(scan))
        return false;

    std::int64_t const start_ms = clock_ms();
    iterator_t const start = scan.first;
    std::ostream& out = console();
    std::string_view name;
    while (parser.parse_name(scan, name)) {
        sink.begin_material(name);
        out << "Creating Material -" << Shown{name} << '\n' << std::flush;
        parser.parse_attributes(reading);
        sink.end_material();
    }

    if (scan.first == start) {
        out << "Parse Error in Material Parser" << '\n' << std::flush;
        return false;
    }
    out << "Material Convert Time " << seconds_since(start_ms) << "sec\n\n" << '\n' << std::flush;
    classic::ch_p('}').parse(scan);
    return true;
}

}  // namespace MQO
