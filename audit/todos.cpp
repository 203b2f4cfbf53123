#include "audit/todos.hpp"

#include <exception>
#include <vector>

#include "audit/code_exts.hpp"
#include "audit/file_ids.hpp"
#include "audit/parallel.hpp"
#include "audit/patterns.hpp"
#include "audit/values.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

constexpr std::size_t kCap = 40;

// The markers of one file, at most the cap (later ones could never be kept).
std::vector<Json> file_markers(const std::string& id, const std::string& text) {
    std::vector<Json> out;
    std::size_t next = todo_candidate(text, 0);
    if (next == std::string_view::npos) return out;
    std::int64_t number = 0;
    for (std::string_view line : core::splitlines(text)) {
        ++number;
        const auto begin = static_cast<std::size_t>(line.data() - text.data());
        if (next < begin) next = todo_candidate(text, begin);
        if (next == std::string_view::npos) break;
        if (next >= begin + line.size()) continue;
        const auto m = todo_re().search(line);
        if (!m) continue;
        Json rec = Json::object();
        rec["file"] = id;
        rec["line"] = number;
        rec["text"] = std::string(core::strip(core::cp_prefix(m->group(), 90)));
        out.push_back(std::move(rec));
        if (out.size() == kCap) break;
    }
    return out;
}

}  // namespace

core::Json check_todos(const core::Json& graph, const SourceReader& read, unsigned threads,
                       const core::StopFlag* stop) {
    const FileIds files = file_ids(graph, [](const std::string& id) { return is_code_path(id); });
    const std::vector<std::string>& ids = files.ids;

    std::vector<std::vector<Json>> found(ids.size());
    const auto errors =
        parallel_for(0, ids.size(), threads, [&](std::size_t i) { found[i] = file_markers(ids[i], read(ids[i])); });
    Json out = Json::array();
    for (std::size_t i = 0; i < ids.size(); ++i) {
        core::check_stop(stop);
        if (errors[i]) std::rethrow_exception(errors[i]);
        for (auto& rec : found[i])
            if (out.size() < kCap) out.push_back(std::move(rec));
    }
    if (files.stop) std::rethrow_exception(files.stop);
    return out;
}

}  // namespace audit
