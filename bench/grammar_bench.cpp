// The document reader alone over a large document: the vertex and face line
// rules with no host calls, and the cost of touching every byte once.
//
//     bench_grammar DOCUMENT.mqo [benchmark options]
#include "assembly/face.hpp"
#include "assembly/face_chunk.hpp"
#include "document/document_source.hpp"
#include "objects/vertex_section.hpp"

#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <string>

namespace {

MQO::DocumentSource document;

const char* find(const char* first, const char* last, const char* text)
{
    void const* const found = ::memmem(first, std::size_t(last - first), text, std::strlen(text));
    return found ? static_cast<const char*>(found) : last;
}

// Reads every vertex chunk and face chunk of the document with the module's
// rules and returns how many values it read.
std::size_t read_chunks()
{
    using namespace boost::spirit::classic;
    std::size_t values = 0;
    const char* const last = document.end();
    const char* position = find(document.begin(), last, "Object");
    MQO::scanner_t const scan(position, last);
    MQO::vertex_line_parser const vertex_line;
    while (position != last) {
        position = find(position, last, "\tvertex ");
        if (position == last)
            break;
        std::uint32_t count = 0;
        if (!(str_p("vertex") >> MQO::unsigned_value_parser()[assign_a(count)] >> ch_p('{')).parse(scan))
            break;
        for (std::uint32_t i = 0; i < count; ++i) {
            auto const hit = vertex_line.parse(scan);
            if (!hit)
                break;
            values += hit.value().count;
        }
        ch_p('}').parse(scan);
        if (!(str_p("face") >> MQO::signed_integer_parser() >> ch_p('{')).parse(scan))
            break;
        for (;;) {
            MQO::Face face;
            std::int32_t corners = 0;
            if (!MQO::parse_face_line(scan, corners, face))
                break;
            values += face.vertex_indices.count + face.uv_values.count + face.colour_values.count;
        }
    }
    return values;
}

void grammar(benchmark::State& state)
{
    std::size_t values = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(values = read_chunks());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(document.size()));
    state.counters["values"] = double(values);
}

void scan_floor(benchmark::State& state)
{
    for (auto _ : state) {
        unsigned long long sum = 0;
        for (const char* p = document.begin(); p != document.end(); ++p)
            sum += static_cast<unsigned char>(*p);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(document.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::cerr << "usage: bench_grammar DOCUMENT.mqo [benchmark options]\n";
        return 2;
    }
    document = MQO::DocumentSource::open(argv[1]);
    if (!document.valid()) {
        std::cerr << "cannot open " << argv[1] << "\n";
        return 1;
    }
    benchmark::RegisterBenchmark("scan_floor", scan_floor)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("grammar", grammar)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
