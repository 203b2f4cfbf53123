#include "audit/code_exts.hpp"

#include <algorithm>

#include "core/paths.hpp"

namespace audit {

std::string suffix_of(std::string_view path) { return core::paths::suffix(path); }

std::string stem_of(std::string_view path) {
    std::string name = core::paths::name(path);
    const std::string ext = core::paths::suffix(path);
    name.resize(name.size() - ext.size());
    return name;
}

bool is_code_ext(std::string_view ext) { return std::find(CODE_EXTS.begin(), CODE_EXTS.end(), ext) != CODE_EXTS.end(); }

bool is_code_path(std::string_view path) { return is_code_ext(suffix_of(path)); }

}  // namespace audit
