// Query analysis as host functions: the host's own types in and out.
#include "host/common/convert.hpp"
#include "host/kestil/bindings.hpp"
#include "retrieval/query.hpp"

namespace host::kestil_bind {

void bind_query(py::module_& m) {
    m.def(
        "extract_route",
        [](py::handle query) {
            const retrieval::Route r = retrieval::extract_route(text_arg(query, "extract_route", "query"));
            return py::make_tuple(host::to_str(r.method), host::to_list(r.segments));
        },
        py::arg("query"));
    m.def(
        "tokenize_query",
        [](py::handle text) {
            return host::to_list(retrieval::tokenize_query(text_arg(text, "tokenize_query", "text")));
        },
        py::arg("text"));
    m.def(
        "score_text",
        [](py::handle text, py::handle terms) {
            const std::string t = text_arg(text, "score_text", "text");
            return retrieval::score_text(t, text_list_arg(terms, "score_text", "terms"));
        },
        py::arg("text"), py::arg("terms"));
    m.def(
        "classify_intent",
        [](py::handle query) {
            return host::to_str(retrieval::classify_intent(text_arg(query, "classify_intent", "query")));
        },
        py::arg("query"));
    m.def(
        "node_role",
        [](py::handle path, py::handle ext) {
            const std::string p = text_arg(path, "node_role", "path");
            return host::to_str(retrieval::node_role(p, text_arg(ext, "node_role", "ext")));
        },
        py::arg("path"), py::arg("ext"));
    m.def(
        "intent_role_weight",
        [](py::handle intent, py::handle role) {
            const std::string i = text_arg(intent, "intent_role_weight", "intent");
            return retrieval::intent_role_weight(i, text_arg(role, "intent_role_weight", "role"));
        },
        py::arg("intent"), py::arg("role"));
    m.def(
        "query_scoped_to_feature",
        [](py::handle q) { return retrieval::query_scoped_to_feature(text_arg(q, "query_scoped_to_feature", "q")); },
        py::arg("q"));
}

}  // namespace host::kestil_bind
