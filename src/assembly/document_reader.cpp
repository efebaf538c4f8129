#include "assembly/document_reader.hpp"

#include "assembly/object_stage.hpp"
#include "document/foreign.hpp"
#include "document/header.hpp"
#include "document/progress_parser.hpp"
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

void skip_foreign_chunks(scanner_t const& scan, DocumentSink& sink, ExtendedSwitch& extended)
{
    while (foreign_word_at(scan, {"Material", "Object", "Eof"}) && extended.on()) {
        std::string_view const page = code_page_at(scan);
        if (!page.empty())
            sink.code_page(page);
        if (!skip_foreign_line(scan, {}))
            break;
    }
}

bool read_document(scanner_t const& scan, DocumentSink& sink)
{
    ExtendedSwitch plain = ExtendedSwitch::fixed(false);
    return read_document(scan, sink, plain);
}

bool read_document(scanner_t const& scan, DocumentSink& sink, ExtendedSwitch& extended)
{
    reset_progress_total();
    skip_whitespace(scan);
    if (!match_header(
            scan, [&](double fraction) { sink.progress(fraction); }, extended,
            [&](std::string_view page) { sink.code_page(page); }))
        return false;
    skip_foreign_chunks(scan, sink, extended);
    MaterialParser const parser;
    if (at_object_head(scan) || convert_materials(parser, scan, sink, extended)) {
        skip_foreign_chunks(scan, sink, extended);
        sink.begin_objects();
        object_stage(scan, sink, extended);
    }
    return true;
}

}  // namespace MQO
