// Where the image file for a material's texture is: in the archive the
// document came out of (unpacked into a folder of our own, removed with
// the finder), as written, next to the document, or in the folder that
// the registry record holds for the kind of texture.
#ifndef MIVKA_HOST_TEXTURE_FILES_HPP
#define MIVKA_HOST_TEXTURE_FILES_HPP

#include "document/archive.hpp"
#include "document/texture_paths.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace MQO {

class TextureFiles
{
public:
    // `document_folder`: the folder of the document being read.
    explicit TextureFiles(std::string document_folder);
    ~TextureFiles();
    TextureFiles(TextureFiles const&) = delete;
    TextureFiles& operator=(TextureFiles const&) = delete;

    // The archive that the document came out of: its textures are looked
    // for there first. It must outlive the finder.
    void set_archive(DocumentArchive& archive) { archive_ = &archive; }

    // The code page the document names for its text ("932", "utf8", ...):
    // which backslashes of a file text are separators, and how its files may
    // be named in UTF-8.
    void set_code_page(std::string const& page)
    {
        code_page_ = page;
        text_ = double_bytes_of(page);
    }

    // The image file for a file text of a texture of kind `slot_name`
    // (also the registry key of its folder): false, said on the console,
    // when there is none. `unpacked`: it came out of the archive; once the
    // host keeps its bytes, `unpacked_loaded` removes it.
    bool find(const char* slot_name, std::string const& file, std::string& path, bool& unpacked);

    // An image unpacked from the archive is in the host: its file goes at
    // once, so that nothing is left behind if the process is killed.
    void unpacked_loaded(std::string const& path);

    // Whether the image file at `path` may be handed to the host, which
    // decodes it whole: false, with why in `why`, for an image that declares
    // more pixels than the host should hold, alone or with the document's
    // images before it. An image whose size cannot be read here is the
    // host's to judge.
    bool fits(std::string const& path, std::string& why);

private:
    bool find_file(const char* slot_name, std::string const& file, std::string& found) const;
    bool found_elsewhere(std::string const& file, std::vector<std::string> const& folders, std::string& found) const;
    bool one_in_any_case(std::string const& folder, std::string const& name, std::string& found) const;
    std::unordered_map<std::string, std::string> const& names_in(std::string const& folder) const;
    bool unpack(std::string const& file, std::string& found);

    std::string document_folder_;
    std::string code_page_;  // as the document names it; empty for none
    DoubleBytes text_ = DoubleBytes::guessed;  // how file texts write two-byte characters
    DocumentArchive* archive_ = nullptr;
    std::string unpacked_folder_;  // textures unpacked from the archive
    std::unordered_map<std::uint64_t, std::string> unpacked_;  // member, the file unpacked for it
    std::unordered_set<std::string> fitted_;  // image files let through
    std::uint64_t decoded_bytes_left_;  // what the document's further images may take
    // Folders read for names in any letter case: lower-case name, the name.
    mutable std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};

// The console line for a texture file that cannot be loaded, and why when
// the reason is ours.
void report_unloadable(const char* slot_name, std::string const& path, std::string const& why = std::string());

}  // namespace MQO

#endif
