#include "document/values.hpp"
#include "text_scanner.hpp"

#include <gtest/gtest.h>

#include <boost/spirit/include/classic_assign_actor.hpp>
#include <boost/variant/get.hpp>

#include <optional>

using MQO::scanner_t;

namespace {

// What the parser read, or nothing. The value is taken by an action: GCC
// 14 cannot see that a failed match's value is never read.
template <typename ParserT>
auto parse(ParserT const& parser, TextScanner& t)
    -> std::optional<typename decltype(parser.parse(t.scan))::attr_t>
{
    typename decltype(parser.parse(t.scan))::attr_t value{};
    if (!parser[boost::spirit::classic::assign_a(value)].parse(t.scan))
        return std::nullopt;
    return value;
}

}  // namespace

TEST(UnsignedValue, TakesDigitsOnlyAndFitsThirtyTwoBits)
{
    TextScanner max(" 4294967295)");
    auto hit = parse(MQO::unsigned_value_parser(), max);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit.value(), 4294967295u);
    EXPECT_EQ(max.rest(), ")");

    TextScanner over("4294967296");
    EXPECT_FALSE(parse(MQO::unsigned_value_parser(), over));
    TextScanner sign("-1");
    EXPECT_FALSE(parse(MQO::unsigned_value_parser(), sign));
    TextScanner plus("+1");
    EXPECT_FALSE(parse(MQO::unsigned_value_parser(), plus));
}

TEST(SignedInteger, TakesASignAndFitsThirtyTwoBits)
{
    TextScanner t("-2147483648 +7 2147483648");
    auto low = parse(MQO::signed_integer_parser(), t);
    ASSERT_TRUE(low);
    EXPECT_EQ(low.value(), -2147483647 - 1);
    auto seven = parse(MQO::signed_integer_parser(), t);
    ASSERT_TRUE(seven);
    EXPECT_EQ(seven.value(), 7);
    EXPECT_FALSE(parse(MQO::signed_integer_parser(), t));
}

TEST(RealValue, ReadsTheSyntaxesOfTheFormat)
{
    struct Case { const char* text; double value; const char* rest; };
    Case const cases[] = {
        {"1e-1)", 0.1, ")"},    {" .5 ", 0.5, " "},        {"1.)", 1.0, ")"},     {"-2.5E+2", -250.0, ""},
        {"+3", 3.0, ""},        {"0.898 0.5", 0.898, " 0.5"}, {"1.e2x", 100.0, "x"}, {"7-1", 7.0, "-1"},
    };
    for (Case const& c : cases) {
        TextScanner t(c.text);
        auto hit = parse(MQO::real_value_parser(), t);
        ASSERT_TRUE(hit) << c.text;
        EXPECT_EQ(hit.value(), c.value) << c.text;
        EXPECT_EQ(t.rest(), c.rest) << c.text;
    }
}

TEST(RealValue, RefusesTextThatIsNoNumber)
{
    for (const char* text : {".", "-", "+.", "e5", "1e", "1e+", "1.E-", "abc", ""}) {
        TextScanner t(text);
        EXPECT_FALSE(parse(MQO::real_value_parser(), t)) << text;
    }
}

TEST(SingleReal, HoldsTheSinglePrecisionValue)
{
    TextScanner t("0.1 3.4028236e38");
    auto tenth = parse(MQO::single_real_parser(), t);
    ASSERT_TRUE(tenth);
    EXPECT_EQ(tenth.value(), 0.1f);
    EXPECT_FALSE(parse(MQO::single_real_parser(), t));  // too large for a float
}

TEST(QuotedString, DropsWhitespaceAtBothEndsAndKeepsItInside)
{
    TextScanner t("  \"  My\r\nObj  \" rest");
    auto hit = parse(MQO::quoted_string_parser(), t);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit.value(), "My\r\nObj");
    EXPECT_EQ(t.rest(), " rest");

    TextScanner empty("\"\"x");
    auto nothing = parse(MQO::quoted_string_parser(), empty);
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing.value(), "");

    TextScanner blanks("\"   \"x");
    auto only_blanks = parse(MQO::quoted_string_parser(), blanks);
    ASSERT_TRUE(only_blanks);
    EXPECT_EQ(only_blanks.value(), "");
    EXPECT_EQ(blanks.rest(), "x");
}

TEST(QuotedString, KeepsBytesUndecodedAndNeedsBothQuotes)
{
    TextScanner sjis("\"\x83\x7D\x83\x65\x83\x8A\x83\x41\x83\x8B\"");
    auto hit = parse(MQO::quoted_string_parser(), sjis);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit.value(), "\x83\x7D\x83\x65\x83\x8A\x83\x41\x83\x8B");

    TextScanner open("\"never closed  ");
    EXPECT_FALSE(parse(MQO::quoted_string_parser(), open));
    EXPECT_EQ(open.rest(), "");

    TextScanner none("name\"");
    EXPECT_FALSE(parse(MQO::quoted_string_parser(), none));
    EXPECT_EQ(none.rest(), "name\"");
}

