// libFuzzer target: the document reader alone, every chunk rule, on the
// recording sink, with no interpreter; each input is read with the plain
// rules, then with extended reading on. The input is read where libFuzzer
// put it (a buffer of exactly its size), so any read past its end is a
// sanitizer report; so is any memory error or undefined behaviour. An
// input that starts as a zip archive is unpacked, and its document read.
// Each input is also read as an image header, and as a document's
// companion (.mqx) whose bones are then put in order.
#include "assembly/document_reader.hpp"
#include "document/recording_sink.hpp"
#include "document/archive.hpp"
#include "document/companion.hpp"
#include "document/console.hpp"
#include "document/image_headers.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

void read_both_ways(const char* begin, const char* end)
{
    for (bool const extended : {false, true}) {
        const char* first = begin;
        MQO::scanner_t const scan(first, end);
        MQO::RecordingSink sink;
        auto mode = MQO::ExtendedSwitch::fixed(extended);
        MQO::read_document(MQO::Reading{scan, sink, mode});
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    MQO::redirect_console(&MQO::discarding_stream());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* begin = reinterpret_cast<const char*>(data);
    read_both_ways(begin, begin + size);
    std::vector<char> document;
    std::string why;
    if (MQO::looks_like_archive(begin, begin + size) && MQO::unpack_document(begin, begin + size, document, why))
        read_both_ways(document.data(), document.data() + document.size());
    MQO::declared_image_size([data, size](std::uint64_t offset, std::size_t wanted, unsigned char* out) {
        if (offset >= size)
            return std::size_t(0);
        std::size_t const n = std::min<std::size_t>(wanted, size - std::size_t(offset));
        std::memcpy(out, data + offset, n);
        return n;
    });
    MQO::Companion companion;
    if (MQO::read_companion(begin, begin + size, companion, why))
        MQO::bone_parents(companion.bones);
    return 0;
}
