// score_node as a host function.
#include "host/kestil/bindings.hpp"

namespace host::kestil_bind {

void bind_scoring(py::module_& m) {
    m.def(
        "score_node",
        [](py::handle node, py::handle terms, py::handle query) {
            if (!PyDict_Check(node.ptr())) wrong_kind(node, "score_node", "node", "dict");
            std::vector<std::string> t = text_list_arg(terms, "score_node", "terms");
            const std::string q = text_arg(query, "score_node", "query");
            TextArena arena;
            retrieval::NodeText text;
            std::vector<std::string_view> keywords;
            read_node(node.ptr(), arena, text, keywords);
            text.keywords = keywords;
            return retrieval::score_node(text, t, retrieval::analyse_query(q));
        },
        py::arg("node"), py::arg("terms"), py::arg("query"));
}

}  // namespace host::kestil_bind
