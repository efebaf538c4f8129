#include "document/numbers.hpp"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <locale.h>

// Older C++ libraries (GCC 10's, which the wheels are built with for old
// systems) convert only integers with from_chars; the fast_float library
// converts reals the same way, to the nearest value. MIVKA_FAST_FLOAT asks
// for it where from_chars would do, so that its use is tested everywhere.
#if !defined(__cpp_lib_to_chars) || defined(MIVKA_FAST_FLOAT)
#define MIVKA_REALS_BY_FAST_FLOAT 1
#include <fast_float/fast_float.h>
#endif

namespace MQO {

namespace {

template <typename T>
std::from_chars_result real_from_chars(const char* first, const char* last, T& result)
{
#if !defined(MIVKA_REALS_BY_FAST_FLOAT)
    return std::from_chars(first, last, result, std::chars_format::general);
#else
    fast_float::from_chars_result const converted =
        fast_float::from_chars(first, last, result, fast_float::chars_format::general);
    // fast_float gives infinity for a value beyond the type's range where
    // from_chars reports the range.
    std::errc const ec = (converted.ec == std::errc() && std::isinf(result)) ? std::errc::result_out_of_range
                                                                             : converted.ec;
    return std::from_chars_result{converted.ptr, ec};
#endif
}

inline bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Finds the end of a real number's text at `first`, or returns nullptr when
// there is none. `digits` is set to where the digits begin (after the sign).
const char* scan_real_text(const char* first, const char* last, const char*& digits)
{
    const char* p = first;
    if (p != last && (*p == '+' || *p == '-'))
        ++p;
    digits = p;

    const char* const integer_begin = p;
    while (p != last && is_digit(*p))
        ++p;
    bool const got_integer = p != integer_begin;

    if (p != last && *p == '.') {
        ++p;
        const char* const fraction_begin = p;
        while (p != last && is_digit(*p))
            ++p;
        if (p == fraction_begin && !got_integer)
            return nullptr;  // a point alone is no number
    } else if (!got_integer) {
        return nullptr;
    }

    if (p != last && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p != last && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
        }
        const char* const exponent_begin = p;
        // The exponent must fit a 32-bit signed integer.
        std::int64_t exponent = 0;
        std::int64_t const limit = negative ? std::int64_t(2147483648LL) : std::int64_t(2147483647LL);
        while (p != last && is_digit(*p)) {
            exponent = exponent * 10 + (*p - '0');
            if (exponent > limit)
                return nullptr;
            ++p;
        }
        if (p == exponent_begin)
            return nullptr;  // an exponent mark needs its digits
    }
    return p;
}

locale_t c_locale()
{
    static locale_t const locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

// The slow road for magnitudes that the fast converter reports as out of
// range: strtod in the C locale tells overflow (infinity) from underflow
// (a correctly rounded subnormal or zero).
inline double c_strto(std::string const& text, double*)
{
    return ::strtod_l(text.c_str(), nullptr, c_locale());
}
inline float c_strto(std::string const& text, float*)
{
    return ::strtof_l(text.c_str(), nullptr, c_locale());
}

// Exact powers of ten of each type: every one of them is representable.
double const double_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
float const float_powers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

template <typename T>
struct exact_limits;
template <>
struct exact_limits<double>
{
    static constexpr std::uint64_t mantissa = std::uint64_t(1) << 53;
    static constexpr int power = 22;
    static double power_of_ten(int e) { return double_powers[e]; }
};
template <>
struct exact_limits<float>
{
    static constexpr std::uint64_t mantissa = std::uint64_t(1) << 24;
    static constexpr int power = 10;
    static float power_of_ten(int e) { return float_powers[e]; }
};

// The common case of a document number: a plain decimal ("-12.3456", "0",
// "1.") whose digits make an integer small enough to be exact in T, with
// few enough decimals that the power of ten is exact too. Then a single
// division rounds correctly. Returns false, having read nothing, for any
// other text.
template <typename T>
bool read_plain_decimal(const char*& first, const char* last, T& value)
{
    const char* p = first;
    bool const negative = p != last && *p == '-';
    if (p != last && (*p == '-' || *p == '+'))
        ++p;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    while (p != last && is_digit(*p) && digits < 19) {
        mantissa = mantissa * 10 + std::uint64_t(*p - '0');
        ++digits;
        ++p;
    }
    if (p != last && *p == '.') {
        ++p;
        while (p != last && is_digit(*p) && digits < 19) {
            mantissa = mantissa * 10 + std::uint64_t(*p - '0');
            ++digits;
            ++decimals;
            ++p;
        }
    }
    // Anything more (more digits, an exponent) goes the general way.
    if (digits == 0 || (p != last && (is_digit(*p) || *p == 'e' || *p == 'E')))
        return false;
    if (mantissa > exact_limits<T>::mantissa || decimals > exact_limits<T>::power)
        return false;
    T const magnitude = T(mantissa) / exact_limits<T>::power_of_ten(decimals);
    value = negative ? -magnitude : magnitude;
    first = p;
    return true;
}

template <typename T>
bool read_real_as(const char*& first, const char* last, T& value)
{
    if (read_plain_decimal(first, last, value))
        return true;

    const char* digits = nullptr;
    const char* const end = scan_real_text(first, last, digits);
    if (!end)
        return false;

    // from_chars takes a leading minus but no plus.
    const char* const from = (*first == '+') ? digits : first;
    T result{};
    std::from_chars_result const converted = real_from_chars(from, end, result);
    if (converted.ec == std::errc::result_out_of_range) {
        std::string const text(from, end);
        if (c_locale() == static_cast<locale_t>(0))
            return false;
        result = c_strto(text, static_cast<T*>(nullptr));
        if (std::isinf(result))
            return false;
    } else if (converted.ec != std::errc() || converted.ptr != end) {
        return false;
    }
    value = result;
    first = end;
    return true;
}

}  // namespace

bool read_real(const char*& first, const char* last, double& value)
{
    return read_real_as(first, last, value);
}

bool read_real(const char*& first, const char* last, float& value)
{
    return read_real_as(first, last, value);
}

}  // namespace MQO
