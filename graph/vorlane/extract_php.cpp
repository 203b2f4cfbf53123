// PHP symbols: named functions and methods, then classes, interfaces, traits and
// enumerations, each record ending where its brace block closes.
#include <algorithm>

#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"

namespace vorlane {
namespace {

enum : std::size_t { PHP_FUNCTION, PHP_TYPE };

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(php_patterns());
    return t;
}

// Whether a function is visible outside its class: not when the row of its keyword
// "function", from the row's start up to the keyword, holds "private" or "protected".
// Rows are counted by line feeds, as the record's rows are: no other line break starts
// one. Keywords come in text order, so the row start and the words already looked at
// carry over from one keyword to the next and a long row is read once, not once per
// function.
class PhpVisibility {
public:
    explicit PhpVisibility(std::string_view s) : s_(s) {}

    bool exported(std::size_t keyword) {
        if (walked_ < keyword) {  // the keyword's row starts after the last line feed before it
            const std::size_t feed = s_.substr(walked_, keyword - walked_).rfind('\n');
            if (feed != std::string_view::npos) {
                row_start_ = walked_ + feed + 1;
                hidden_ = false;
                searched_ = row_start_;
            }
            walked_ = keyword;
        }
        if (!hidden_ && searched_ < keyword) {
            std::string_view part = s_.substr(searched_, keyword - searched_);
            hidden_ =
                part.find("private") != std::string_view::npos || part.find("protected") != std::string_view::npos;
            // A word that begins in the last few bytes may end after a later keyword.
            constexpr std::size_t kLongestWord = sizeof("protected") - 1;
            std::size_t keep = std::min(part.size(), kLongestWord - 1);
            searched_ = std::max(row_start_, keyword - keep);
        }
        return !hidden_;
    }

private:
    std::string_view s_;
    std::size_t walked_ = 0, row_start_ = 0, searched_ = 0;
    bool hidden_ = false;
};

}  // namespace

std::vector<PatternSpec> php_patterns() {
    return {
        {"php_function", R"((?:public|private|protected|\s)(?:static\s+)?function\s+([A-Za-z_]\w*))", core::RE_NONE},
        {"php_type", R"((?:class|interface|trait|enum)\s+([A-Za-z_]\w*))", core::RE_NONE},
    };
}

Symbols extract_symbols_php(std::string_view content, std::string_view file_path) {
    const auto& t = table();
    graph_kit::SymbolFrame frame(content, file_path);
    // Brace counting looks at up to 400 rows; symbols of one pass that share a start row
    // share its block end.
    std::int64_t cached_row = -1, cached_end = 0;
    auto add = [&](std::string_view name, std::int64_t line_no, std::string_view sym_type, bool exported) {
        if (name.empty() || frame.seen(name)) return;
        if (line_no != cached_row) {
            cached_row = line_no;
            cached_end = frame.block_end_ts(line_no);
        }
        frame.add(name, line_no, cached_end, sym_type, "high", exported);
    };
    PhpVisibility visibility(content);
    t.for_each_row(PHP_FUNCTION, content, [&](const core::Match& m, std::int64_t row) {
        // The keyword follows the one access word or blank and an optional "static".
        add(m.group(1), row, "use_case", visibility.exported(content.find("function", m.start())));
    });
    t.for_each_row(PHP_TYPE, content,
                   [&](const core::Match& m, std::int64_t row) { add(m.group(1), row, "model", true); });
    return frame.take();
}

}  // namespace vorlane