TEST(VectorParser, ReadsUpToItsBoundAndStandsAfterTheLastEntryRead)
{
    struct Case
    {
        const char* text;
        std::size_t count;
        const char* rest;
    };
    Case const cases[] = {{"1 2 3 4 5", 3, " 4 5"}, {"1 2 x", 2, " x"}};
    for (Case const& c : cases) {
        CapturedConsole console;
        TextScanner t(c.text);
        auto hit = parse(MQO::real_triple_parser(), t);
        ASSERT_TRUE(hit) << c.text;
        EXPECT_EQ(hit.value().count, c.count) << c.text;
        EXPECT_EQ(hit.value()[1], 2.0) << c.text;
        EXPECT_EQ(t.rest(), c.rest) << c.text;
        EXPECT_EQ(console.str(), "") << c.text;
    }
}

TEST(VectorParser, EchoesTwentyBytesWhenNoEntryCanBeRead)
{
    CapturedConsole console;
    TextScanner t("  abcdefghijklmnopqrstuvwxyz");
    EXPECT_FALSE(parse(MQO::real_triple_parser(), t));
    EXPECT_EQ(console.str(), "abcdefghijklmnopqrst");

    TextScanner near_end(" )}");
    EXPECT_FALSE((MQO::vector_parser<std::uint32_t, 4, MQO::unsigned_value_parser>().parse(near_end.scan)));
    EXPECT_EQ(console.str(), "abcdefghijklmnopqrst)}");

    TextScanner at_end("   ");
    EXPECT_FALSE(parse(MQO::real_triple_parser(), at_end));
    EXPECT_EQ(console.str(), "abcdefghijklmnopqrst)}");
}

TEST(ReturnHeapParser, HoldsTheElementsValue)
{
    TextScanner t(" \"wood.bmp\" 1 2");
    auto text = parse(MQO::return_heap_parser<MQO::quoted_string_parser>(), t);
    ASSERT_TRUE(text);
    EXPECT_EQ(boost::get<std::string>(*text.value()), "wood.bmp");
    auto triple = parse(MQO::return_heap_parser<MQO::real_triple_parser>(), t);
    ASSERT_TRUE(triple);
    EXPECT_EQ(boost::get<MQO::real_triple>(*triple.value()).count, 2u);
    EXPECT_THROW(boost::get<double>(*triple.value()), boost::bad_get);
}

class KeywordTableTest : public ::testing::Test
{
protected:
    KeywordTableTest()
    {
        for (auto const& entry : {std::pair<const char*, int>{"color", 15}, {"color_type", 7}, {"mirror", 8},
                                  {"mirror_axis", 9}, {"alpha", 66}})
            table.add(entry.first, MQO::keyword_entry{entry.second, &rule});
    }

    int lookup(TextScanner& t)
    {
        MQO::keyword_entry const* entry = MQO::find_keyword(table, t.scan);
        return entry ? entry->tag : -1;
    }

    MQO::heap_value_rule<MQO::unsigned_value_parser> rule;
    MQO::keyword_table table;
};

TEST_F(KeywordTableTest, TheLongestKeywordWins)
{
    TextScanner t("\tcolor_type 0");
    EXPECT_EQ(lookup(t), 7);
    EXPECT_EQ(t.rest(), " 0");

    TextScanner shorter("color 1 1 1");
    EXPECT_EQ(lookup(shorter), 15);

    TextScanner partial("mirror_ax 1");
    EXPECT_EQ(lookup(partial), 8);
    EXPECT_EQ(partial.rest(), "_ax 1");
}

TEST_F(KeywordTableTest, NoWordBoundaryCheckNoSkippingInsideAndCaseSensitive)
{
    TextScanner glued("alphamap(");
    EXPECT_EQ(lookup(glued), 66);
    EXPECT_EQ(glued.rest(), "map(");

    TextScanner split("col or");
    EXPECT_EQ(lookup(split), -1);
    EXPECT_EQ(split.rest(), "col or");

    TextScanner upper("  Color");
    EXPECT_EQ(lookup(upper), -1);
    EXPECT_EQ(upper.rest(), "Color");
}

TEST_F(KeywordTableTest, TheEntryBringsItsValueRule)
{
    TextScanner t("mirror 12");
    MQO::keyword_entry const* entry = MQO::find_keyword(table, t.scan);
    ASSERT_NE(entry, nullptr);
    MQO::attribute_holder value;
    ASSERT_TRUE(entry->rule->read(t.scan, value));
    EXPECT_EQ(boost::get<std::uint32_t>(*value), 12u);
}
