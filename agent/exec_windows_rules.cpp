// The Windows rules of program lookup, batch command lines and environment blocks, built
// and tested on every platform.
#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "agent/exec.hpp"
#include "core/paths_int.hpp"
#include "core/text.hpp"

namespace agent::process {

namespace {

using core::paths::detail::nt_join;      // ntpath.join(a, b)
using core::paths::detail::nt_normcase;  // ntpath.normcase, for the folders of the search path

// The ending of the last part of a path: from its last dot on, empty when it has none.
std::string_view ending(std::string_view path) {
    const std::size_t part = path.find_last_of("\\/:");
    const std::string_view last = part == std::string_view::npos ? path : path.substr(part + 1);
    const std::size_t dot = last.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : last.substr(dot);
}

bool same_name(std::string_view a, std::string_view b, bool fold_case) {
    return fold_case ? core::upper(a) == core::upper(b) : a == b;
}

// One argument of a batch program's command line: quoted unless made only of characters
// that mean nothing to the interpreter, a quote inside doubled, backslashes doubled only
// before a quote, and every '%' turned into one that expands to itself ("%%cd:~,%" is an
// empty part of a variable that always exists, which stops the expansion at that '%').
void append_batch_argument(std::string& out, std::string_view arg) {
    if (arg.find_first_of("\r\n") != std::string_view::npos)
        throw std::invalid_argument("a line break cannot reach a batch program in an argument");
    static constexpr std::string_view plain = "#$*+-./:?@\\_";
    bool quote = arg.empty() || arg.back() == '\\';
    for (const char c : arg) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80 && !std::isalnum(u) && plain.find(c) == std::string_view::npos) quote = true;
    }
    if (quote) out += '"';
    std::size_t slashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++slashes;
            out += c;
            continue;
        }
        if (c == '"') out.append(slashes, '\\').append(1, '"');
        if (c == '%') out += "%%cd:~,";
        slashes = 0;
        out += c;
    }
    if (quote) out.append(slashes, '\\').append(1, '"');
}

}  // namespace

bool windows_names_folder(std::string_view name) {
    return name.find_first_of("\\/") != std::string_view::npos || (name.size() >= 2 && name[1] == ':');
}

std::vector<std::string> windows_search_order(std::string_view name, std::optional<std::string_view> path_var,
                                              std::string_view pathext) {
    if (windows_names_folder(name)) return {std::string(name)};
    const std::string_view value = path_var ? *path_var : WINDOWS_DEFAULT_PATH;
    if (value.empty()) return {};
    std::vector<std::string_view> dirs = core::split_sep(value, ";");
    if (std::find(dirs.begin(), dirs.end(), ".") == dirs.end()) dirs.insert(dirs.begin(), ".");

    std::vector<std::string> files;
    const std::string lower_name = core::lower(name);
    bool has_ending = false;
    for (std::string_view ext : core::split_sep(pathext.empty() ? WINDOWS_DEFAULT_PATHEXT : pathext, ";")) {
        if (ext.empty()) continue;
        files.push_back(std::string(name) + std::string(ext));
        has_ending = has_ending || lower_name.ends_with(core::lower(ext));
    }
    if (has_ending) files = {std::string(name)};

    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (std::string_view dir : dirs) {
        if (!seen.insert(nt_normcase(dir)).second) continue;
        for (const std::string& f : files) out.push_back(nt_join(dir, f));
    }
    return out;
}

bool windows_is_batch(std::string_view file) {
    const std::string ext = core::lower(ending(file));
    return ext == ".bat" || ext == ".cmd";
}

std::string windows_batch_command_line(std::string_view interpreter, std::string_view file,
                                       const std::vector<std::string>& argv) {
    if (file.find('"') != std::string_view::npos || file.empty() || file.back() == '\\')
        throw std::invalid_argument("not a name Windows allows for a program: " + std::string(file));
    // /d: no AutoRun commands; /e:ON /v:OFF: extensions on and no delayed expansion, as
    // the arguments' escaping expects; /c with the whole command in one more pair of quotes.
    std::string out = windows_command_line({std::string(interpreter)});
    out += " /e:ON /v:OFF /d /c \"\"";
    out += file;
    out += '"';
    for (std::size_t i = 1; i < argv.size(); ++i) {
        out += ' ';
        append_batch_argument(out, argv[i]);
    }
    out += '"';
    return out;
}

std::optional<std::string> env_value(const Environment& env, std::string_view name, bool fold_case) {
    std::optional<std::string> out;
    for (const auto& [k, v] : env)
        if (same_name(k, name, fold_case)) out = v;
    return out;
}

std::string windows_environment_block(const Environment& env) {
    // The last entry of each name, in the order of the upper-cased names.
    std::vector<std::pair<std::string, const std::pair<std::string, std::string>*>> keyed;
    for (const auto& kv : env) keyed.emplace_back(core::upper(kv.first), &kv);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string block;
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (i + 1 < keyed.size() && keyed[i + 1].first == keyed[i].first) continue;
        block += keyed[i].second->first + "=" + keyed[i].second->second;
        block += '\0';
    }
    if (block.empty()) block += '\0';  // an empty block is still two NULs
    block += '\0';
    return block;
}

}  // namespace agent::process
