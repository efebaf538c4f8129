#include "document/texture_paths.hpp"

#include <algorithm>
#include <cerrno>
#include <iterator>

#include <iconv.h>

namespace MQO {

namespace {

bool in(unsigned char c, unsigned low, unsigned high)
{
    return c >= low && c <= high;
}

bool lead_byte(DoubleBytes text, unsigned char c)
{
    if (text == DoubleBytes::shift_jis)
        return in(c, 0x81, 0x9F) || in(c, 0xE0, 0xFC);
    return text != DoubleBytes::none && in(c, 0x81, 0xFE);
}

bool trail_byte(DoubleBytes text, unsigned char c)
{
    switch (text) {
    case DoubleBytes::shift_jis:
        return in(c, 0x40, 0x7E) || in(c, 0x80, 0xFC);
    case DoubleBytes::gbk:
        return in(c, 0x40, 0x7E) || in(c, 0x80, 0xFE);
    case DoubleBytes::unified_hangul:
        return in(c, 0x41, 0x5A) || in(c, 0x61, 0x7A) || in(c, 0x81, 0xFE);
    case DoubleBytes::big5:
        return in(c, 0x40, 0x7E) || in(c, 0xA1, 0xFE);
    default:
        return false;
    }
}

bool valid_utf8(std::string const& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char const c = static_cast<unsigned char>(text[i]);
        std::size_t const length = c < 0x80 ? 1 : in(c, 0xC2, 0xDF) ? 2 : in(c, 0xE0, 0xEF) ? 3 : in(c, 0xF0, 0xF4) ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if (!in(static_cast<unsigned char>(text[i + k]), 0x80, 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

// Backslashes to slashes, but for the second bytes of double-byte
// characters.
void separators(std::string& text, DoubleBytes kind)
{
    if (kind == DoubleBytes::guessed)
        kind = valid_utf8(text) ? DoubleBytes::none : DoubleBytes::shift_jis;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char const c = static_cast<unsigned char>(text[i]);
        if (lead_byte(kind, c) && i + 1 < text.size() && trail_byte(kind, static_cast<unsigned char>(text[i + 1])))
            ++i;
        else if (c == '\\')
            text[i] = '/';
    }
}

}  // namespace

DoubleBytes double_bytes_of(std::string const& code_page)
{
    if (code_page.empty())
        return DoubleBytes::guessed;
    if (code_page == "932")
        return DoubleBytes::shift_jis;
    if (code_page == "936")
        return DoubleBytes::gbk;
    if (code_page == "949")
        return DoubleBytes::unified_hangul;
    if (code_page == "950")
        return DoubleBytes::big5;
    return DoubleBytes::none;
}

std::string join_texture_path(std::string const& folder, std::string const& file, DoubleBytes text)
{
    std::string joined = folder;
    std::replace(joined.begin(), joined.end(), '\\', '/');
    bool const separate = !folder.empty() && !file.empty() && joined.back() != '/' && joined.back() != ':' &&
                          file.front() != '/' && file.front() != '\\';
    if (separate)
        joined += '/';
    std::string name = file;
    separators(name, text);
    return joined + name;
}

std::optional<std::string> utf8_of(std::string const& text, std::string const& code_page)
{
    // The code pages that Metasequoia writes, and only those: the converters
    // of some rarer encodings have had faults on hostile bytes.
    static char const* const known[] = {"932",  "936",  "949",  "950",  "874",  "1250", "1251",
                                        "1252", "1253", "1254", "1255", "1256", "1257", "1258"};
    std::string page = code_page;
    if (page.empty()) {
        if (valid_utf8(text))
            return std::nullopt;
        page = "932";
    }
    if (std::find(std::begin(known), std::end(known), page) == std::end(known))
        return std::nullopt;
    iconv_t const conversion = iconv_open("UTF-8", ("CP" + page).c_str());
    if (conversion == iconv_t(-1))
        return std::nullopt;
    // Three bytes of UTF-8 at most for each byte of a code page of one or
    // two bytes a character; more is asked for when a page needs it.
    std::string utf8(text.size() * 3 + 4, '\0');
    char* in_next = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* out_next = utf8.data();
    std::size_t out_left = utf8.size();
    bool whole = true;
    while (in_left > 0) {
        if (iconv(conversion, &in_next, &in_left, &out_next, &out_left) != std::size_t(-1))
            continue;
        if (errno != E2BIG) {
            whole = false;
            break;
        }
        std::size_t const written = utf8.size() - out_left;
        utf8.resize(utf8.size() * 2);
        out_next = utf8.data() + written;
        out_left = utf8.size() - written;
    }
    if (whole)
        whole = iconv(conversion, nullptr, nullptr, &out_next, &out_left) != std::size_t(-1);
    iconv_close(conversion);
    if (!whole)
        return std::nullopt;
    utf8.resize(utf8.size() - out_left);
    return utf8;
}

std::string document_folder_of(std::string const& path)
{
    std::string::size_type const slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string document_stem_of(std::string const& path)
{
    std::string::size_type const slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string::size_type const dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

}  // namespace MQO
