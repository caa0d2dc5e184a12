#pragma once
// A path of the running test's own in the test temporary folder, so tests, and test programs
// run side by side, never share files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace testsupport
{

inline std::filesystem::path TestPath(const std::string &Prefix)
{
    return std::filesystem::path(testing::TempDir()) /
           (Prefix + std::to_string(getpid()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
}

// The test's own folder, made anew and empty.
inline std::filesystem::path FreshTestFolder(const std::string &Prefix)
{
    const std::filesystem::path Folder = TestPath(Prefix);
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    return Folder;
}

} // namespace testsupport
