#pragma once
// A listed file's text as the scan reads it: the size limit, text-mode decoding, and
// the stored prefix of the content. Costs one stat and one whole read per file.
#include <cstdint>
#include <string>

namespace vorlane {

// The file's size on disk and its decoded text; false when it is over the size limit
// or cannot be read (the file is then skipped).
bool read_source(const std::string& path, std::int64_t& size, std::string& content);

// The first MAX_CONTENT_CHARS characters; a text of no more bytes than that is whole.
std::string content_prefix(const std::string& content);

}  // namespace vorlane
