// Texture file names as the document gives them, joined to folders.
#ifndef MIVKA_DOCUMENT_TEXTURE_PATHS_HPP
#define MIVKA_DOCUMENT_TEXTURE_PATHS_HPP

#include <string>

namespace MQO {

// A texture folder and a file name joined: backslashes become forward
// slashes, and one "/" goes between the two unless the folder is empty or
// ends in "/" or ":", or the file name is empty or starts with a slash.
std::string join_texture_path(std::string const& folder, std::string const& file);

// The folder part of a document path: everything before its last "/", or
// nothing for a bare file name.
std::string document_folder_of(std::string const& path);

}  // namespace MQO

#endif
