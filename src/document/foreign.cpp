#include "document/foreign.hpp"

#include "document/reading.hpp"

#include <cstring>

namespace MQO {

namespace {

constexpr std::string_view header_words[] = {"Scene", "BackImage"};
constexpr std::string_view body_words[] = {"Material", "Object", "Eof"};

bool is_word_start(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool is_word_char(char c)
{
    return is_word_start(c) || (c >= '0' && c <= '9');
}

iterator_t word_end(iterator_t p, iterator_t last)
{
    if (p == last || !is_word_start(*p))
        return p;
    while (p != last && is_word_char(*p))
        ++p;
    return p;
}

// Past the quoted text that starts at `p` (on its opening quote): after the
// closing quote, or at the end of its line (a stray quote, as in
// `comment 5" tall`, quotes no more than the rest of its line).
iterator_t past_quote(iterator_t p, iterator_t last)
{
    for (++p; p != last; ++p) {
        if (*p == '"')
            return p + 1;
        if (*p == '\n' || *p == '\r')
            return p;
    }
    return last;
}

// Whether one of `words` stands at `p`.
template <std::size_t N>
bool one_of_at(std::string_view const (&words)[N], iterator_t p, iterator_t last)
{
    iterator_t const end = word_end(p, last);
    std::string_view const word(p, std::size_t(end - p));
    for (std::string_view const k : words) {
        if (word == k)
            return true;
    }
    return false;
}

// Whether a word that opens a top-level chunk stands at `p`, a line's
// start: where a chunk whose closing brace is missing ends.
bool top_level_word_at(iterator_t p, iterator_t last)
{
    return one_of_at(header_words, p, last) || one_of_at(body_words, p, last);
}

// From just after an opening `open`: past the `close` that ends it; null
// when the document (or, for parentheses, the line) ends first. Braces that are never closed end before
// the next line that starts with a top-level word (`unclosed`, then).
iterator_t past_closing(iterator_t p, iterator_t last, char open, char close, iterator_t* unclosed = nullptr)
{
    std::size_t depth = 0;
    while (p != last) {
        char const c = *p;
        if (c == '"') {
            p = past_quote(p, last);
            continue;
        }
        ++p;
        if (c == open) {
            ++depth;
        } else if (c == close) {
            if (depth == 0)
                return p;
            --depth;
        } else if (c == '\n' || c == '\r') {
            // A call's parentheses stay on its line.
            if (open == '(')
                return nullptr;
            if (unclosed && top_level_word_at(p, last)) {
                *unclosed = p;
                return nullptr;
            }
        }
    }
    return nullptr;
}

}  // namespace

bool foreign_word_at(scanner_t const& scan, std::initializer_list<std::string_view> known)
{
    iterator_t const p = skip_space(scan.first, scan.last);
    iterator_t const end = word_end(p, scan.last);
    if (end == p)
        return false;
    std::string_view const word(p, std::size_t(end - p));
    for (std::string_view const k : known) {
        if (word == k)
            return false;
    }
    return true;
}

bool foreign_call_at(scanner_t const& scan)
{
    iterator_t const p = skip_space(scan.first, scan.last);
    iterator_t const end = word_end(p, scan.last);
    return end != p && end != scan.last && *end == '(';
}

bool skip_foreign_line(scanner_t const& scan, std::initializer_list<std::string_view> known)
{
    if (!foreign_word_at(scan, known))
        return false;
    iterator_t const last = scan.last;
    iterator_t const first = skip_space(scan.first, last);
    // The chunks that hold the document's materials and objects are never
    // anybody's foreign line, even where they turn up inside an object.
    if (one_of_at(body_words, first, last))
        return false;
    iterator_t p = word_end(first, last);
    while (p != last && *p != '\n' && *p != '\r') {
        if (*p == '"') {
            p = past_quote(p, last);
        } else if (*p == '{') {
            iterator_t unclosed = nullptr;
            p = past_closing(p + 1, last, '{', '}', &unclosed);
            if (!p && !unclosed)
                return false;  // open to the document's end: reading stops here
            if (!p)
                p = unclosed;
            break;
        } else {
            ++p;
        }
    }
    scan.first = p;
    return true;
}

namespace {

// Where the value of a line that starts with `keyword` begins, after
// whitespace and the keyword and the blanks after it; null when no such
// line stands at the scanner.
iterator_t value_after(scanner_t const& scan, std::string_view keyword)
{
    iterator_t const last = scan.last;
    iterator_t const p = skip_space(scan.first, last);
    if (word_end(p, last) - p != std::ptrdiff_t(keyword.size()) || std::string_view(p, keyword.size()) != keyword)
        return nullptr;
    iterator_t first = p + keyword.size();
    while (first != last && (*first == ' ' || *first == '\t'))
        ++first;
    return first;
}

}  // namespace

std::string_view code_page_at(scanner_t const& scan)
{
    iterator_t const first = value_after(scan, "CodePage");
    if (!first)
        return {};
    iterator_t end = first;
    while (end != scan.last && *end != ' ' && *end != '\t' && *end != '\r' && *end != '\n')
        ++end;
    return std::string_view(first, std::size_t(end - first));
}

std::string_view companion_at(scanner_t const& scan)
{
    iterator_t const quote = value_after(scan, "IncludeXml");
    iterator_t const last = scan.last;
    if (!quote || quote == last || *quote != '"')
        return {};
    iterator_t end = quote + 1;
    while (end != last && *end != '"' && *end != '\r' && *end != '\n')
        ++end;
    if (end == last || *end != '"')
        return {};
    return std::string_view(quote + 1, std::size_t(end - quote - 1));
}

bool skip_foreign_call(scanner_t const& scan)
{
    return restore_on_failure(scan, [&] {
        skip_whitespace(scan);
        iterator_t const last = scan.last;
        iterator_t const end = word_end(scan.first, last);
        if (end == scan.first || end == last || *end != '(')
            return false;
        iterator_t const close = past_closing(end + 1, last, '(', ')');
        if (!close)
            return false;
        scan.first = close;
        return true;
    });
}

void hand_over_line(scanner_t const& scan, DocumentSink& sink)
{
    std::string_view const page = code_page_at(scan);
    if (!page.empty())
        sink.code_page(page);
    std::string_view const companion = companion_at(scan);
    if (!companion.empty())
        sink.companion(companion);
}

void skip_foreign_chunks(Reading const& reading)
{
    scanner_t const& scan = reading.scan;
    while (foreign_word_at(scan, {"Material", "Object", "Eof"}) && reading.extended.on()) {
        hand_over_line(scan, reading.sink);
        if (!skip_foreign_line(scan, {}))
            break;
    }
}

}  // namespace MQO
