#include "document/texture_paths.hpp"

#include <algorithm>

namespace MQO {

std::string join_texture_path(std::string const& folder, std::string const& file)
{
    std::string joined = folder;
    bool const separate = !folder.empty() && !file.empty() && folder.back() != '/' && folder.back() != '\\' &&
                          folder.back() != ':' && file.front() != '/' && file.front() != '\\';
    if (separate)
        joined += '/';
    joined += file;
    std::replace(joined.begin(), joined.end(), '\\', '/');
    return joined;
}

std::string document_folder_of(std::string const& path)
{
    std::string::size_type const slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace MQO
