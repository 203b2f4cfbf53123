// The whole scan over a generated tree: the input becomes a few files (a byte picks each
// one's folder and suffix, two bytes its length, maybe a repeat count), written into a
// fresh folder and scanned. The graph must hold its counting rules, its node and edge
// shapes, survive being written and read as JSON, and come out the same when scanned on
// several threads and when a second scan takes over every file node of the first.
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>

#include "core/json.hpp"
#include "core/text.hpp"
#include "graph/vorlane/constants.hpp"
#include "graph/vorlane/scan.hpp"
#include "tests/fuzz/fuzz_common.hpp"

namespace fs = std::filesystem;
using core::Json;

namespace {

constexpr std::array<std::string_view, 28> kSuffixes = {
    ".ts",  ".tsx", ".js",  ".jsx", ".py",    ".rs",   ".java", ".cs", ".rb",   ".php", ".kt", ".kts", ".scala", ".c",
    ".cpp", ".h",   ".hpp", ".go",  ".swift", ".json", ".yaml", ".md", ".xaml", ".PY",  ".Ts", "",     ".txt",   "."};
constexpr std::array<std::string_view, 6> kFolders = {"", "", "src/", "src/lib/", "node_modules/", "build/"};
constexpr std::size_t kMaxFiles = 12;  // eight or more files are analysed on several threads

const fs::path& scratch() {
    static const fs::path dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/scan-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(tmpl.data()) != nullptr, tmpl);
        return fs::path(tmpl);
    }();
    return dir;
}

const std::string& str(const Json& j, const char* key) {
    const Json& v = j.at(key);
    FUZZ_CHECK(v.is_string(), key);
    return v.get_ref<const std::string&>();
}

void check_graph(const Json& g, std::size_t files_written) {
    const Json& nodes = g.at("nodes");
    const Json& edges = g.at("edges");
    const auto count = [&](const char* k) { return g.at(k).get<std::size_t>(); };
    FUZZ_CHECK(count("node_count") == nodes.size(), "node_count");
    FUZZ_CHECK(count("edge_count") == edges.size(), "edge_count");
    FUZZ_CHECK(count("node_count") == count("file_count") + count("symbol_count"), "node_count = files + symbols");
    FUZZ_CHECK(count("file_count") <= files_written, "more file nodes than files");

    std::set<std::string> ids;
    std::size_t symbols = 0;
    std::string file_id;
    for (const Json& n : nodes) {
        const std::string& kind = str(n, "kind");
        const std::string& id = str(n, "id");
        ids.insert(id);
        if (kind == "file") {
            file_id = id;
            const std::string& content = str(n, "content");
            FUZZ_CHECK(core::is_valid_utf8(content), "file content is not valid UTF-8");
            FUZZ_CHECK(core::cp_len(content) <= vorlane::MAX_CONTENT_CHARS, "file content too long");
            FUZZ_CHECK(content.find('\r') == std::string::npos, "carriage return in file content");
            FUZZ_CHECK(str(n, "file_hash").size() == 8, "file hash length");
            continue;
        }
        FUZZ_CHECK(kind == "symbol", kind);
        ++symbols;
        FUZZ_CHECK(!file_id.empty() && str(n, "path") == file_id, "symbol node not after its file node");
        FUZZ_CHECK(id == file_id + "::" + str(n, "name"), id);
        const auto start = n.at("line_start").get<std::int64_t>(), end = n.at("line_end").get<std::int64_t>();
        FUZZ_CHECK(start >= 0 && end >= start, id + ": block ends above its start");
        FUZZ_CHECK(n.at("size").get<std::int64_t>() == end - start + 1, id + ": size");
        FUZZ_CHECK(n.at("keywords").size() <= 10, id + ": keywords");
        FUZZ_CHECK(str(n, "body_hash").size() == 8, id + ": body hash");
    }
    FUZZ_CHECK(symbols == count("symbol_count"), "symbol_count");

    std::set<std::tuple<std::string, std::string, std::string>> seen;
    for (const Json& e : edges) {
        const std::string &from = str(e, "from"), &to = str(e, "to"), &rel = str(e, "rel");
        FUZZ_CHECK(seen.emplace(from, to, rel).second, "repeated edge " + from + " -> " + to);
        FUZZ_CHECK(ids.count(from) == 1, "edge from an unknown node " + from);
        if (rel == "contains") FUZZ_CHECK(ids.count(to) == 1, "contains edge to an unknown node " + to);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path root = scratch() / "tree";
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(root);

    fuzz::Reader in(data, size);
    std::size_t written = 0;
    for (std::size_t i = 0; i < kMaxFiles && !in.empty(); ++i) {
        const std::uint8_t pick = in.byte();
        const std::uint16_t len = in.u16();
        // A length with its top bit set is followed by a repeat count, so that a short
        // input can make a file past the size limit or the stored-text cut.
        const std::size_t repeats = len & 0x8000 ? 1 + std::size_t{in.byte()} * 64 : 1;
        std::string body;
        const std::string_view unit = in.take(len & 0x7FFF);
        for (std::size_t r = 0; r < repeats; ++r) body.append(unit);
        const fs::path file = root / (std::string(kFolders[(pick >> 5) % kFolders.size()]) + "f" + std::to_string(i) +
                                      std::string(kSuffixes[pick % kSuffixes.size()]));
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary).write(body.data(), static_cast<std::streamsize>(body.size()));
        ++written;
    }

    // One thread, then several: the same graph.
    ::setenv("VORLANE_THREADS", "1", 1);
    const Json g = vorlane::scan(root.string(), Json());
    check_graph(g, written);
    const std::string text = core::json_dumps_indent(g);
    ::setenv("VORLANE_THREADS", "3", 1);
    FUZZ_CHECK(core::json_dumps_indent(vorlane::scan(root.string(), Json())) == text,
               "the graph depends on the number of threads");

    FUZZ_CHECK(core::json_dumps_indent(core::json_loads(text)) == text, "graph does not read back as written");

    Json prior = Json::object();
    for (const Json& n : g.at("nodes"))
        if (n.at("kind") == "file") prior[str(n, "id")] = n;
    FUZZ_CHECK(core::json_dumps_indent(vorlane::scan(root.string(), prior)) == text,
               "taking over unchanged files changed the graph");
    return 0;
}
