// The value elements that every chunk grammar reads its numbers and names
// with: unsigned value, signed integer, real value, single real, quoted
// string, the bounded numeric list `vector_parser`, the value holder
// `return_heap_parser` and keyword tables.
//
// Each element skips whitespace in front of itself, never inside itself.
#ifndef MIVKA_DOCUMENT_VALUES_HPP
#define MIVKA_DOCUMENT_VALUES_HPP

#include "document/console.hpp"
#include "document/numbers.hpp"
#include "document/scanner.hpp"

#include <boost/array.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/spirit/include/classic_functor_parser.hpp>
#include <boost/spirit/include/classic_symbols.hpp>
#include <boost/variant.hpp>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace MQO {

// One or more decimal digits, no sign, fitting 32 bits unsigned.
typedef classic::uint_parser<std::uint32_t, 10, 1, -1> unsigned_value_parser;
// An optional sign and one or more decimal digits, fitting 32 bits signed.
typedef classic::int_parser<std::int32_t, 10, 1, -1> signed_integer_parser;

// A real number (see read_real) held as T: double for a real value, float
// for a single real.
template <typename T>
struct real_number_reader
{
    typedef T result_t;

    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, T& value) const
    {
        scan.skip(scan);
        iterator_t const start = scan.first;
        if (!read_real(scan.first, scan.last, value))
            return -1;
        return scan.first - start;
    }
};

template <typename T>
using real_number_parser = classic::functor_parser<real_number_reader<T> >;

typedef real_number_parser<double> real_value_parser;
typedef real_number_parser<float> single_real_parser;

// A double quote, any text without double quotes, a double quote. The value
// is the text between the quotes without the whitespace that follows the
// opening quote or precedes the closing one; whitespace inside stays, line
// breaks included. There is no escape. Bytes are not decoded: the value is
// a view into the document.
struct quoted_string_reader
{
    typedef std::string_view result_t;

    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, std::string_view& value) const
    {
        scan.skip(scan);
        iterator_t const start = scan.first;
        iterator_t const last = scan.last;
        if (start == last || *start != '"')
            return -1;
        iterator_t const text = start + 1;
        iterator_t const close = static_cast<iterator_t>(std::memchr(text, '"', std::size_t(last - text)));
        if (!close) {
            // The body runs to the end of the document; the closing quote
            // is looked for there and not found.
            scan.first = last;
            return -1;
        }
        iterator_t value_begin = skip_space(text, close);
        iterator_t value_end = close;
        while (value_end != value_begin && is_mqo_space(value_end[-1]))
            --value_end;
        scan.first = close + 1;
        value = std::string_view(value_begin, std::size_t(value_end - value_begin));
        return scan.first - start;
    }
};

typedef classic::functor_parser<quoted_string_reader> quoted_string_parser;

// A list of up to N values of one kind and how many were read. Entries from
// `count` on were not read: they hold T() and must not be used.
template <typename T, std::size_t N>
struct bounded_list
{
    boost::array<T, N> values{};
    std::size_t count = 0;

    T const& operator[](std::size_t i) const { return values[i]; }
};

// Reads up to N elements, each with its own whitespace skipping. It matches
// when at least one element was read, and then stands right after the last
// element read: a further number is left for the next grammar element. When
// not even one element can be read, the up to 20 bytes where it was expected
// are echoed to the console and the list does not match.
template <typename T, std::size_t N, typename ElementT>
struct vector_reader
{
    typedef bounded_list<T, N> result_t;

    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, result_t& list) const
    {
        iterator_t const start = scan.first;
        iterator_t end_of_last = start;
        while (list.count < N) {
            auto hit = element.parse(scan);
            if (!hit)
                break;
            list.values[list.count++] = hit.value();
            end_of_last = scan.first;
        }
        if (list.count == 0) {
            scan.first = start;
            scan.skip(scan);
            echo_unreadable(scan.first, scan.last);
            return -1;
        }
        scan.first = end_of_last;
        return end_of_last - start;
    }

    ElementT element;
};

template <typename T, std::size_t N, typename ElementT>
using vector_parser = classic::functor_parser<vector_reader<T, N, ElementT> >;

typedef bounded_list<double, 3> real_triple;
typedef bounded_list<double, 4> real_quadruple;
typedef vector_parser<double, 3, real_value_parser> real_triple_parser;
typedef vector_parser<double, 4, real_value_parser> real_quadruple_parser;

// The value of one keyword attribute. Which alternative it holds follows
// from the keyword's tag; reading another one throws instead of reading
// undefined memory.
typedef boost::variant<std::uint32_t, double, std::string, real_triple, real_quadruple> attribute_value;
typedef boost::shared_ptr<attribute_value const> attribute_holder;

// Matches exactly when its element matches; its value is a new shared holder
// of the element's value.
template <typename ElementT>
struct heap_reader
{
    typedef attribute_holder result_t;

    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, attribute_holder& holder) const
    {
        auto hit = element.parse(scan);
        if (!hit)
            return -1;
        holder.reset(new attribute_value(to_attribute(hit.value())));
        return hit.length();
    }

    ElementT element;

private:
    template <typename V>
    static V const& to_attribute(V const& value) { return value; }
    static std::string to_attribute(std::string_view value) { return std::string(value); }
};

template <typename ElementT>
using return_heap_parser = classic::functor_parser<heap_reader<ElementT> >;

// The value rule of a keyword-table entry: reads the keyword's value into a
// fresh holder.
struct value_rule
{
    virtual ~value_rule() = default;
    virtual bool read(scanner_t const& scan, attribute_holder& value) const = 0;
};

template <typename ElementT>
struct heap_value_rule : value_rule
{
    bool read(scanner_t const& scan, attribute_holder& value) const override
    {
        auto hit = parser.parse(scan);
        if (!hit)
            return false;
        value = hit.value();
        return true;
    }

    return_heap_parser<ElementT> parser;
};

// A keyword table maps case-sensitive keywords to a numeric tag and the rule
// that reads the keyword's value.
struct keyword_entry
{
    std::int32_t tag;
    value_rule const* rule;
};

typedef classic::symbols<keyword_entry, char> keyword_table;

// Skips whitespace, then finds the longest keyword of the table that the
// text starts with (no word-boundary check: "alphamap" finds "alpha") and
// moves past it. Returns nullptr, with only the whitespace consumed, when no
// keyword matches.
keyword_entry const* find_keyword(keyword_table const& table, scanner_t const& scan);

// Keyword attributes one after the other: a keyword of the table, `open`
// (unless it is 0), the keyword's value, handed to `apply` with the entry's
// tag as soon as it is read, then `close` (unless 0). Stops, back in front
// of it, at the first attribute that is not complete; always matches.
template <typename ApplyT>
std::size_t read_keyword_attributes(scanner_t const& scan, keyword_table const& table, char open, char close,
                                    ApplyT&& apply)
{
    for (std::size_t read = 0;; ++read) {
        bool const complete = restore_on_failure(scan, [&] {
            keyword_entry const* const entry = find_keyword(table, scan);
            attribute_holder value;
            if (!entry || (open && !classic::ch_p(open).parse(scan)) || !entry->rule->read(scan, value))
                return false;
            apply(entry->tag, *value);
            return !close || bool(classic::ch_p(close).parse(scan));
        });
        if (!complete)
            return read;
    }
}

}  // namespace MQO

#endif
