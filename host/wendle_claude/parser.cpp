// parse_args: the command line of wendle-claude on the host's own argument parser.
#include "host/common/convert.hpp"
#include "host/wendle_claude/bindings.hpp"

namespace host::wendle_bind {

namespace {

py::object parse_args(py::object argv) {
    py::module_ argparse = py::module_::import("argparse");
    py::object int_ = py::module_::import("builtins").attr("int");
    py::object p = argparse.attr("ArgumentParser")(
        py::arg("prog") = "wendle-claude",
        py::arg("description") =
            to_str("Pre-injection wrapper: graph retrieval \u2192 packed context \u2192 claude -p"));
    py::object add = p.attr("add_argument");
    add("query", py::arg("nargs") = "*",
        py::arg("help") = "The user's question (all positional args joined with spaces)");
    add("--project-root", "-r", py::arg("default") = ".",
        py::arg("help") = "Project root directory (default: current dir)");
    add("--budget", "-b", py::arg("type") = int_, py::arg("default") = 5000,
        py::arg("help") = "Token budget for the context pack (default: 5000)");
    add("--max-files", py::arg("type") = int_, py::arg("default") = 8,
        py::arg("help") = "Max files included in context (default: 8)");
    add("--model", "-m", py::arg("default") = "claude-sonnet-4-6",
        py::arg("help") = "Claude model to use (default: claude-sonnet-4-6)");
    add("--json", py::arg("action") = "store_true", py::arg("help") = "Add --output-format json (for benchmarks)");
    add("--dry-run", py::arg("action") = "store_true",
        py::arg("help") = "Print the packed context and exit (don't launch Claude)");
    add("--no-permissions", py::arg("action") = "store_true",
        py::arg("help") = "Add --dangerously-skip-permissions (for benchmarks)");
    add("--no-session", py::arg("action") = "store_true",
        py::arg("help") = "Add --no-session-persistence (for benchmarks)");
    add("--verbose", "-v", py::arg("action") = "store_true",
        py::arg("help") = "Print pack timing and token estimate to stderr");
    return p.attr("parse_args")(argv);
}

}  // namespace

void bind_parser(py::module_& m) {
    m.def("parse_args", &parse_args, py::arg("argv") = py::none(),
          "The options of wendle-claude from `argv` (the words after the program name; by default the process's "
          "own arguments).");
}

}  // namespace host::wendle_bind
