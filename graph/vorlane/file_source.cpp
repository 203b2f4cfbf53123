#include "graph/vorlane/file_source.hpp"

#include "core/fs.hpp"
#include "core/text.hpp"
#include "graph/vorlane/constants.hpp"
#include "graph/vorlane/scan_io.hpp"

namespace vorlane {

bool read_source(const std::string& path, std::int64_t& size, std::string& content) {
    const core::fs::Status st = core::fs::current().stat(path);
    if (!st.ok()) return false;
    size = static_cast<std::int64_t>(st.size);
    if (st.size > MAX_FILE_BYTES) return false;
    std::string bytes;
    if (read_file(path, bytes) != 0) return false;
    content = core::decode_text_mode(bytes);
    return true;
}

std::string content_prefix(const std::string& content) {
    if (content.size() <= MAX_CONTENT_CHARS) return content;
    return std::string(core::cp_prefix(content, MAX_CONTENT_CHARS));
}

}  // namespace vorlane
