#include "graph/vorlane/scan_io.hpp"

#include "core/errors.hpp"
#include "core/fs.hpp"

namespace vorlane {

void write_file(const std::string& path, std::string_view data) {
#ifdef _WIN32
    std::string text;
    for (char c : data) {
        if (c == '\n') text += '\r';
        text += c;
    }
    data = text;
#endif
    if (const int err = core::fs::current().write_file(path, data)) throw core::OsError(err, path);
}

}  // namespace vorlane
