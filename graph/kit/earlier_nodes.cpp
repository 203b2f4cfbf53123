#include "graph/kit/earlier_nodes.hpp"

#include <exception>
#include <iterator>
#include <unordered_map>
#include <utility>

#include "core/fs.hpp"
#include "core/text.hpp"
#include "graph/kit/json_reads.hpp"

namespace graph_kit {

using core::Json;

namespace {

// The file nodes of a graph document, moved out of it.
Json file_nodes_of(Json& old) {
    auto nodes = old.find("nodes");
    // Anything but an array of objects gives nothing to reuse.
    if (nodes == old.end() || !nodes->is_array()) return Json::object();
    // A repeated id keeps its first place and takes the later node; the places are kept
    // aside (the object's own lookup is linear) and the object is made from the members
    // at the end.
    std::vector<std::pair<std::string, Json>> members;
    std::unordered_map<std::string, std::size_t> place;
    for (Json& n : *nodes) {
        if (!n.is_object()) return Json::object();
        if (!has_kind(n, "file")) continue;
        auto id = n.find("id");
        if (id == n.end() || id->is_array() || id->is_object()) return Json::object();
        // An id that is not text names no file.
        if (!id->is_string()) continue;
        auto [it, fresh] = place.try_emplace(id->get<std::string>(), members.size());
        if (fresh)
            members.emplace_back(it->first, std::move(n));
        else
            members[it->second].second = std::move(n);
    }
    return Json::object_t(std::make_move_iterator(members.begin()), std::make_move_iterator(members.end()));
}

}  // namespace

Json load_file_nodes(const std::string& path, LeadingMark mark, const core::StopFlag* stop) {
    std::string text;
    // Only a regular file can hold one: a device or a FIFO there is no previous graph.
    if (core::fs::current().read_regular_file(path, text) != 0) return Json::object();
    if (mark == LeadingMark::Skip && text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    if (!core::is_valid_utf8(text)) return Json::object();
    Json old;
    try {
        old = core::json_loads(text, core::Bom::Reject, core::BigInts::AsFloat, stop);
    } catch (const core::Stopped&) {
        throw;
    } catch (const std::exception&) {
        return Json::object();
    }
    text = {};
    if (!old.is_object()) return Json::object();
    Json out = file_nodes_of(old);
    core::free_in_steps(std::move(old), stop);
    return out;
}

}  // namespace graph_kit
