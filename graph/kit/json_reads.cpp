#include "graph/kit/json_reads.hpp"

#include <string>

#include "core/errors.hpp"

namespace graph_kit {

bool is_text(const core::Json& v, std::string_view s) { return v.is_string() && v.get_ref<const std::string&>() == s; }

bool has_kind(const core::Json& node, std::string_view kind) {
    auto it = node.find("kind");
    return it != node.end() && is_text(*it, kind);
}

const core::Json& at(const core::Json& obj, std::string_view key) {
    auto it = obj.find(key);
    if (it == obj.end()) throw core::KeyError(std::string(key));
    return *it;
}

}  // namespace graph_kit
