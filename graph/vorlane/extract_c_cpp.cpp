// C and C++ symbols: the reflection-macro passes (classes and structures, enumerations,
// functions), then type and namespace declarations, then function definitions, each
// record spanning a fixed number of rows below its start.
#include <array>
#include <optional>

#include "core/text.hpp"
#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"
#include "graph/vorlane/summary_keywords_finders.hpp"

namespace vorlane {
namespace {

enum : std::size_t { C_REFLECTED_TYPE, C_REFLECTED_ENUM, C_REFLECTED_FUNCTION, C_DECLARATION, C_DEFINITION };

constexpr std::int64_t kSpan = 50;
constexpr std::array<std::string_view, 9> SKIP = {"if",     "for",   "while", "switch", "return",
                                                  "sizeof", "catch", "else",  "do"};

// Pattern pieces: a macro head "NAME\s*\([^)]*\)\s*\n\s*", then what follows it.
constexpr std::string_view kTypeHead = R"(^(?:UCLASS|USTRUCT|UINTERFACE)\s*\([^)]*\)\s*\n\s*)";
constexpr std::string_view kTypeTail = R"((?:class|struct)\s+(?:\w+_API\s+)?([A-Za-z_]\w*))";
constexpr std::string_view kEnumHead = R"(^UENUM\s*\([^)]*\)\s*\n\s*)";
constexpr std::string_view kEnumTail = R"(enum\s+(?:class\s+)?(?:\w+_API\s+)?([A-Za-z_]\w*))";
constexpr std::string_view kFunctionHead = R"(^\s*UFUNCTION\s*\([^)]*\)\s*\n\s*)";
constexpr std::string_view kFunctionTail =
    R"((?:virtual\s+|static\s+|FORCEINLINE\s+)*[\w:*&<>\s]+?\s+([A-Za-z_]\w*)\s*\()";

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(c_cpp_patterns());
    return t;
}

bool skipped(std::string_view name) {
    for (auto w : SKIP)
        if (name == w) return true;
    return false;
}

// The function patterns end in a lazy run of declarator characters [\w:*&<>\s], white
// space, a name, optional white space and "(". All but the "(" are declarator characters,
// so the "(" is the one that ends the run of them, and the name is the run's last word,
// which needs a blank before it.
struct DeclaratorRun {
    std::size_t end;  // where the run ends: the "(" when there is a name
    std::optional<std::pair<std::size_t, std::size_t>> name;
};

// The run from pos and, when "(" ends it, its name, if a blank at or after `blank_from`
// stands before it (the lazy run takes at least one character).
DeclaratorRun declarator_run(std::string_view s, std::size_t pos, std::size_t blank_from) {
    static const core::Regex run = bounded::attempt_regex(R"([\w:*&<>\s]*)", core::RE_NONE);
    static const core::Regex last_name(R"(\s([A-Za-z_]\w*)\s*(?!.))", core::RE_DOTALL);
    DeclaratorRun out{run.match(s, pos)->end(), std::nullopt};
    if (out.end >= s.size() || s[out.end] != '(' || blank_from >= out.end) return out;
    if (auto m = last_name.search(s.substr(0, out.end), blank_from)) out.name = {m->start(1), m->end(1)};
    return out;
}

// The macro head "NAME\s*\([^)]*\)" at a position, and the white space after it.
struct MacroHead {
    std::size_t close;       // the ")"
    std::size_t blanks_end;  // end of the white space after it
    std::size_t first_nl;    // the first "\n" in that white space, or npos
};

class MacroHeads {
public:
    explicit MacroHeads(std::string_view s) : s_(s), close_(s, ")") {}

