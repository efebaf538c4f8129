// A scanner over a string, for tests of the document reader.
#ifndef MIVKA_TESTS_TEXT_SCANNER_HPP
#define MIVKA_TESTS_TEXT_SCANNER_HPP

#include "document/console.hpp"
#include "document/scanner.hpp"

#include <sstream>
#include <string>

struct TextScanner
{
    explicit TextScanner(std::string text_) : text(std::move(text_)), first(text.data()), scan(first, text.data() + text.size()) {}

    // What is left in front of the scanner.
    std::string rest() const { return std::string(first, text.data() + text.size()); }
    std::size_t offset() const { return std::size_t(first - text.data()); }

    std::string text;
    MQO::iterator_t first;
    MQO::scanner_t scan;
};

// Collects console output for the life of the object.
struct CapturedConsole
{
    CapturedConsole() { MQO::redirect_console(&stream); }
    ~CapturedConsole() { MQO::redirect_console(nullptr); }
    std::string str() const { return stream.str(); }
    std::ostringstream stream;
};

#endif
