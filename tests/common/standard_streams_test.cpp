#include "common/standard_streams.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

#ifdef _WIN32
constexpr char null_device[] = "NUL";
#else
constexpr char null_device[] = "/dev/null";
#endif

// The null device is a character device, as a console is, but shows nothing: written to, it
// must be taken for a file, not for a terminal that wants every line at once.
TEST(StandardStreams, NeitherAFileNorTheNullDeviceIsATerminal)
{
    std::FILE* const file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(is_terminal(file));
    std::fclose(file);
    std::FILE* const null = std::fopen(null_device, "w");
    ASSERT_NE(null, nullptr);
    EXPECT_FALSE(is_terminal(null));
    std::fclose(null);
}

}  // namespace
