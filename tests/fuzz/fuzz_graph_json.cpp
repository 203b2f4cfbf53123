// The graph file's reader and writer of host objects (host/common/graph_json) against the
// host's own json module, in an interpreter embedded in the target. The input is the
// file's bytes. The reader gives json.loads's value (same repr), declines where the host
// fails or where it documents a decline (nesting past 900 levels, a float literal beyond
// a double's range), or raises the host's own error. The writer gives json.dumps(v,
// indent=2) of what the host read, also after the value's lists become tuples and its
// keys other kinds (int, float, bool, None), or raises the same error; what it writes
// reads back to the same value. A read value, once dropped, leaves no object behind.
//
// The interpreter's own memory (its arenas, the objects they point to) looks leaked to
// the leak checker, which is therefore off on this thread; the host's count of its
// allocated blocks checks the reader instead.
#include <pybind11/embed.h>
#include <sanitizer/lsan_interface.h>

#include <cstdint>
#include <optional>
#include <string>

#include "host/common/graph_json.hpp"
#include "tests/fuzz/fuzz_common.hpp"

namespace py = pybind11;

namespace {

constexpr const char* kHelpers = R"(
import io, json, math, sys

def host_read(data):
    try:
        return json.loads(io.TextIOWrapper(io.BytesIO(data), encoding="utf-8-sig").read())
    except Exception as e:
        return e

def error_text(e):
    return type(e).__name__ + ": " + str(e)

def text_depth(text):
    # The deepest nesting of the text's arrays and objects, strings skipped.
    deepest = level = 0
    in_string = escaped = False
    for c in text:
        if in_string:
            if escaped:
                escaped = False
            elif c == "\\":
                escaped = True
            elif c == '"':
                in_string = False
        elif c == '"':
            in_string = True
        elif c in "[{":
            level += 1
            deepest = max(deepest, level)
        elif c in "]}":
            level -= 1
    return deepest

def declinable(data):
    # Nesting past 900 levels, or a float literal beyond a double's range (read as inf
    # or 0.0), anywhere in the text: a repeated key may drop it from the value.
    text = io.TextIOWrapper(io.BytesIO(data), encoding="utf-8-sig").read()
    edge = False
    def read_float(s):
        nonlocal edge
        f = float(s)
        if math.isinf(f) or (f == 0.0 and any(c in "123456789" for c in s.split("e")[0].split("E")[0])) \
                or (f != 0.0 and abs(f) < 2.2250738585072014e-308):
            edge = True
        return f
    json.loads(text, parse_float=read_float)
    return edge or text_depth(text) > 900

def as_key(k):
    try:
        return int(k)
    except ValueError:
        pass
    try:
        return float(k)
    except ValueError:
        pass
    return {"true": True, "false": False, "null": None}.get(k, k)

def mutated(v, mode):
    if isinstance(v, list):
        items = [mutated(x, mode) for x in v]
        return tuple(items) if mode & 1 else items
    if isinstance(v, dict):
        return {(as_key(k) if mode & 2 else k): mutated(x, mode) for k, x in v.items()}
    return v

def blocks():
    return sys.getallocatedblocks()

def host_dumps(v):
    try:
        return json.dumps(v, indent=2)
    except RecursionError:
        return None
    except Exception as e:
        return e
)";

struct Host {
    py::object host_read, error_text, declinable, mutated, host_dumps, blocks, exception_type, repr;
};

Host& embedded() {
    static Host* h = [] {
        __lsan_disable();
        py::initialize_interpreter(false);
        py::dict scope;
        scope["__builtins__"] = py::module_::import("builtins");
        py::exec(kHelpers, scope);
        return new Host{scope["host_read"],
                        scope["error_text"],
                        scope["declinable"],
                        scope["mutated"],
                        scope["host_dumps"],
                        scope["blocks"],
                        py::module_::import("builtins").attr("Exception"),
                        py::module_::import("builtins").attr("repr")};
    }();
    return *h;
}

bool is_error(const Host& h, py::handle v) { return py::isinstance(v, h.exception_type); }

std::string text(py::handle s) { return s.cast<std::string>(); }

// The reader's outcome on `bytes`: the value's repr, "declined", or the error's text.
std::string read_outcome(const Host& h, std::string_view bytes) {
    try {
        std::optional<py::object> v = host::graph_json::read(bytes);
        return v ? "value: " + text(h.repr(*v)) : std::string("declined");
    } catch (py::error_already_set& e) {
        return "error: " + text(h.error_text(e.value()));
    }
}

// The host's allocated blocks after reading `bytes` and dropping what was read.
long blocks_after_read(const Host& h, std::string_view bytes) {
    { std::optional<py::object> v = host::graph_json::read(bytes); }
    return h.blocks().cast<long>();
}

// The writer on `value` against the host's json.dumps(value, indent=2).
void check_writer(const Host& h, py::handle value) {
    py::object want = h.host_dumps(value);
    if (want.is_none()) return;  // the host's own writer runs out of recursion
    std::string got;
    try {
        got = host::graph_json::dumps_indent(value);
    } catch (py::error_already_set& e) {
        FUZZ_CHECK(is_error(h, want), "the writer raised where the host writes: " + text(h.error_text(e.value())));
        FUZZ_CHECK(text(h.error_text(e.value())) == text(h.error_text(want)), text(h.error_text(e.value())));
        return;
    }
    FUZZ_CHECK(!is_error(h, want), "the writer wrote where the host raises " + text(h.error_text(want)));
    FUZZ_CHECK(got == text(want), got);
    std::optional<py::object> back = host::graph_json::read(got);
    FUZZ_CHECK(back.has_value() || h.declinable(py::bytes(got)).cast<bool>(), "the writer's text was declined");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Host& h = embedded();
    const std::string_view bytes = fuzz::as_view(data, size);
    const py::bytes data_bytes(bytes.data(), bytes.size());
    py::object want = h.host_read(data_bytes);
    const std::string got = read_outcome(h, bytes);
    if (got == "declined") {
        FUZZ_CHECK(is_error(h, want) || h.declinable(data_bytes).cast<bool>(), "declined a document the host reads");
    } else if (got.starts_with("error: ")) {
        FUZZ_CHECK(is_error(h, want) && got == "error: " + text(h.error_text(want)), got);
    } else {
        FUZZ_CHECK(!is_error(h, want), "read a document the host refuses: " + text(h.error_text(want)));
        FUZZ_CHECK(got == "value: " + text(h.repr(want)), got);
        // The first reads fill the host's free lists; from then on a read leaves the
        // count as it found it.
        blocks_after_read(h, bytes);
        const long before = blocks_after_read(h, bytes);
        FUZZ_CHECK(blocks_after_read(h, bytes) == before, "a read value left objects behind");
    }
    if (is_error(h, want)) return 0;
    // The mode of the writer's input: lists as tuples, keys of other kinds.
    const int mode = size ? data[size - 1] & 3 : 0;
    check_writer(h, mode ? h.mutated(want, mode) : want);
    return 0;
}
