// Score, roadmap, report, context file, the audit run and the command.
#include <cerrno>
#include <future>

#include "agent/exec.hpp"
#include "audit/context_file.hpp"
#include "audit/readers.hpp"
#include "audit/report.hpp"
#include "audit/run.hpp"
#include "audit/score_roadmap.hpp"
#include "audit/values.hpp"
#include "core/errors.hpp"
#include "core/paths.hpp"
#include "host/audit/bindings.hpp"
#include "host/common/convert.hpp"
#include "host/common/interrupt.hpp"
#include "host/common/streams.hpp"

namespace host::audit_bind {

namespace {

// The report's "━" and "→" must reach a redirected output whatever the locale says:
// a stream that would encode in anything but UTF-8 is switched to UTF-8. On standard
// output, file names whose bytes do not decode (held as surrogate escapes) are written
// as those bytes, as the host writes them under a C locale, instead of ending the
// command with an encoding error; a stream with its own lenient error rule keeps it.
void ensure_utf8(Stream which, bool file_names) {
    py::object s = stream(which);
    if (s.is_none() || !py::hasattr(s, "reconfigure") || !py::hasattr(s, "encoding")) return;
    py::object enc = s.attr("encoding");
    if (enc.is_none()) return;
    py::object codec = py::module_::import("codecs").attr("lookup")(enc);
    const bool utf8 = py::str(codec.attr("name")).cast<std::string>() == "utf-8";
    const py::object errors = py::getattr(s, "errors", py::none());
    const bool strict = errors.is_none() || py::str(errors).cast<std::string>() == "strict";
    if (utf8 && !(file_names && strict)) return;
    if (file_names && strict)
        s.attr("reconfigure")(py::arg("encoding") = "utf-8", py::arg("errors") = "surrogateescape");
    else
        s.attr("reconfigure")(py::arg("encoding") = "utf-8", py::arg("errors") = errors);
}

// The progress lines of a run on the host's standard error; called from the thread
// that takes the checks' results, without the interpreter's lock.
void report_progress(const audit::CheckStep& step, bool done) {
    py::gil_scoped_acquire locked;
    if (done) {
        write_stderr("done\n");
    } else {
        write_stderr(audit::progress_start(step));
        flush(Stream::err);
    }
}

// The project's graph; SystemExit(1) after the two missing-graph lines when the project
// has no usable graph. An interrupt surfaces once the graph is read.
core::Json load_usable_graph(const std::string& root) {
    core::Json graph;
    host::run_interruptible([&](const core::StopFlag& stop) { graph = audit::load_graph(root, &stop); });
    if (!audit::has_graph(graph)) {
        write_stderr(audit::missing_graph_message(root));
        exit_status(1);
    }
    return graph;
}

// The audit run with its progress lines on the host's standard error. The checks run
// without the interpreter's lock; progress takes it back to write. An interrupt ends
// the run between files and between checks.
core::Json run_audit_released(const std::string& root) {
    core::Json graph = load_usable_graph(root);
    core::Json r;
    host::run_interruptible(
        [&](const core::StopFlag& stop) { r = audit::run_audit(std::move(graph), root, report_progress, &stop); });
    return r;
}

// The audit run as the host's results map, "_graph" first. The graph's conversion to
// host values (as long as the checks themselves on a large graph) holds the lock in this
// thread while the checks run on another; their progress lines wait for the lock. An
// interrupt ends the checks between files and between checks once the conversion is
// done.
py::dict run_audit_dict(const std::string& root) {
    const core::Json graph = load_usable_graph(root);
    core::Json results;
    core::StopFlag stop;
    std::future<void> checks =
        std::async(std::launch::async, [&] { results = audit::run_checks(graph, root, report_progress, &stop); });
    py::object host_graph;
    try {
        host_graph = graph_to_py(graph);
    } catch (...) {
        stop.request();
        py::gil_scoped_release unlocked;
        checks.wait();
        throw;
    }
    host::wait_interruptible(checks, stop);
    py::dict out;
    out["_graph"] = std::move(host_graph);
    for (const auto& [k, v] : results.items()) out[to_str(k)] = to_py(v);
    return out;
}

py::object build_parser() {
    py::object parser =
        py::module_::import("argparse").attr("ArgumentParser")(py::arg("description") = "Tarvelle Vibe Code Auditor");
    parser.attr("add_argument")("--root", py::arg("default") = ".", py::arg("help") = "Project root");
    parser.attr("add_argument")("--out", py::arg("default") = py::none(), py::arg("help") = "JSON report output path");
    parser.attr("add_argument")("--json", py::arg("action") = "store_true");
    parser.attr("add_argument")("--no-color", py::arg("action") = "store_true");
    parser.attr("add_argument")("--fix", py::arg("action") = "store_true",
                                py::arg("help") = "After report, launch wendle with audit context pre-loaded");
    return parser;
}

void main_command(py::module_ m) {
    py::object args = build_parser().attr("parse_args")();
    ensure_utf8(Stream::out, true);
    ensure_utf8(Stream::err, false);
    const std::string root = audit::resolve_root(fspath(args.attr("root")));
    const bool color = py::bool_(m.attr("COLOR")) && !py::bool_(args.attr("no_color"));
    write_stderr(audit::banner(root));
    core::Json results = run_audit_released(root);
    // The graph inside, seconds to free when large, goes on a thread of its own at the end.
    struct FreeLate {
        core::Json& results;
        ~FreeLate() {
            core::keep_for_freeing(std::move(results));
            core::free_kept();
        }
    } free_late{results};
    // An interrupt that came as the checks ended still ends the command before it writes.
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();

    py::object out_arg = args.attr("out");
    const std::optional<std::string> out =
        out_arg.is_none() ? std::nullopt : std::optional<std::string>(fspath(out_arg));
    const std::string path = audit::report_path(out, root);
    std::string json_text, context_path;
    {
        py::gil_scoped_release unlocked;
        json_text = audit::write_report(path, results);
        context_path = audit::write_audit_context(root, results);
    }
    if (py::bool_(args.attr("json"))) {
        write_stdout(json_text + "\n");
    } else {
        write_stdout(audit::format_report(root, results, color) + "\n");
        write_stderr(audit::closing_lines(path, context_path));
    }
    if (!py::bool_(args.attr("fix"))) return;

    write_stderr(audit::LAUNCH_LINE);
    // The report may still sit in the host's buffers: a replaced process never writes them.
    flush_all();
    const std::string module_dir = core::paths::parent(fspath(m.attr("__file__")));
    const auto program = audit::find_wendle(module_dir);
    if (!program) throw core::OsError(ENOENT, "wendle");
    // Named by its path, so no search; only where the platform cannot replace a process
    // does this return, with the program's exit status.
    const int status =
        agent::process::replace_process(*program, {*program, root}, agent::process::current_environment());
    exit_status(status);
}

}  // namespace

void bind_run(py::module_& m) {
    m.def(
        "debt_score", [](py::handle r) { return audit::debt_score(results_arg(r)); }, py::arg("r"),
        "The debt score of a results map: 0 (healthy) to 100.");
    m.def(
        "fix_roadmap", [](py::handle r) { return to_py(audit::fix_roadmap(results_arg(r))); }, py::arg("r"),
        "At most six fix tasks {week, label, files, why} for a results map, in a fixed order.");
    m.def(
        "_debt_color", [](py::handle score) { return audit::debt_color(audit::as_number(from_py(score))); },
        py::arg("score"), "The colour of a debt score: green, yellow or red.");
    m.def(
        "format_report",
        [](py::handle root, py::handle r, py::handle color) {
            return to_str(audit::format_report(fspath(root), results_arg(r), truthy(color)));
        },
        py::arg("root"), py::arg("r"), py::arg("color") = true, "The text report of a results map.");
    m.def(
        "write_audit_context",
        [](py::handle root, py::handle r) {
            const core::Json results = results_arg(r);
            const std::string path = audit::write_audit_context(fspath(root), results);
            return py::module_::import("pathlib").attr("Path")(to_str(path));
        },
        py::arg("root"), py::arg("r"), "Writes <root>/.nimbrel/AUDIT_CONTEXT.md and returns its path.");
    m.def(
        "run_audit", [](py::handle root) { return run_audit_dict(fspath(root)); }, py::arg("root"),
        "Runs the seven checks over the project's graph and returns the results map.");
    m.def("build_parser", &build_parser, "The command's argument parser.");
    m.def(
        "main", [m]() { main_command(m); }, "The audit command.");
}

}  // namespace host::audit_bind
