#include "document/numbers.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <locale.h>

namespace {

locale_t c_locale()
{
    static locale_t const locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

template <typename T>
bool read_all(std::string const& text, T& value)
{
    const char* first = text.data();
    bool const matched = MQO::read_real(first, text.data() + text.size(), value);
    return matched && first == text.data() + text.size();
}

// The C library's correctly rounded conversion, for comparison.
double reference(std::string const& text, double*) { return ::strtod_l(text.c_str(), nullptr, c_locale()); }
float reference(std::string const& text, float*) { return ::strtof_l(text.c_str(), nullptr, c_locale()); }

template <typename T>
void expect_as_c_library(std::string const& text)
{
    T const expected = reference(text, static_cast<T*>(nullptr));
    T value{};
    bool const matched = read_all(text, value);
    if (std::isinf(expected)) {
        EXPECT_FALSE(matched) << text;
        return;
    }
    ASSERT_TRUE(matched) << text;
    EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text << " gave " << value << ", not " << expected;
}

std::string random_number(std::mt19937_64& random)
{
    static const char* const signs[] = {"", "-", "+"};
    std::string text = signs[random() % 3];
    std::size_t const digits = 1 + random() % (random() % 4 == 0 ? 60 : 19);
    std::size_t const point = random() % (digits + 2);
    for (std::size_t i = 0; i < digits; ++i) {
        if (i == point)
            text += '.';
        text += char('0' + random() % 10);
    }
    if (random() % 2) {
        text += (random() % 2) ? 'e' : 'E';
        int const exponent = int(random() % 700) - 350;
        text += std::to_string(exponent);
    }
    return text;
}

}  // namespace

TEST(Numbers, RandomTextsRoundAsTheCLibraryDoes)
{
    std::mt19937_64 random(20261207);
    for (int i = 0; i < 200000; ++i) {
        std::string const text = random_number(random);
        expect_as_c_library<double>(text);
        expect_as_c_library<float>(text);
    }
}

TEST(Numbers, HalfwayCasesAndLongMantissas)
{
    for (std::string const& text : std::initializer_list<std::string>{
             std::string("9007199254740993"),                                  // 2^53 + 1: ties to even
             std::string("1.00000000000000011102230246251565404236316680908203125"),  // exactly halfway
             std::string("1.000000000000000111022302462515654042363166809082031250001"),
             std::string("16777217"),  // 2^24 + 1, halfway for floats
             std::string("0.") + std::string(700, '0') + "1e700",
             std::string(400, '9') + "e-300",
             "2.2250738585072011e-308", "2.2250738585072012e-308", "4.9406564584124654e-324",
             "2.4703282292062328e-324", "1.4012984643e-45", "7.006492321624086e-46",
         }) {
        expect_as_c_library<double>(text);
        expect_as_c_library<float>(text);
    }
}

TEST(Numbers, OutOfRangeMagnitudesDoNotMatchAndLeaveThePosition)
{
    for (std::string const& text : std::initializer_list<std::string>{"1e309", "-1.7976931348623159e308", std::string(400, '9')}) {
        double value = 7.0;
        const char* first = text.data();
        EXPECT_FALSE(MQO::read_real(first, text.data() + text.size(), value)) << text;
        EXPECT_EQ(first, text.data());
        EXPECT_EQ(value, 7.0);
    }
    float single = 0;
    EXPECT_FALSE(read_all(std::string("3.4028236e38"), single));
    EXPECT_TRUE(read_all(std::string("3.4028235e38"), single));
    EXPECT_FALSE(read_all(std::string("1e39"), single));
}

TEST(Numbers, TinyMagnitudesBecomeTheNearestValue)
{
    double value = 1.0;
    EXPECT_TRUE(read_all(std::string("1e-400"), value));
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(read_all(std::string("-1e-400"), value));
    EXPECT_TRUE(std::signbit(value));
    float single = 1.0f;
    EXPECT_TRUE(read_all(std::string("1e-50"), single));
    EXPECT_EQ(single, 0.0f);
}

TEST(Numbers, ExponentMustFitThirtyTwoBits)
{
    double value = 0;
    EXPECT_TRUE(read_all(std::string("0e2147483647"), value));
    EXPECT_TRUE(read_all(std::string("1e-2147483648"), value));
    EXPECT_FALSE(read_all(std::string("0e2147483648"), value));
    EXPECT_FALSE(read_all(std::string("1e-2147483649"), value));
}

TEST(Numbers, StopsAtTheEndOfTheMappedText)
{
    // No terminating NUL: the digits run up to `last` and no further.
    std::string const text = "12345";
    double value = 0;
    const char* first = text.data();
    ASSERT_TRUE(MQO::read_real(first, text.data() + 3, value));
    EXPECT_EQ(value, 123.0);
    EXPECT_EQ(first, text.data() + 3);
}
