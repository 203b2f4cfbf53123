#include "graph/vorlane/frame.hpp"
#include "graph/vorlane/patterns.hpp"
namespace vorlane {
std::vector<PatternSpec> frame_patterns() { return {}; }
std::vector<std::string> split_camel(std::string_view) { return {}; }
std::vector<std::string> name_keywords(std::string_view) { return {}; }
std::int64_t find_block_end_ts(const Lines&, std::int64_t start) { return start; }
std::int64_t find_block_end_py(const Lines&, std::int64_t start) { return start; }
std::pair<std::string, std::string> classify_ts(std::string_view, bool) { return {"utility", "medium"}; }
std::int64_t RowCounter::row(std::size_t) { return 0; }
SymbolFrame::SymbolFrame(std::string_view, std::string_view file_path) : file_path_(file_path) {}
void SymbolFrame::add(std::string_view, std::int64_t, std::int64_t, std::string_view, std::string_view, bool) {}
std::int64_t SymbolFrame::fixed_span_end(std::int64_t line_no, std::int64_t) const { return line_no; }
}  // namespace vorlane
