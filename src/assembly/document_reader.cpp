#include "assembly/document_reader.hpp"

#include "assembly/object_stage.hpp"
#include "document/header.hpp"
#include "materials/material_stage.hpp"

#include <cstring>

namespace MQO {

namespace {

// A document without materials has no Material chunk: its first Object
// chunk follows the header.
bool at_object_head(scanner_t const& scan)
{
    static char const object[] = "Object";
    iterator_t const p = skip_space(scan.first, scan.last);
    std::size_t const length = sizeof object - 1;
    return std::size_t(scan.last - p) >= length && std::memcmp(p, object, length) == 0;
}

}  // namespace

bool read_document(scanner_t const& scan, DocumentSink& sink)
{
    ExtendedSwitch plain = ExtendedSwitch::fixed(false);
    return read_document(Reading{scan, sink, plain});
}

bool read_document(Reading const& reading)
{
    scanner_t const& scan = reading.scan;
    skip_whitespace(scan);
    if (!match_header(reading))
        return false;
    skip_foreign_chunks(reading);
    MaterialParser const parser;
    if (at_object_head(scan) || convert_materials(parser, reading)) {
        skip_foreign_chunks(reading);
        reading.sink.begin_objects();
        object_stage(reading);
        reading.sink.end_objects();
    }
    return true;
}

}  // namespace MQO
