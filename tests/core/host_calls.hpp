#pragma once
// The fixture of the host file-call tests, shared by their portable and their
// platform-only files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "tests/core/scratch_tree.hpp"

namespace host_calls {

namespace fs = core::fs;

class HostCalls : public scratch::Tree {
protected:
    std::vector<std::string> names() const {
        std::vector<fs::DirEntry> entries;
        fs::Status self;
        EXPECT_EQ(fs::disk().list_dir(dir, entries, self), 0);
        std::vector<std::string> out;
        for (const auto& e : entries) out.push_back(e.name);
        return out;
    }
};

inline const std::string NUL_TAIL("\0x", 2);

}  // namespace host_calls
