#pragma once
// Host text and the UTF-16 of the Windows API, both ways. Host text is UTF-8 in which a
// lone surrogate (a name's unpaired UTF-16 unit, or an undecodable byte carried as
// U+DC80..U+DCFF) has its 3-byte form; it goes over as that unit and comes back the
// same, as the host's file-system encoding on Windows (UTF-8, "surrogatepass") does.
// Linear in the text.
#ifdef _WIN32

#include <string>
#include <string_view>

namespace core::wide {

// A byte that is not UTF-8 becomes U+FFFD.
std::wstring from_text(std::string_view text);
std::string to_text(std::wstring_view units);

}  // namespace core::wide

#endif  // _WIN32
