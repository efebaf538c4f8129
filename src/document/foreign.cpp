#include "document/foreign.hpp"

#include <cstring>

namespace MQO {

namespace {

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
// closing quote, or at the end of the document when there is none.
iterator_t past_quote(iterator_t p, iterator_t last)
{
    void const* const close = std::memchr(p + 1, '"', std::size_t(last - (p + 1)));
    return close ? static_cast<iterator_t>(close) + 1 : last;
}

// From just after an opening `open`: past the `close` that ends it; null
// when the document ends first.
iterator_t past_closing(iterator_t p, iterator_t last, char open, char close)
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
    skip_whitespace(scan);
    iterator_t const last = scan.last;
    iterator_t p = word_end(scan.first, last);
    while (p != last && *p != '\n' && *p != '\r') {
        if (*p == '"') {
            p = past_quote(p, last);
        } else if (*p == '{') {
            iterator_t const closed = past_closing(p + 1, last, '{', '}');
            p = closed ? closed : last;
            break;
        } else {
            ++p;
        }
    }
    scan.first = p;
    return true;
}

std::string_view code_page_at(scanner_t const& scan)
{
    static constexpr std::string_view keyword = "CodePage";
    iterator_t const last = scan.last;
    iterator_t const p = skip_space(scan.first, last);
    if (word_end(p, last) - p != std::ptrdiff_t(keyword.size()) || std::string_view(p, keyword.size()) != keyword)
        return {};
    iterator_t first = p + keyword.size();
    while (first != last && (*first == ' ' || *first == '\t'))
        ++first;
    iterator_t end = first;
    while (end != last && *end != ' ' && *end != '\t' && *end != '\r' && *end != '\n')
        ++end;
    return std::string_view(first, std::size_t(end - first));
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

}  // namespace MQO
