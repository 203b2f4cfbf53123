#include "audit/exec.hpp"

#include <cerrno>
#include <cstdio>

#include "core/paths.hpp"

#ifdef _WIN32
#include <process.h>

#include <cstdlib>
#else
#include <unistd.h>
#endif

namespace audit {

int replace_process(const std::string& program, const std::vector<std::string>& argv) {
    std::fflush(nullptr);
    std::vector<std::string> native;
    native.reserve(argv.size());
    for (const auto& a : argv) native.push_back(core::paths::fs_encode(a));
    std::vector<char*> args;
    for (auto& a : native) args.push_back(a.data());
    args.push_back(nullptr);
    const std::string prog = core::paths::fs_encode(program);
#ifdef _WIN32
    // No process replacement here: run the program, then end with its status.
    const intptr_t status = _spawnv(_P_WAIT, prog.c_str(), args.data());
    if (status == -1) return errno;
    std::exit(static_cast<int>(status));
#else
    ::execv(prog.c_str(), args.data());
    return errno;
#endif
}

}  // namespace audit
