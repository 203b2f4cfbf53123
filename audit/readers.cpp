#include "audit/readers.hpp"

#include "core/fs.hpp"
#include "core/names.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

// Reads a text file as the host's text mode does with errors="replace"; nullopt-like
// failure reported through the return flag.
bool read_text(const std::string& path, std::string& text) {
    std::string bytes;
    if (core::fs::current().read_file(path, bytes) != 0) return false;
    text = core::decode_text_mode_replace(std::move(bytes));
    return true;
}

}  // namespace

core::Json load_graph(const std::string& root, const core::StopFlag* stop) {
    const std::string path = core::paths::join(core::paths::join(root, core::names::DATA_DIR), core::names::GRAPH_FILE);
    if (!core::fs::exists(path)) return core::Json::object();
    std::string text;
    if (!read_text(path, text)) return core::Json::object();
    try {
        core::Json doc = core::json_loads(text, core::Bom::Reject, core::BigInts::AsFloat, stop);
        if (doc.is_object() || doc.is_null()) return doc;
    } catch (const core::Stopped&) {
        throw;
    } catch (const std::exception&) {
        // Any decoding failure means no usable graph.
    }
    return core::Json::object();
}

std::string read_source(const std::string& root, std::string_view file_id) {
    if (core::paths::is_absolute(file_id)) return {};
    const std::string path = core::paths::join(root, file_id);
    if (!core::fs::exists(path)) return {};
    std::string text;
    if (!read_text(path, text)) return {};
    return text;
}

SourceReader project_reader(const std::string& root, const core::StopFlag* stop) {
    return [root, stop](const std::string& file_id) {
        core::check_stop(stop);
        return read_source(root, file_id);
    };
}

}  // namespace audit
