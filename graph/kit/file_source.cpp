#include "graph/kit/file_source.hpp"

#include <exception>

#include "core/fs.hpp"
#include "core/hash.hpp"
#include "core/paths.hpp"
#include "core/records.hpp"
#include "core/text.hpp"

namespace graph_kit {

int read_file(const std::string& path, std::string& out) { return core::fs::current().read_file(path, out); }

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

bool read_listed_file(const std::string& path, std::string_view resolved_root, SourceFile& f) {
    if (!read_source(path, f.size, f.content)) return false;
    try {
        f.file_id = core::rel_under(path, resolved_root);
    } catch (const std::exception&) {
        return false;
    }
    f.exact_suffix = core::paths::suffix(path);
    f.ext = core::lower(f.exact_suffix);
    f.fhash = core::md5_prefix8(f.content);
    return true;
}

}  // namespace graph_kit
