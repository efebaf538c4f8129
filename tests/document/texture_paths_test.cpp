#include "document/texture_paths.hpp"

#include <gtest/gtest.h>

TEST(TexturePath, OneSlashBetweenFolderAndFileUnlessOneIsThere)
{
    EXPECT_EQ(MQO::join_texture_path("C:\\tex", "sub\\wood.bmp"), "C:/tex/sub/wood.bmp");
    EXPECT_EQ(MQO::join_texture_path("/tex/", "wood.bmp"), "/tex/wood.bmp");
    EXPECT_EQ(MQO::join_texture_path("C:\\tex\\", "wood.bmp"), "C:/tex/wood.bmp");
    EXPECT_EQ(MQO::join_texture_path("C:", "wood.bmp"), "C:wood.bmp");
    EXPECT_EQ(MQO::join_texture_path("/tex", "/wood.bmp"), "/tex/wood.bmp");
    EXPECT_EQ(MQO::join_texture_path("/tex", "\\wood.bmp"), "/tex/wood.bmp");
    EXPECT_EQ(MQO::join_texture_path("", "a\\b.bmp"), "a/b.bmp");
    EXPECT_EQ(MQO::join_texture_path("/tex", ""), "/tex");
}

TEST(TexturePath, ABackslashInsideADoubleByteCharacterIsNoSeparator)
{
    using MQO::DoubleBytes;
    struct Case
    {
        const char* file;
        DoubleBytes text;
        const char* joined;
    };
    Case const cases[] = {
        {"\x95\x5c\x96\xca.png", DoubleBytes::guessed, "/d/\x95\x5c\x96\xca.png"},        // 表面, Shift_JIS
        {"tex\\\x83\x5c.png", DoubleBytes::shift_jis, "/d/tex/\x83\x5c.png"},               // ソ
        {"\x94\x5c\x97\xcd\\a.png", DoubleBytes::shift_jis, "/d/\x94\x5c\x97\xcd/a.png"},  // 能力
        {"\xe8\xa1\xa8\\a.png", DoubleBytes::guessed, "/d/\xe8\xa1\xa8/a.png"},          // 表, UTF-8
        {"\x95\x5c" "a.png", DoubleBytes::none, "/d/\x95/a.png"},                         // a code page of single bytes
        {"\xb0\x5c.png", DoubleBytes::unified_hangul, "/d/\xb0/.png"},                   // 0x5C follows no lead byte there
        {"\xa5\x5c.png", DoubleBytes::big5, "/d/\xa5\x5c.png"},
        {"\x95", DoubleBytes::shift_jis, "/d/\x95"},                                      // a lead byte at the end
    };
    for (Case const& c : cases)
        EXPECT_EQ(MQO::join_texture_path("/d", c.file, c.text), c.joined) << c.file;
    EXPECT_EQ(MQO::double_bytes_of("932"), DoubleBytes::shift_jis);
    EXPECT_EQ(MQO::double_bytes_of("utf8"), DoubleBytes::none);
    EXPECT_EQ(MQO::double_bytes_of(""), DoubleBytes::guessed);
}

TEST(TexturePath, DocumentFolderIsEverythingBeforeTheLastSlash)
{
    EXPECT_EQ(MQO::document_folder_of("/models/car.mqo"), "/models/");
    EXPECT_EQ(MQO::document_folder_of("car.mqo"), "");
    EXPECT_EQ(MQO::document_folder_of("/car.mqo"), "/");
}

TEST(TexturePath, AFileTextInTheDocumentsCodePageIsWrittenInUtf8)
{
    struct Case
    {
        const char* file;
        const char* code_page;
        std::optional<std::string> utf8;
    };
    Case const cases[] = {
        {"\x95\x5c\x96\xca.png", "", "\xe8\xa1\xa8\xe9\x9d\xa2.png"},  // 表面, Shift_JIS guessed
        {"tex\\\x83\x5c.png", "932", "tex\\\xe3\x82\xbd.png"},          // ソ, the backslash kept
        {"\x94\x5c.png", "932", "\xe8\x83\xbd.png"},                    // 能
        {"\xb0\xa1.png", "949", "\xea\xb0\x80.png"},                    // 가
        {"\xe8\xa1\xa8.png", "", std::nullopt},                         // UTF-8 already
        {"a.png", "utf8", std::nullopt},
        {"\x95", "932", std::nullopt},                                  // a lead byte at the end
        {"a.png", "ISO-2022-JP-3", std::nullopt},                       // no code page Metasequoia writes
    };
    for (Case const& c : cases)
        EXPECT_EQ(MQO::utf8_of(c.file, c.code_page), c.utf8) << c.file << ' ' << c.code_page;
}
