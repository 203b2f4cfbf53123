#include "packing/summaries.hpp"

#include <vector>

#include "core/fs.hpp"
#include "core/names.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"
#include "packing/value.hpp"

namespace packing {

namespace {

const Json kEmptyMap = Json::object();

// A map entry's body as a map: entries of another kind are read as having no keys.
const Json& body(const Json& v) { return v.is_object() ? v : kEmptyMap; }

// The description line: stripped, closed by "." ("" when there is none). A
// description that is not text is not shown.
std::string description_line(const Json& summary) {
    const Json* d = member(summary, "description");
    if (!d || !d->is_string()) return {};
    std::string out(core::strip(d->get_ref<const std::string&>()));
    if (!out.empty() && out.back() != '.') out += '.';
    return out;
}

// The value at `key`, or the empty text when absent, as placed into a line: a list is
// joined with ", ", anything else is written in its text form.
std::string joined_or_text(const Json& map, const char* key) {
    const Json* v = member(map, key);
    if (!v) return {};
    if (v->is_array()) return join_items(*v, v->size(), ", ");
    return display_text(*v);
}

// Whether a substituted value shows: a list by its joined text, anything else as set.
bool shows(const Json& map, const char* key, const std::string& joined) {
    const Json* v = member(map, key);
    if (!v) return false;
    return v->is_array() ? !joined.empty() : truthy(*v);
}

// The set map at `key` when it is a non-empty map.
const Json* set_map(const Json& map, const char* key) {
    const Json* v = member(map, key);
    return v && v->is_object() && !v->empty() ? v : nullptr;
}

// The list at `key` when it is set and a list.
const Json* set_list(const Json& map, const char* key) {
    const Json* v = member(map, key);
    return v && v->is_array() && !v->empty() ? v : nullptr;
}

// name(params) [-> ret]
std::string signature(const std::string& name, const Json& info) {
    std::string sig = name + "(" + joined_or_text(info, "params") + ")";
    const Json* ret = member(info, "returns");
    if (ret && truthy(*ret)) sig += " -> " + display_text(*ret);
    return sig;
}

void function_lines(const Json& funcs, std::vector<std::string>& lines) {
    lines.emplace_back("Functions:");
    std::size_t taken = 0;
    for (const auto& [name, entry] : funcs.items()) {
        if (taken++ == 8) break;
        if (name.empty()) continue;
        const Json& info = body(entry);
        const Json* async = member(info, "async");
        lines.push_back((async && truthy(*async) ? "  async " : "  ") + signature(name, info));
        std::vector<std::string> details;
        Json calls = Json::array();
        for (const char* key : {"calls_internal", "calls_external"})
            if (const Json* c = set_list(info, key))
                for (const Json& item : *c) calls.push_back(item);
        if (!calls.empty()) details.push_back("calls: " + join_items(calls, 6, ", "));
        if (const Json* d = set_list(info, "decorators")) details.push_back("decorators: " + join_items(*d, 3, ", "));
        if (details.empty()) continue;
        std::string line = "    ";
        for (std::size_t i = 0; i < details.size(); ++i) line += (i ? " | " : "") + details[i];
        lines.push_back(std::move(line));
    }
}

std::string class_line(const Json& classes) {
    std::string line = "Classes: ";
    std::size_t taken = 0;
    for (const auto& [name, entry] : classes.items()) {
        if (taken == 5) break;
        const Json& info = body(entry);
        std::string label = name;
        const std::string bases = joined_or_text(info, "bases");
        if (shows(info, "bases", bases)) label += "(" + bases + ")";
        if (const Json* m = set_list(info, "methods")) label += " [" + join_items(*m, 4, ", ") + "]";
        line += (taken++ ? ", " : "") + label;
    }
    return line;
}

// Parts joined with ", " behind `label`; nothing when there are no parts.
void add_parts_line(const char* label, const std::vector<std::string>& parts, std::vector<std::string>& lines) {
    if (parts.empty()) return;
    std::string line = label;
    for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? ", " : "") + parts[i];
    lines.push_back(std::move(line));
}

void variable_line(const Json& vars, std::vector<std::string>& lines) {
    std::vector<std::string> parts;
    std::size_t taken = 0;
    for (const Json& item : vars) {
        if (taken++ == 6) break;
        if (item.is_string()) {
            parts.push_back(item.get<std::string>());
        } else if (item.is_object()) {
            const Json* name = member(item, "name");
            if (!name || !truthy(*name)) continue;
            const Json* users = set_list(item, "used_by");
            parts.push_back(users ? display_text(*name) + " (used by: " + join_items(*users, 3, ", ") + ")"
                                  : display_text(*name));
        }
    }
    add_parts_line("Vars: ", parts, lines);
}

void call_graph_line(const Json& edges, std::vector<std::string>& lines) {
    std::vector<std::string> parts;
    std::size_t taken = 0;
    for (const Json& e : edges) {
        if (taken++ == 6) break;
        const Json* from = member(e, "from");
        const Json* to = member(e, "to");
        if (from && to && truthy(*from) && truthy(*to)) parts.push_back(display_text(*from) + "->" + display_text(*to));
    }
    add_parts_line("Call graph: ", parts, lines);
}

void import_line(const Json& imports, std::vector<std::string>& lines) {
    std::vector<std::string> parts;
    std::size_t taken = 0;
    for (const Json& imp : imports) {
        if (taken++ == 5) break;
        const Json* module = member(imp, "module");
        if (!module || !truthy(*module)) continue;
        const Json* names = set_list(imp, "names");
        parts.push_back(names ? display_text(*module) + "(" + join_items(*names, 4, ", ") + ")"
                              : display_text(*module));
    }
    add_parts_line("Imports: ", parts, lines);
}

bool renders(const Json& summary) { return summary.is_object() && !summary.empty(); }

}  // namespace

