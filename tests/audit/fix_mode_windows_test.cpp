// The fix mode's program on Windows: "bin\wendle" beside the module names the program
// with the C runtime's endings, is started by that path with the project root, and its
// exit status comes back.
#include <gtest/gtest.h>

#include <string>

#include "agent/exec.hpp"
#include "audit/run.hpp"
#include "tests/core/scratch_tree.hpp"
#include "tests/kit/portable.hpp"

namespace {

class FixMode : public scratch::Tree {};

TEST_F(FixMode, TheProgramBesideTheModuleRunsByPathWithTheRoot) {
    folder("module/bin/wendle");  // a folder without an ending is no program
    file("module/bin/wendle.txt", "");
    const kit::EnvScope path("PATH", at("nowhere"));
    EXPECT_EQ(audit::find_wendle(at("module")), std::nullopt);

    file("module/bin/wendle.cmd", "@echo off\r\n>\"%~1\\seen\" echo %~nx0 %~1\r\nexit /b 4\r\n");
    const auto program = audit::find_wendle(at("module"));
    ASSERT_EQ(program, at("module/bin/wendle"));
    folder("project");
    EXPECT_EQ(
        agent::process::replace_process(*program, {*program, at("project")}, agent::process::current_environment()), 4);
    EXPECT_EQ(read("project/seen"), "wendle.cmd " + at("project") + "\r\n");
}

// Found on the search path (absolute entries only) by the same endings.
TEST_F(FixMode, OnTheSearchPathByTheSameEndings) {
    file("tools/wendle.exe", "");
    const kit::EnvScope path("PATH", "tools;" + at("none") + ";" + at("tools"));
    EXPECT_EQ(audit::find_wendle(at("module")), at("tools/wendle"));
}

}  // namespace
