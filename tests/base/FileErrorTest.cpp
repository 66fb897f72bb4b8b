#include "base/FileError.h"

#include <cerrno>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

TEST(FileErrorTest, WhatIsOurSentenceWithThePathAndTheCause)
{
    const FileError error("Could not create the folder", "/home/a/Notes",
                          std::make_error_code(std::errc::not_a_directory));
    EXPECT_STREQ(error.what(), "Could not create the folder /home/a/Notes: not a folder");
    EXPECT_EQ(error.path(), fs::path("/home/a/Notes"));
    EXPECT_EQ(error.errorCode(), std::errc::not_a_directory);
    EXPECT_EQ(error.domain(), "FileError");
    EXPECT_EQ(error.code(), ENOTDIR);

    const FileError own("Could not use the note", "/n.md", "something other than a file is there",
                        std::make_error_code(std::errc::invalid_argument));
    EXPECT_STREQ(own.what(), "Could not use the note /n.md: something other than a file is there");
}

// Whatever a file-system error carries, the user reads a sentence of ours.
TEST(FileErrorTest, SentenceRetellsTheLibrarysErrors)
{
    const struct {
        std::errc code;
        const char* expected;
    } cases[] = {
        {std::errc::permission_denied, "Could not use /x/y.md: permission denied"},
        {std::errc::no_space_on_device, "Could not use /x/y.md: the disk is full"},
        {std::errc::read_only_file_system, "Could not use /x/y.md: the disk is read-only"},
        {std::errc::no_such_file_or_directory, "Could not use /x/y.md: it does not exist"},
        {std::errc::is_a_directory, "Could not use /x/y.md: it is a folder"},
        {std::errc::text_file_busy, "Could not use /x/y.md: text file busy"},
    };
    for (const auto& c : cases) {
        const fs::filesystem_error library("cannot open", "/x/y.md", std::make_error_code(c.code));
        const std::string told = FileError::sentence(library);
        EXPECT_EQ(told, c.expected);
        EXPECT_EQ(told.find("filesystem error"), std::string::npos);
    }
    const fs::filesystem_error withoutPath("cannot open", std::make_error_code(std::errc::permission_denied));
    EXPECT_EQ(FileError::sentence(withoutPath), "Could not use a file: permission denied");
}

}  // namespace
}  // namespace qm
