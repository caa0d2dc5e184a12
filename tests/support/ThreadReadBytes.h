#pragma once

// What the calling thread reads through read calls between two points, for tests that a file
// is refused or taken without being read further than it must.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

namespace testsupport
{

class TThreadReads
{
public:
    TThreadReads() : FStart(Take()) {}

    // The bytes read since construction, less the reading of the count itself; none when the
    // system does not keep the count.
    std::optional<std::uint64_t> Bytes() const
    {
        const Sample Now = Take();
        if (!FStart.Count || !Now.Count) return std::nullopt;
        return *Now.Count - *FStart.Count - FStart.Size;
    }

private:
    struct Sample {
        std::optional<std::uint64_t> Count;
        std::uint64_t Size = 0; // the bytes this sample itself read
    };
    static Sample Take()
    {
        std::ifstream Io("/proc/thread-self/io");
        const std::string Text((std::istreambuf_iterator<char>(Io)), {});
        Sample Result;
        Result.Size = Text.size();
        std::istringstream Fields(Text);
        std::string Field;
        std::uint64_t Value = 0;
        while (Fields >> Field >> Value)
            if (Field == "rchar:") Result.Count = Value;
        return Result;
    }
    Sample FStart;
};

} // namespace testsupport
