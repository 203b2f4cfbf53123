#pragma once
// Replacing the running process by another program, named by path (no search), with
// the C library's buffered output flushed first. The host's own stream buffers are the
// caller's to flush before this. Returns only on failure, with the errno of it.
#include <string>
#include <vector>

namespace audit {

int replace_process(const std::string& program, const std::vector<std::string>& argv);

}  // namespace audit
