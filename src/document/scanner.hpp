// The scanner shared by every grammar of the module.
//
// Positions are plain pointers into the read-only mapping of the document.
// One current position is shared by all stages: a scanner holds a reference
// to it and a copy of the end position, so whatever one grammar consumes is
// gone for the next one.
#ifndef MIVKA_DOCUMENT_SCANNER_HPP
#define MIVKA_DOCUMENT_SCANNER_HPP

#include <boost/spirit/include/classic_core.hpp>

namespace MQO {

namespace classic = boost::spirit::classic;

typedef const char* iterator_t;

// Whitespace is exactly the C locale's space class: blank, tab, line feed,
// vertical tab, form feed and carriage return. Every other byte (0x00 and
// everything from 0x80 up included) is text. There is no comment syntax.
inline bool is_mqo_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Skips whitespace before each primitive element and never inside one. The
// library's own skipper asks the process locale, which the host may have
// changed; this one is fixed.
struct mqo_skip_policy : classic::skipper_iteration_policy<>
{
    template <typename ScannerT>
    void skip(ScannerT const& scan) const
    {
        iterator_t& first = scan.first;
        iterator_t const last = scan.last;
        while (first != last && is_mqo_space(*first))
            ++first;
    }
};

typedef classic::scanner_policies<mqo_skip_policy> scanner_policies_t;
typedef classic::scanner<iterator_t, scanner_policies_t> scanner_t;

// Advances a bare position past whitespace.
inline iterator_t skip_space(iterator_t first, iterator_t last)
{
    while (first != last && is_mqo_space(*first))
        ++first;
    return first;
}

inline void skip_whitespace(scanner_t const& scan)
{
    scan.skip(scan);
}

// Runs `attempt` (which answers whether its text matched); when it did not,
// the scanner goes back to where the attempt began.
template <typename ScannerT, typename AttemptT>
bool restore_on_failure(ScannerT const& scan, AttemptT&& attempt)
{
    auto const start = scan.first;
    if (attempt())
        return true;
    scan.first = start;
    return false;
}

// Runs `attempt`; then, when `again(start, matched)` says so, goes back to
// where the attempt began and answers what `retry` answers instead.
template <typename ScannerT, typename AttemptT, typename AgainT, typename RetryT>
bool or_again_from_start(ScannerT const& scan, AttemptT&& attempt, AgainT&& again, RetryT&& retry)
{
    auto const start = scan.first;
    bool const matched = attempt();
    if (!again(start, matched))
        return matched;
    scan.first = start;
    return retry();
}

}  // namespace MQO

#endif
