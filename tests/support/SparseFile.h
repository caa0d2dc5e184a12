#pragma once
// A file that says it holds Size bytes and takes no room on the disk: what a reader that reads
// a file whole meets when the file is larger than any of its kind.

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace testsupport
{

inline void MakeSparseFile(const std::filesystem::path &Path, std::uint64_t Size)
{
    const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << Path;
    const bool made = ::ftruncate(fd, static_cast<off_t>(Size)) == 0;
    ::close(fd);
    ASSERT_TRUE(made) << Path;
}

constexpr std::uint64_t GiB = std::uint64_t(1) << 30;

} // namespace testsupport
