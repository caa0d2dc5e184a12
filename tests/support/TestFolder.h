#pragma once
// A path of the running test's own in the test temporary folder, so tests, and test programs
// run side by side, never share files.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace testsupport
{

// The running test's name as one file name: a parameterised test's name holds a "/", which
// would make the path a folder within a folder and leave the outer one behind.
inline std::string TestFileName()
{
    std::string Name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(Name.begin(), Name.end(), '/', '_');
    return Name;
}

inline std::filesystem::path TestPath(const std::string &Prefix)
{
    return std::filesystem::path(testing::TempDir()) /
           (Prefix + std::to_string(getpid()) + "_" + TestFileName());
}

// Removes a test's folder and everything in it, the modes a test took away from its folders
// given back first, so that none is left behind.
inline void RemoveTestFolder(const std::filesystem::path &Folder)
{
    namespace fs = std::filesystem;
    std::error_code Error;
    if (!fs::is_directory(fs::symlink_status(Folder, Error))) {
        fs::remove(Folder, Error);
        return;
    }
    fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::add, Error);
    // Each folder is opened up as it is met, before the walk goes into it.
    for (auto It = fs::recursive_directory_iterator(Folder, Error);
         !Error && It != fs::recursive_directory_iterator(); It.increment(Error)) {
        if (It->is_directory(Error) && !It->is_symlink(Error))
            fs::permissions(It->path(), fs::perms::owner_all, fs::perm_options::add, Error);
        Error.clear();
    }
    fs::remove_all(Folder, Error);
}

// The test's own folder, made anew and empty.
inline std::filesystem::path FreshTestFolder(const std::string &Prefix)
{
    const std::filesystem::path Folder = TestPath(Prefix);
    RemoveTestFolder(Folder);
    std::filesystem::create_directories(Folder);
    return Folder;
}

// The test's own folder, made anew and empty, and removed with all it holds when it goes,
// whether the test passed or failed.
class TestFolder
{
public:
    explicit TestFolder(const std::string &Prefix) : FPath(FreshTestFolder(Prefix)) {}
    ~TestFolder() { RemoveTestFolder(FPath); }
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;

    const std::filesystem::path &Path() const { return FPath; }
    std::filesystem::path operator/(const std::string &Name) const { return FPath / Name; }

private:
    std::filesystem::path FPath;
};

} // namespace testsupport
