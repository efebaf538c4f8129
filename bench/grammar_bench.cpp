// The document reader alone over a large document: every chunk rule, on a
// sink that only counts what it is handed, and the cost of touching every
// byte once.
//
//     bench_grammar DOCUMENT.mqo [benchmark options]
#include "assembly/document_reader.hpp"
#include "document/face_line.hpp"
#include "document/console.hpp"
#include "document/document_source.hpp"
#include "document/sink.hpp"

#include <benchmark/benchmark.h>

#include <iostream>
#include <string>

namespace {

MQO::DocumentSource document;

// Counts the values it is handed, so that nothing read can be left out.
struct CountingSink : MQO::DocumentSink
{
    std::size_t values = 0;
    std::size_t vertices = 0;
    std::size_t faces = 0;

    void progress(double) override {}
    void begin_material(std::string_view) override {}
    void material_attribute(MQO::MaterialTag, MQO::attribute_value const&) override { ++values; }
    void end_material() override {}
    void code_page(std::string_view) override {}
    void companion(std::string_view) override {}
    void begin_objects() override {}
    void begin_object(std::string_view) override { vertices = faces = 0; }
    void object_attribute(MQO::ObjectAttribute, MQO::attribute_value const&) override { ++values; }
    void begin_vertices() override {}
    void vertex(float, float, float) override
    {
        values += 3;
        ++vertices;
    }
    std::size_t vertex_count() override { return vertices; }
    void vertex_weight(std::uint32_t, double) override { ++values; }
    void object_uid(std::uint32_t) override { ++values; }
    void vertex_uid(std::uint32_t) override { ++values; }
    void begin_faces() override {}
    void face(MQO::FaceLine const& line, std::size_t) override
    {
        values += line.vertex_indices.size() + line.uv_values.size() + line.colour_values.size() +
                  line.normal_values.size();
        ++faces;
    }
    void edge(std::uint32_t, std::uint32_t) override { values += 2; }
    void end_faces(bool, bool) override {}
    std::size_t face_count() override { return faces; }
    void end_object() override {}
    void place(std::size_t, std::ptrdiff_t, bool) override {}
    void end_objects() override {}
};

// Reads the whole document with the module's rules; how many values it read.
std::size_t read_document()
{
    const char* first = document.begin();
    MQO::scanner_t const scan(first, document.end());
    CountingSink sink;
    MQO::read_document(scan, sink);
    return sink.values;
}

void grammar(benchmark::State& state)
{
    std::size_t values = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(values = read_document());
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
    MQO::redirect_console(&MQO::discarding_stream());  // formatted, then dropped
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
