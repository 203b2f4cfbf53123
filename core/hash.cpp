#include "core/hash.hpp"

#include <openssl/evp.h>

#include <stdexcept>

namespace core {

std::string md5_hex(std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(data.data(), data.size(), digest, &len, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 digest failed");
    static constexpr char hex[] = "0123456789abcdef";
    std::string out(2 * len, '0');
    for (unsigned int i = 0; i < len; ++i) {
        out[2 * i] = hex[digest[i] >> 4];
        out[2 * i + 1] = hex[digest[i] & 15];
    }
    return out;
}

std::string md5_prefix8(std::string_view data) { return md5_hex(data).substr(0, 8); }

}  // namespace core
