// resolve() on Windows, where the interpreter of this machine cannot answer for the host:
// what Path.resolve() gives there, written out.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/paths.hpp"
#include "paths_host.hpp"

namespace {

namespace paths = core::paths;

class WindowsResolve : public paths_host::ScratchDir {
protected:
    void build() override {
        folder("Sub");
        file("Sub/File.txt");
    }
};

TEST_F(WindowsResolve, AgainstTheCurrentDriveAndFolderWithTheNamesTheSystemKeeps) {
    const std::string here = paths::resolve(".");
    ASSERT_TRUE(paths::is_absolute(here));
    EXPECT_TRUE(paths::same(here, paths::resolve(dir)));
    EXPECT_EQ(here.find("\\\\?\\"), std::string::npos);  // the system's prefix taken off
    const std::string drive = here.substr(0, 2);
    ASSERT_EQ(drive[1], ':');
    // Existing names in the letter case the folder has them, whatever the caller wrote.
    EXPECT_EQ(paths::resolve("sub\\FILE.txt"), here + "\\Sub\\File.txt");
    EXPECT_EQ(paths::resolve("./SUB/./"), here + "\\Sub");
    EXPECT_EQ(paths::resolve("sub\\..\\Sub\\File.txt"), here + "\\Sub\\File.txt");
    // A missing tail is kept as written, after the part that exists.
    EXPECT_EQ(paths::resolve("sub/Missing/x.py"), here + "\\Sub\\Missing\\x.py");
    // A rooted path without a drive lies on the current drive.
    EXPECT_EQ(paths::resolve("\\"), drive + "\\");
    EXPECT_EQ(paths::resolve("/no-such-folder-here/a"), drive + "\\no-such-folder-here\\a");
    EXPECT_EQ(paths::resolve(here + "/sub"), here + "\\Sub");
    EXPECT_EQ(paths::resolve("nul"), "\\\\.\\NUL");
    EXPECT_THROW(paths::resolve(std::string("a\0b", 3)), std::invalid_argument);
}

}  // namespace