    std::optional<MacroHead> at(std::size_t pos, std::initializer_list<std::string_view> names) {
        std::size_t after = std::string_view::npos;
        for (auto name : names)
            if (bounded::at(s_, pos, name)) after = pos + name.size();
        if (after == std::string_view::npos) return std::nullopt;
        after = bounded::skip_space(s_, after);
        if (after >= s_.size() || s_[after] != '(') return std::nullopt;
        std::size_t close = close_.from(after + 1);
        if (close == std::string_view::npos) return std::nullopt;
        MacroHead head{close, bounded::skip_space(s_, close + 1), std::string_view::npos};
        std::size_t nl = s_.substr(close + 1, head.blanks_end - close - 1).find('\n');
        if (nl != std::string_view::npos) head.first_nl = close + 1 + nl;
        return head;
    }

private:
    std::string_view s_;
    bounded::NextOf close_;
};

// What follows the white space of a macro head depends on that head's ")" alone; several
// row starts can lead to the same one (macro names inside a long argument list).
template <typename T>
class ByClose {
public:
    template <typename Fn>
    const T& get(std::size_t close, Fn&& compute) {
        if (close != close_) {
            close_ = close;
            value_ = compute();
        }
        return value_;
    }

private:
    std::size_t close_ = std::string_view::npos;
    T value_{};
};

// "^MACRO\s*\([^)]*\)\s*\n\s*TAIL" where TAIL begins with a keyword: "\s*\n\s*" can only
// end where the white space after ")" ends, and it needs a "\n" in that white space.
// A backtracking search tries every "\n" there and is quadratic on many blank rows.
void reflected_all(std::string_view s, const MatchFn& f, std::initializer_list<std::string_view> names,
                   const core::Regex& tail) {
    MacroHeads heads(s);
    ByClose<std::optional<std::array<std::size_t, 3>>> tails;
    std::size_t pos = 0;
    while ((pos = bounded::next_row_start(s, pos)) != std::string_view::npos) {
        auto head = heads.at(pos, names);
        const std::optional<std::array<std::size_t, 3>>* found = nullptr;
        if (head && head->first_nl != std::string_view::npos) {
            found = &tails.get(head->close, [&]() -> std::optional<std::array<std::size_t, 3>> {
                auto m = tail.match(s, head->blanks_end);
                if (!m) return std::nullopt;
                return std::array<std::size_t, 3>{m->end(), m->start(1), m->end(1)};
            });
        }
        if (found && *found) {
            const auto& [end, name_start, name_end] = **found;
            if (!f(core::Match(s, {pos, end, name_start, name_end}))) return;
            pos = end;
        } else {
            pos += 1;
        }
    }
}

void reflected_types_all(std::string_view s, const MatchFn& f) {
    static const core::Regex tail = bounded::attempt_regex(kTypeTail, core::RE_NONE);
    reflected_all(s, f, {"UCLASS", "USTRUCT", "UINTERFACE"}, tail);
}

void reflected_enums_all(std::string_view s, const MatchFn& f) {
    static const core::Regex tail = bounded::attempt_regex(kEnumTail, core::RE_NONE);
    reflected_all(s, f, {"UENUM"}, tail);
}

// "^\s*UFUNCTION(...)" and a declarator: the leading blanks as for every "^\s*" pattern;
// after the head, the optional prefixes and the lazy run are all declarator characters,
// so the match ends at the "(" that ends the declarator run after ")", with the run's last
// word as the name. The lazy run needs one character after the head's first "\n" and a
// blank before the name after that.
void reflected_functions_all(std::string_view s, const MatchFn& f) {
    MacroHeads heads(s);
    ByClose<DeclaratorRun> runs;
    bounded::scan_blank_led_rows(
        s, false,
        [&](std::size_t start, std::size_t blanks_end) -> std::optional<core::Match> {
            auto head = heads.at(blanks_end, {"UFUNCTION"});
            if (!head || head->first_nl == std::string_view::npos) return std::nullopt;
            const auto& run = runs.get(head->close, [&] {
                return declarator_run(s, head->close + 1, core::cp_advance(s, head->first_nl + 1, 1));
            });
            if (!run.name) return std::nullopt;
            return core::Match(s, {start, run.end + 1, run.name->first, run.name->second});
        },
        f);
}

}  // namespace

std::vector<PatternSpec> c_cpp_patterns() {
    return {
        {"c_reflected_type", bounded::Joined<kTypeHead, kTypeTail>::value, core::RE_MULTILINE, reflected_types_all},
        {"c_reflected_enum", bounded::Joined<kEnumHead, kEnumTail>::value, core::RE_MULTILINE, reflected_enums_all},
        {"c_reflected_function", bounded::Joined<kFunctionHead, kFunctionTail>::value, core::RE_MULTILINE,
         reflected_functions_all},
        {"c_declaration",
         R"(^\s*(?:class|struct|union|namespace)\s+(?:\w+_API\s+)?([A-Za-z_]\w*)|^\s*enum\s+(?:class\s+)?(?:\w+_API\s+)?([A-Za-z_]\w*))",
         core::RE_MULTILINE,
         [](std::string_view s, const MatchFn& f) {
             bounded::find_blank_led(table().attempt(C_DECLARATION), false, s, f);
         }},
        {"c_definition", R"(^[\w:*&<>\s]+?\s+([A-Za-z_]\w*)\s*\([^;{]*\{)", core::RE_MULTILINE,
         finders::c_definitions},  // the same pattern as the summary's definition names
    };
}

Symbols extract_symbols_c_cpp(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    bounded::SpanFrame frame(content, file_path, kSpan);
    auto function = [&](const core::Match& m, std::int64_t row) {
        if (!skipped(m.group(1))) frame.add_sym(m.group(1), row, "use_case", true);
    };
    auto type = [&](const core::Match& m, std::int64_t row) { frame.add_sym(m.group(1), row, "model", true); };
    t.for_each_row(C_REFLECTED_TYPE, content, type);
    t.for_each_row(C_REFLECTED_ENUM, content, type);
    t.for_each_row(C_REFLECTED_FUNCTION, content, function);
    t.for_each_row(C_DECLARATION, content, [&](const core::Match& m, std::int64_t row) {
        std::string_view name = m.has(1) ? m.group(1) : m.group(2);
        auto words = core::split_ws(m.group(0));
        std::string_view sym_type = !words.empty() && words.front() == "namespace" ? "utility" : "model";
        frame.add_sym(name, row, sym_type, true);
    });
    t.for_each_row(C_DEFINITION, content, function);
    return frame.take();
}

}  // namespace vorlane
