// Documents cut short at every place and with single bytes changed, read
// through the recording sink: whatever the reader hands over must hold
// together (finite positions, every object placed at most once and under an object before
// it, weights on vertices that exist, progress within 0 to 1 and never
// going back, faces of three corners or more with as many vertex numbers).
// Vertex numbers beyond an object's list are the host's to refuse. Our own
// sample and the fuzzer's findings always; two real documents when the
// corpus lies beside the checkout.
#include "assembly/document_reader.hpp"
#include "document/recording_sink.hpp"
#include "../document/text_scanner.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path const source_dir = MIVKA_SOURCE_DIR;

std::string contents(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Why the scene read from `text` does not hold together, or "" when it does.
std::string broken(std::string const& text, bool extended)
{
    CapturedConsole console;
    TextScanner t(text);
    MQO::RecordingSink sink;
    auto mode = MQO::ExtendedSwitch::fixed(extended);
    MQO::read_document(MQO::Reading{t.scan, sink, mode});

    double last = 0.0;
    for (double const fraction : sink.progress_reports) {
        if (!(fraction >= last && fraction <= 1.0))
            return "progress goes from " + std::to_string(last) + " to " + std::to_string(fraction);
        last = fraction;
    }
    for (MQO::RecordedObject const& o : sink.objects) {
        for (auto const& vertex : o.vertices) {
            if (!std::all_of(vertex.begin(), vertex.end(), [](float c) { return std::isfinite(c); }))
                return "a position that is not finite in " + o.name;
        }
        for (MQO::RecordedFace const& f : o.faces) {
            if (f.corners < 3 || f.line.vertex_indices.size() < f.corners)
                return "a face of " + std::to_string(f.corners) + " corners in " + o.name;
        }
        for (auto const& weight : o.weights) {
            if (weight.first >= o.vertices.size())
                return "a weight on vertex " + std::to_string(weight.first) + " of " + o.name;
        }
    }
    std::vector<bool> placed(sink.objects.size(), false);
    for (MQO::RecordedPlacement const& p : sink.placements) {
        if (p.object >= placed.size() || placed[p.object])
            return "object " + std::to_string(p.object) + " placed again or missing";
        if (p.parent >= std::ptrdiff_t(p.object) || p.parent < -1)
            return "object " + std::to_string(p.object) + " under " + std::to_string(p.parent);
        placed[p.object] = true;
    }
    return "";
}

// Every `step`-th prefix of `text`, each read both ways.
void sweep_prefixes(std::string const& text, std::size_t step, std::string const& name)
{
    for (std::size_t end = 0; end <= text.size(); end += step) {
        for (bool const extended : {false, true})
            ASSERT_EQ(broken(text.substr(0, end), extended), "") << name << " cut at " << end << " " << extended;
    }
}

// `count` bytes of `text` each replaced on its own, at places and by bytes
// chosen by a generator seeded with the name.
void sweep_changes(std::string const& text, std::size_t count, std::string const& name)
{
    std::string const replacements("\0 \t\n\"(){}-.9eEVMx\xff[]", 21);
    std::mt19937 chance(std::uint32_t(std::hash<std::string>()(name)));
    std::string changed = text;
    for (std::size_t i = 0; i < count && !text.empty(); ++i) {
        std::size_t const at = chance() % text.size();
        changed[at] = replacements[chance() % replacements.size()];
        for (bool const extended : {false, true})
            ASSERT_EQ(broken(changed, extended), "") << name << " byte " << at << " " << extended;
        changed[at] = text[at];
    }
}

std::vector<fs::path> findings()
{
    std::vector<fs::path> found;
    for (auto const& entry : fs::directory_iterator(source_dir / "tests" / "data" / "fuzz")) {
        if (entry.path().extension() == ".mqo")
            found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

TEST(Sweeps, EveryPrefixOfOurSampleAndOfEveryFuzzFinding)
{
    sweep_prefixes(contents(source_dir / "samples" / "lantern.mqo"), 1, "lantern.mqo");
    std::vector<fs::path> const found = findings();
    ASSERT_FALSE(found.empty());
    for (fs::path const& path : found)
        sweep_prefixes(contents(path), 1, path.filename().string());
}

TEST(Sweeps, EveryByteOfOurSampleChanged)
{
    std::string const text = contents(source_dir / "samples" / "lantern.mqo");
    sweep_changes(text, 20 * text.size(), "lantern.mqo");
}

TEST(Sweeps, RealDocumentsCutShortAndChanged)
{
    char const* const named = std::getenv("MIVKA_CORPUS");
    fs::path const corpus = named ? fs::path(named) : source_dir.parent_path() / "shared" / "corpus" / "mqo";
    if (!fs::exists(corpus / "lsbattle__kuma.mqo"))
        GTEST_SKIP() << "the real documents are not beside the project (../shared/corpus/mqo, or $MIVKA_CORPUS)";
    sweep_prefixes(contents(corpus / "effekseer__block.mqo"), 1, "effekseer__block.mqo");
    sweep_prefixes(contents(corpus / "lsbattle__kuma.mqo"), 97, "lsbattle__kuma.mqo");
    sweep_changes(contents(corpus / "webgl-metasequoia__heisi.mqo"), 1500, "heisi");
    sweep_changes(contents(corpus / "mcheli-port__b-2a.mqo"), 600, "b-2a");
}