std::string summary_store_path(const std::string& project_root) {
    return core::paths::join(core::paths::join(project_root, core::names::DATA_DIR), core::names::SUMMARIES_FILE);
}

StoreRead load_summaries(const std::string& project_root) {
    StoreRead out;
    const std::string path = summary_store_path(project_root);
    // A file that cannot be read (missing, a directory, a NUL in its name) is no file here.
    std::string bytes;
    if (core::fs::current().read_file(path, bytes) != 0) return out;
    if (!core::is_valid_utf8(bytes)) {
        out.kind = StoreRead::Kind::NotUtf8;
        out.bytes = std::move(bytes);
        return out;
    }
    try {
        Json v = core::json_loads(bytes, core::Bom::Strip, core::BigInts::Keep);
        if (v.is_object()) out.value = std::move(v);
    } catch (const core::JsonError&) {
    }
    return out;
}

std::string expand_summary(const Json& summary) {
    if (!renders(summary)) return {};
    std::vector<std::string> lines;
    if (std::string d = description_line(summary); !d.empty()) lines.push_back(std::move(d));
    if (const Json* funcs = set_map(summary, "functions")) function_lines(*funcs, lines);
    if (const Json* classes = set_map(summary, "classes")) lines.push_back(class_line(*classes));
    if (const Json* vars = set_list(summary, "variables")) variable_line(*vars, lines);
    if (const Json* edges = set_list(summary, "internal_graph")) call_graph_line(*edges, lines);
    if (const Json* imports = set_list(summary, "imports")) import_line(*imports, lines);
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + lines[i];
    return out;
}

std::string condense_summary(const Json& summary) {
    if (!renders(summary)) return {};
    std::vector<std::string> parts;
    if (std::string d = description_line(summary); !d.empty()) parts.push_back(std::move(d));
    if (const Json* funcs = set_map(summary, "functions")) {
        std::vector<std::string> sigs;
        std::size_t taken = 0;
        for (const auto& [name, entry] : funcs->items()) {
            if (taken++ == 5) break;
            if (!name.empty()) sigs.push_back(signature(name, body(entry)));
        }
        add_parts_line("Functions: ", sigs, parts);
    }
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? " | " : "") + parts[i];
    return std::string(core::cp_prefix(out, 300));
}

}  // namespace packing
