// The command line a hand-over on Windows passes: quoted as the runtime splits it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/exec.hpp"

namespace {

TEST(WindowsCommandLine, QuotesAsTheRuntimeSplits) {
    using agent::process::windows_command_line;
    EXPECT_EQ(windows_command_line({"claude", "-p", "a b", ""}), "claude -p \"a b\" \"\"");
    EXPECT_EQ(windows_command_line({"say \"hi\"", "x\\y", "end\\ x\\"}), "\"say \\\"hi\\\"\" x\\y \"end\\ x\\\\\"");
    EXPECT_EQ(windows_command_line({"a\\\\\"b c"}), "\"a\\\\\\\\\\\"b c\"");
}

}  // namespace
