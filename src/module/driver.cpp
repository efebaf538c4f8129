#include "module/driver.hpp"

#include "assembly/object_stage.hpp"
#include "document/console.hpp"
#include "document/document_source.hpp"
#include "document/header.hpp"
#include "document/progress_parser.hpp"
#include "host/host.hpp"
#include "materials/material_stage.hpp"
#include "materials/textures.hpp"
#include "module/progress.hpp"

#include <boost/python/extract.hpp>

#include <ostream>

namespace MQO {

namespace {

// Flushes the console on every way out of a conversion, so that no byte
// stays behind in the buffer or is overtaken by the host's own output.
struct ConsoleFlush
{
    ~ConsoleFlush() { console().flush(); }
};

// "Failed" in Shift_JIS, the header failure line.
char const header_failure_line[] = "\x8E\xB8\x94\x73\x28\x8A\xBE\n";

// The registry entry "Scale", or 1.0 when the record has none.
double registry_scale()
{
    if (!host::registry_record().has_key("Scale"))
        return 1.0;
    return boost::python::extract<double>(host::registry_record()["Scale"]);
}

}  // namespace

void readmqo(std::string const& path)
{
    ConsoleFlush const flush_on_exit;
    std::ostream& out = console();

    DocumentSource const source = DocumentSource::open(path);
    if (!source.valid()) {
        out << "Unable to OpenFile. " << path << '\n' << std::flush;
        return;
    }
    iterator_t position = source.begin();
    iterator_t const end = source.end();
    std::int64_t const start_ms = clock_ms();

    out << "Beginning Conversion." << path << '\n' << std::flush;

    scanner_t const scan(position, end);
    reset_progress_total();
    skip_whitespace(scan);
    if (!match_header(scan, report_progress_here)) {
        report_progress(1.0, "Error");
        out.write(header_failure_line, sizeof header_failure_line - 1);
        return;
    }

    {
        MaterialParser const parser(TextureSearch{document_folder_of(path)});
        HostObject const materials = host::new_list();
        if (convert_materials(parser, scan, materials)) {
            ObjectStageContext context;
            context.materials = materials;
            context.scale = registry_scale();
            object_stage(context, scan);
        }
    }

    report_progress(1.0, "Done");
    out << "TimeIt " << seconds_since(start_ms) << "sec" << '\n' << std::flush;
}

}  // namespace MQO
