// The console stream: the process's standard output, written as raw bytes.
#ifndef MIVKA_DOCUMENT_CONSOLE_HPP
#define MIVKA_DOCUMENT_CONSOLE_HPP

#include <cstddef>
#include <ostream>
#include <string_view>

namespace MQO {

// The stream every console line goes to (standard output unless redirected).
std::ostream& console();

// Points the console at another stream, or back at standard output when
// given nullptr. Meant for tests of the document reader.
void redirect_console(std::ostream* stream);

// A stream that formats what it is given and keeps none of it: for runs
// of the reader whose console nobody reads (fuzzing, benchmarks).
std::ostream& discarding_stream();

// A name or file text from the document as a console line shows it: its
// first 200 bytes, then "..." where it is longer, so one line stays short
// whatever the document holds.
struct Shown
{
    std::string_view text;
};
std::ostream& operator<<(std::ostream& out, Shown shown);

// Writes the up to 20 bytes at `first` (fewer where the document ends) as
// they are, with no line end and no flush: the echo of a numeric list that
// found no number.
void echo_unreadable(const char* first, const char* last);

// How many echoes have been written so far, to tell whether a rule that
// reads a text again already echoed it.
std::size_t echoes_written();

}  // namespace MQO

#endif
