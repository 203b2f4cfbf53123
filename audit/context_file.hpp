#pragma once
// The Markdown brief of one audit run for the agent session that works on the findings:
// score, coverage, a few counts, the fix roadmap and fixed instructions, written to
// <root>/.nimbrel/AUDIT_CONTEXT.md (no directory created, no final line break).
// Reads only the heads of the result lists; one small file written.
#include <string>

#include "core/json.hpp"

namespace audit {

// The brief's text.
std::string audit_context_text(const core::Json& r);
// Writes the brief (replacing the file as a whole; surrogate-escaped file names as
// their bytes on disk) and returns its path;
// core::OsError when it cannot be written.
std::string write_audit_context(const std::string& root, const core::Json& r);

}  // namespace audit
