#include "document/header.hpp"
#include "document/progress_parser.hpp"
#include "document/recording_sink.hpp"
#include "text_scanner.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct HeaderRun
{
    explicit HeaderRun(std::string text) : t(std::move(text))
    {
        MQO::skip_whitespace(t.scan);
        matched = MQO::match_header(reading);
    }

    TextScanner t;
    MQO::RecordingSink sink;
    MQO::ExtendedSwitch plain = MQO::ExtendedSwitch::fixed(false);
    MQO::Reading reading{t.scan, sink, plain};
    bool matched = false;
};

std::string const head = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n";

}  // namespace

TEST(Header, AcceptsLeadingWhitespaceAndAnyLineStructure)
{
    EXPECT_TRUE(HeaderRun(" \t\r\n" + head + "Scene {}").matched);
    EXPECT_TRUE(HeaderRun("Metasequoia Document Format Text Ver 1.0\nScene {}").matched);
    EXPECT_TRUE(HeaderRun("Metasequoia DocumentFormat Text Ver 1.0 Scene {}").matched);
}

TEST(Header, RefusesOtherOpenings)
{
    EXPECT_FALSE(HeaderRun("\xEF\xBB\xBF" + head + "Scene {}").matched);  // byte-order mark
    EXPECT_FALSE(HeaderRun("Metasequoia  Document\nFormat Text Ver 1.0\nScene {}").matched);
    EXPECT_FALSE(HeaderRun("metasequoia Document\nFormat Text Ver 1.0\nScene {}").matched);
    EXPECT_FALSE(HeaderRun("Metasequoia Document\nFormat Text Ver 1.1\nScene {}").matched);
    EXPECT_FALSE(HeaderRun("Metasequoia Document\nFormat Text Ver 1.0").matched);  // ends there
    EXPECT_FALSE(HeaderRun("Metasequoia Document\nFormat Text Ver 1.0Material").matched);
}

TEST(Header, ReportsZeroFirstWithTheTotalFromTheFirstNonWhitespace)
{
    HeaderRun const run("\n\n  " + head + "Scene {}");
    ASSERT_EQ(run.sink.progress_reports.size(), 1u);
    EXPECT_EQ(run.sink.progress_reports[0], 0.0);
    EXPECT_EQ(run.reading.progress.total(), head.size() + 8);

    // Also when the header then fails.
    HeaderRun const failed("Metasequoia Documen");
    EXPECT_FALSE(failed.matched);
    EXPECT_EQ(failed.sink.progress_reports, std::vector<double>{0.0});
}

TEST(Header, WhereTheHeaderLeavesTheScanner)
{
    struct Case
    {
        const char* name;
        std::string after_head;
        const char* rest;
    };
    Case const cases[] = {
        {"right after the Scene chunk", "Scene {\n pos 0 0 1500\n}\r\nMaterial 1 {", "\r\nMaterial 1 {"},
        {"brace pairs inside the Scene chunk skipped",
         "Scene {\n dirlights 1 {\n  light {\n   dir 0 0 1\n  }\n }\n}\nMaterial 1 {", "\nMaterial 1 {"},
        {"a Scene chunk that never closes takes the rest", "Scene {\n dirlights 1 { light { } }\nMaterial 1 {", ""},
        {"no Scene chunk: only the whitespace", "\nMaterial 1 {", "Material 1 {"},
        {"bytes that agreed with \"Scene\" stay consumed", "Scenario", "ario"},
        {"BackImage through its first closing brace",
         "Scene {}\nBackImage {\n pers \"back.bmp\" 0 0 1 1\n}\nMaterial 1 {", "\nMaterial 1 {"},
        {"a Shift_JIS trail byte 0x7D closes BackImage", "Scene {}\nBackImage {\n pers \"\x83\x7D.bmp\" }\nMaterial",
         ".bmp\" }\nMaterial"},
        {"BackImage before Scene leaves the Scene chunk", "BackImage {\n}\nScene {}\nMaterial",
         "\nScene {}\nMaterial"},
        {"an incomplete BackImage is left", "Scene {}\nBackImage {\n pers 1", "\nBackImage {\n pers 1"},
    };
    for (Case const& c : cases) {
        HeaderRun const run(head + c.after_head);
        EXPECT_TRUE(run.matched) << c.name;
        EXPECT_EQ(run.t.rest(), c.rest) << c.name;
    }
}

TEST(Progress, FractionIsTheConsumedShareInSinglePrecisionOfEachReadingsOwnTotal)
{
    MQO::Progress progress, other;
    EXPECT_EQ(progress.fraction(30), 0.0f);
    EXPECT_EQ(double(progress.fraction(20)), 0.3333333432674408);
    EXPECT_EQ(other.fraction(100), 0.0f);  // a reading started meanwhile keeps its own
    EXPECT_EQ(double(progress.fraction(27)), 0.10000000149011612);
    EXPECT_EQ(progress.fraction(0), 1.0f);
    EXPECT_EQ(MQO::Progress().total(), 0u);
}

TEST(Progress, ParserConsumesOnlyWhitespace)
{
    MQO::Progress progress;
    TextScanner t("  \n abc");
    auto hit = MQO::progress_parser(progress).parse(t.scan);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit.length(), 0);
    EXPECT_EQ(t.rest(), "abc");
    EXPECT_EQ(progress.total(), 3u);
}
