// The capability index as host functions: CapabilityEntry records in, boost maps out.
#include "host/common/convert.hpp"
#include "host/kestil/bindings.hpp"
#include "retrieval/capability_index.hpp"

namespace host::kestil_bind {

namespace {

// The texts of one list attribute of an entry (keywords or files).
void entry_texts(py::handle cap, const char* field, TextArena& arena, std::vector<std::string_view>& out) {
    py::object v = cap.attr(field);
    auto subject = [field] { return std::string("capability_file_boosts() entry '") + field + "'"; };
    if (!PyList_Check(v.ptr())) host::kind_error(subject(), "list", v);
    for (py::handle x : v) {
        if (!PyUnicode_Check(x.ptr())) host::item_kind_error(subject(), "str", x);
        out.push_back(arena.view(x.ptr()));
    }
    // The list may go once the call returns; the texts it held must not.
    arena.keep(v);
}

}  // namespace

std::vector<retrieval::CapabilityView> capability_views(py::handle caps, TextArena& arena) {
    std::vector<retrieval::CapabilityView> views;
    for (py::handle cap : caps) {
        retrieval::CapabilityView& v = views.emplace_back();
        entry_texts(cap, "keywords", arena, v.keywords);
        entry_texts(cap, "files", arena, v.files);
    }
    return views;
}

py::dict boosts_to_py(const retrieval::Boosts& boosts) {
    py::dict out;
    for (const auto& [path, boost] : boosts.entries()) out[host::to_str(path)] = py::int_(boost);
    return out;
}

py::list entries_to_py(py::module_ m, const std::vector<retrieval::CapabilityEntry>& entries) {
    py::object cls = m.attr("CapabilityEntry");
    py::list out;
    for (const retrieval::CapabilityEntry& e : entries)
        out.append(cls(host::to_str(e.name), host::to_list(e.keywords), host::to_list(e.files)));
    return out;
}

void bind_capability(py::module_& m) {
    m.def(
        "load_capability_index",
        [m](py::handle path) { return entries_to_py(m, retrieval::load_capability_index(host::fspath(path))); },
        py::arg("path"));
    m.def(
        "capability_file_boosts",
        [](py::handle query_terms, py::handle caps) {
            if (!PyList_Check(query_terms.ptr()))
                wrong_kind(query_terms, "capability_file_boosts", "query_terms", "list");
            if (!PyList_Check(caps.ptr())) wrong_kind(caps, "capability_file_boosts", "caps", "list");
            // Terms that are not text can equal no keyword.
            std::vector<std::string> terms;
            for (py::handle t : query_terms)
                if (PyUnicode_Check(t.ptr())) terms.push_back(host::utf8_lenient(t));
            TextArena arena;
            return boosts_to_py(retrieval::capability_file_boosts(terms, capability_views(caps, arena)));
        },
        py::arg("query_terms"), py::arg("caps"));
}

}  // namespace host::kestil_bind
