#pragma once
// A listed file's text as both builders read it: the size limit, text-mode decoding,
// the file id, the content hash and the stored prefix of the content. Costs one stat
// and one whole read per file, and one pass of the hash over its text. Paths are text
// as the host holds file names (undecodable bytes carried as surrogate escapes).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace graph_kit {

// A file over this many bytes is skipped; a node stores this many characters of the
// text at most.
inline constexpr std::size_t MAX_FILE_BYTES = 300000;
inline constexpr std::size_t MAX_CONTENT_CHARS = 24000;

// Reads the whole file into `out`; 0, or the errno of the failure.
int read_file(const std::string& path, std::string& out);

// The file's size on disk and its decoded text; false when it is over the size limit
// or cannot be read (the file is then skipped).
bool read_source(const std::string& path, std::int64_t& size, std::string& content);

// The first MAX_CONTENT_CHARS characters; a text of no more bytes than that is whole.
std::string content_prefix(const std::string& content);

// What a builder knows of a listed file before it analyses it.
struct SourceFile {
    std::string content;       // the decoded text
    std::string file_id;       // its path under the scan's root
    std::string exact_suffix;  // the suffix as written
    std::string ext;           // the suffix lower-cased ("" when there is none)
    std::string fhash;         // the content hash of the text
    std::int64_t size = 0;     // bytes on disk
};

// Reads `path` under the scan's resolved root; false when the file is skipped: over
// the size limit, unreadable, or without a file id (as an unreadable file is).
bool read_listed_file(const std::string& path, std::string_view resolved_root, SourceFile& f);

}  // namespace graph_kit
