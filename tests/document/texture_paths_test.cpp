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

TEST(TexturePath, DocumentFolderIsEverythingBeforeTheLastSlash)
{
    EXPECT_EQ(MQO::document_folder_of("/models/car.mqo"), "/models/");
    EXPECT_EQ(MQO::document_folder_of("car.mqo"), "");
    EXPECT_EQ(MQO::document_folder_of("/car.mqo"), "/");
}
