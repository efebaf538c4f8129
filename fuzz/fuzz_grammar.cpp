// libFuzzer target: the document reader alone, every chunk rule, on the
// recording sink, with no interpreter; each input is read with the plain
// rules, then with extended reading on. The input is read where libFuzzer
// put it (a buffer of exactly its size), so any read past its end is a
// sanitizer report; so is any memory error or undefined behaviour.
#include "assembly/document_reader.hpp"
#include "assembly/recording_sink.hpp"
#include "document/console.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    MQO::redirect_console(&MQO::discarding_stream());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (bool const extended : {false, true}) {
        const char* first = reinterpret_cast<const char*>(data);
        MQO::scanner_t const scan(first, first + size);
        MQO::RecordingSink sink;
        auto mode = MQO::ExtendedSwitch::fixed(extended);
        MQO::read_document(scan, sink, mode);
    }
    return 0;
}
