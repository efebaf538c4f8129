#include "document/document_source.hpp"
#include "document/scanner.hpp"
#include "text_scanner.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <vector>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace classic = boost::spirit::classic;

TEST(Whitespace, IsExactlyTheSixBytesOfTheCLocale)
{
    std::string spaces;
    for (int c = 0; c < 256; ++c)
        if (MQO::is_mqo_space(static_cast<char>(c)))
            spaces += static_cast<char>(c);
    EXPECT_EQ(spaces, std::string("\t\n\v\f\r "));
}

// Where the library's primitives leave the scanner under the format's
// whitespace rule, matched or not.
TEST(Primitives, SkipWhitespaceAndKeepWhatTheyConsumedOrMoveBack)
{
    struct Case
    {
        const char* name;
        const char* text;
        bool (*parse)(MQO::scanner_t const&);
        bool matched;
        const char* rest;
    };
    Case const cases[] = {
        {"a literal skips whitespace, then matches a prefix", " \r\n\tBackImageX",
         [](MQO::scanner_t const& s) { return bool(classic::str_p("BackImage").parse(s)); }, true, "X"},
        {"a literal is case-sensitive", "  metasequoia",
         [](MQO::scanner_t const& s) { return bool(classic::str_p("Metasequoia").parse(s)); }, false, "metasequoia"},
        {"a literal that fails keeps its whitespace and agreeing bytes consumed", "  Scenery",
         [](MQO::scanner_t const& s) { return bool(classic::str_p("Scene {").parse(s)); }, false, "ry"},
        {"a literal's own blanks are matched exactly", "Metasequoia  Document",
         [](MQO::scanner_t const& s) { return bool(classic::str_p("Metasequoia Document").parse(s)); }, false,
         " Document"},
        {"a character that fails consumes only the whitespace", "  x",
         [](MQO::scanner_t const& s) { return bool(classic::ch_p('{').parse(s)); }, false, "x"},
        {"a repetition moves back to where its failing attempt began", "a b c }",
         [](MQO::scanner_t const& s) { return bool((*(classic::anychar_p - '}')).parse(s)); }, true, " }"},
        {"an optional moves back before its whitespace", "{  Back Image",
         [](MQO::scanner_t const& s) {
             return classic::ch_p('{').parse(s) && (!classic::str_p("BackImage")).parse(s);
         },
         true, "  Back Image"},
    };
    for (Case const& c : cases) {
        TextScanner t(c.text);
        EXPECT_EQ(c.parse(t.scan), c.matched) << c.name;
        EXPECT_EQ(t.rest(), c.rest) << c.name;
    }
}

class DocumentSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/mivka-source-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string write(std::string const& name, std::string const& bytes)
    {
        std::string const path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::string folder;
};

TEST_F(DocumentSourceTest, MapsTheWholeFile)
{
    std::string const bytes("Metasequoia\0Document\xff", 21);
    MQO::DocumentSource const source = MQO::DocumentSource::open(write("doc.mqo", bytes));
    ASSERT_TRUE(source.valid());
    EXPECT_EQ(std::string(source.begin(), source.end()), bytes);
    EXPECT_EQ(source.size(), bytes.size());
}

TEST_F(DocumentSourceTest, CopiesShareTheMapping)
{
    MQO::DocumentSource copy;
    {
        MQO::DocumentSource const source = MQO::DocumentSource::open(write("doc.mqo", "abc"));
        copy = source;
    }
    ASSERT_TRUE(copy.valid());
    EXPECT_EQ(std::string(copy.begin(), copy.end()), "abc");
}

TEST_F(DocumentSourceTest, RefusesWhatCannotBeMapped)
{
    EXPECT_FALSE(MQO::DocumentSource::open(folder + "/missing.mqo").valid());
    EXPECT_FALSE(MQO::DocumentSource::open(write("empty.mqo", "")).valid());
    EXPECT_FALSE(MQO::DocumentSource::open(folder).valid());
    EXPECT_FALSE(MQO::DocumentSource::open("").valid());

    std::string const fifo = folder + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(MQO::DocumentSource::open(fifo).valid());  // and does not block

    std::string const path = write("doc.mqo", "abc");
    EXPECT_FALSE(MQO::DocumentSource::open(path + std::string(1, '\0') + "x").valid());
}

// Any number of documents mapped at once: each stays guarded, and a page
// that went away reads as zeros in the last one as in the first.
TEST_F(DocumentSourceTest, EveryMappedDocumentSurvivesItsFileShrinking)
{
    std::string const bytes(3 * 65536, 'x');
    std::vector<std::string> paths;
    std::vector<MQO::DocumentSource> sources;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(write("doc" + std::to_string(i) + ".mqo", bytes));
        sources.push_back(MQO::DocumentSource::open(paths.back()));
        ASSERT_TRUE(sources.back().valid());
    }
    for (std::size_t i : {std::size_t(0), std::size_t(39)}) {
        ASSERT_EQ(::truncate(paths[i].c_str(), 10), 0);
        volatile char const last = sources[i].end()[-1];
        EXPECT_EQ(last, '\0');
        EXPECT_TRUE(sources[i].cut_short());
        EXPECT_FALSE(sources[1].cut_short());
    }
}

// A SIGBUS that a process sends is no fault of a mapped read: it ends the
// process as it would without a document mapped (by the signal, or by the
// abort of a handler that was there before, such as a sanitizer's).
TEST_F(DocumentSourceTest, ASentBusErrorIsNotSwallowed)
{
    MQO::DocumentSource const source = MQO::DocumentSource::open(write("doc.mqo", "abc"));
    ASSERT_TRUE(source.valid());
    EXPECT_EXIT(::kill(::getpid(), SIGBUS), [](int status) { return WIFSIGNALED(status); }, "");
}
