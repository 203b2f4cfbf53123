#pragma once
// Content hashes of the graph (MD5 through OpenSSL): linear in the bytes; each thread
// keeps one digest context for all its calls.
#include <string>
#include <string_view>

namespace core {

// MD5 of the bytes, as 32 lower-case hexadecimal digits.
std::string md5_hex(std::string_view data);
// The first 8 of them: the content hash of a text's UTF-8 bytes.
std::string md5_prefix8(std::string_view data);
// The 16 bytes of the digest, from the platform's provider (OpenSSL, or CNG on Windows).
void md5_digest(std::string_view data, unsigned char (&digest)[16]);

}  // namespace core
