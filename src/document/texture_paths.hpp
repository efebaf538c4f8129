// Texture file names as the document gives them, joined to folders.
#ifndef MIVKA_DOCUMENT_TEXTURE_PATHS_HPP
#define MIVKA_DOCUMENT_TEXTURE_PATHS_HPP

#include <optional>
#include <string>

namespace MQO {

// How the document's text writes characters of two bytes, whose second
// byte may be a backslash (0x5C) that is no separator: by the code page
// the document names (932 Shift_JIS, 936 GBK, 949 Unified Hangul, 950
// Big5; a code page of single bytes or UTF-8 has none), or, where it names
// none, Shift_JIS for text that is not UTF-8.
enum class DoubleBytes
{
    none,
    guessed,  // none named: UTF-8 text as it is, other text as Shift_JIS
    shift_jis,
    gbk,
    unified_hangul,
    big5,
};
DoubleBytes double_bytes_of(std::string const& code_page);

// A texture folder and a file name joined: backslashes become forward
// slashes (in the file name, those that are separators in `text`), and
// one "/" goes between the two unless the folder is empty or ends in "/"
// or ":", or the file name is empty or starts with a slash.
std::string join_texture_path(std::string const& folder, std::string const& file,
                              DoubleBytes text = DoubleBytes::guessed);

// A file text in the document's code page (`code_page` as the document
// names it: "932", "utf8", ...; Shift_JIS for text that is not UTF-8 when
// it names none) written in UTF-8, as archivers on other systems name the
// files they unpack; none when the text is UTF-8 already, the code page is
// unknown here, or the text does not fit it.
std::optional<std::string> utf8_of(std::string const& text, std::string const& code_page);

// The folder part of a document path: everything before its last "/", or
// nothing for a bare file name.
std::string document_folder_of(std::string const& path);

// The document's file name without its folder and its extension.
std::string document_stem_of(std::string const& path);

}  // namespace MQO

#endif
