#include "module/driver.hpp"

#include "assembly/document_reader.hpp"
#include "assembly/mirror_joining.hpp"
#include "document/archive.hpp"
#include "document/clock.hpp"
#include "document/console.hpp"
#include "document/document_source.hpp"
#include "host/host.hpp"
#include "host/host_sink.hpp"
#include "document/texture_paths.hpp"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

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

// Line ends before `end`: LF, CR LF, and a CR alone (old Mac files).
std::size_t count_line_ends(iterator_t begin, iterator_t end)
{
    std::size_t lines = 0;
    for (iterator_t p = begin; p != end; ++p) {
        if (*p == '\n')
            ++lines;
        else if (*p == '\r' && (p + 1 == end || p[1] != '\n'))
            ++lines;
    }
    return lines;
}

// Says where reading stopped when text is left after it, other than a
// final "Eof": the line number and the next 20 bytes.
void report_unread_text(scanner_t const& scan, iterator_t begin)
{
    iterator_t const last = scan.last;
    iterator_t const p = skip_space(scan.first, last);
    if (p == last)
        return;
    if (last - p >= 3 && std::memcmp(p, "Eof", 3) == 0 && skip_space(p + 3, last) == last)
        return;
    std::size_t const line = 1 + count_line_ends(begin, p);
    std::ostream& out = console();
    out << "Stopped reading at line " << line << ": ";
    out.write(p, std::min<std::streamsize>(20, last - p));
    out << '\n' << std::flush;
}

// What was read past the file's new end was zeros: the scene holds a part
// of the document at most, which must not pass for the whole.
void raise_if_cut_short(DocumentSource const& source, std::string const& path)
{
    if (!source.cut_short())
        return;
    host::report_progress(1.0, "Error");
    console() << "Document cut short while reading. " << path << '\n' << std::flush;
    PyErr_Format(PyExc_OSError, "the document was cut short while it was read: %s", path.c_str());
    boost::python::throw_error_already_set();
}

// The end of a conversion that read no document: the progress bar says
// "Error" and the console the header failure line.
void report_header_failure()
{
    host::report_progress(1.0, "Error");
    console().write(header_failure_line, sizeof header_failure_line - 1);
}

// A zip archive is no text document: in extended mode, its document member
// is unpacked into `unpacked`, and `position` and `end` then span it. False
// where the archive cannot be read (told on the console).
bool unpack_if_archive(DocumentSource const& source, std::string const& path, ExtendedSwitch& extended,
                       std::vector<char>& unpacked, iterator_t& position, iterator_t& end)
{
    if (!looks_like_archive(position, end) || !extended.on())
        return true;
    std::string why;
    bool const unpacked_whole = unpack_document(position, end, unpacked, why, [](double share) {
        host::report_progress(share, "Unpacking archive");
    });
    raise_if_cut_short(source, path);
    if (!unpacked_whole) {
        console() << "Unable to read archive. " << path << ": " << why << '\n';
        report_header_failure();
        return false;
    }
    position = unpacked.data();
    end = position + unpacked.size();
    return true;
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
    iterator_t end = source.end();
    std::int64_t const start_ms = clock_ms();

    out << "Beginning Conversion." << path << '\n' << std::flush;

    // Asked of the registry only where the plain rules would stop.
    ExtendedSwitch extended([] { return host::registry_flag("Extended"); });
    std::vector<char> unpacked;
    if (!unpack_if_archive(source, path, extended, unpacked, position, end))
        return;

    iterator_t const document_begin = position;
    scanner_t const scan(position, end);
    bool read = false;
    {
        HostSink sink(path);
        if (!unpacked.empty())
            sink.set_archive(source.begin(), source.end());
        // Connected mirror halves are joined on their way to the host.
        MirrorJoining joining(sink);
        read = read_document(Reading{scan, joining, extended});
    }
    if (!read) {
        raise_if_cut_short(source, path);
        report_header_failure();
        return;
    }

    raise_if_cut_short(source, path);
    report_unread_text(scan, document_begin);
    host::report_progress(1.0, "Done");
    out << "TimeIt " << seconds_since(start_ms) << "sec" << '\n' << std::flush;
}

}  // namespace MQO
