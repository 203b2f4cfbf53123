#include "host/common/node_record.hpp"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/records.hpp"

namespace host {

namespace py = pybind11;

namespace {

// Node.as_dict: a new dict of the record's own values, keyed by kind.
py::dict node_as_dict(py::handle self) {
    py::dict d;
    auto take = [&](const auto& keys) {
        for (std::string_view k : keys) {
            py::str key(k.data(), k.size());
            d[key] = self.attr(key);
        }
    };
    take(core::NODE_COMMON_KEYS);
    const py::object kind = self.attr("kind");
    if (kind.equal(py::str("file")))
        take(core::NODE_FILE_KEYS);
    else
        take(core::NODE_SYMBOL_KEYS);
    return d;
}

}  // namespace

py::object make_node_class(py::handle module_name) {
    py::module_ b = py::module_::import("builtins");
    const py::object str = b.attr("str"), int_ = b.attr("int"), bool_ = b.attr("bool");
    const py::object list_str = b.attr("list")[str];
    py::list fields;
    // A field's type from its value's, and the value of a default record as its default;
    // the common keys have none.
    auto add = [&](std::string_view key, const auto& value, bool with_default) {
        using V = std::decay_t<decltype(value)>;
        const py::str name(key.data(), key.size());
        py::object type, fallback;
        if constexpr (std::is_same_v<V, std::string>) {
            type = str, fallback = py::str(value);
        } else if constexpr (std::is_same_v<V, std::int64_t>) {
            type = int_, fallback = py::int_(value);
        } else if constexpr (std::is_same_v<V, bool>) {
            type = bool_, fallback = py::bool_(value);
        } else {
            static_assert(std::is_same_v<V, std::vector<std::string>>);
            if (with_default) throw std::logic_error("a list field takes no default");
            type = list_str;
        }
        fields.append(with_default ? py::make_tuple(name, type, fallback) : py::make_tuple(name, type));
    };
    // The common keys and the file keys, then the symbol keys.
    core::Node file, symbol;
    file.kind = "file";
    std::size_t i = 0;
    core::for_each_node_field(
        file, [&](std::string_view key, const auto& value) { add(key, value, i++ >= core::NODE_COMMON_KEYS.size()); });
    i = 0;
    core::for_each_node_field(symbol, [&](std::string_view key, const auto& value) {
        if (i++ >= core::NODE_COMMON_KEYS.size()) add(key, value, true);
    });

    py::dict ns;
    ns["__module__"] = module_name;
    py::object cls =
        py::module_::import("dataclasses").attr("make_dataclass")("Node", fields, py::arg("namespace") = ns);
    cls.attr("as_dict") = py::cpp_function(node_as_dict, py::name("as_dict"), py::is_method(cls),
                                           "The node as a map: the common keys, then the file or the symbol keys.");
    return cls;
}

}  // namespace host
