#include "core/hash.hpp"
#ifndef _WIN32

#include <openssl/evp.h>

#include <stdexcept>

namespace core {

namespace {

// The digest is fetched once and each thread keeps one context: a plain EVP_Digest call
// fetches the algorithm and makes a context every time, which costs more than hashing
// the few hundred bytes of a typical symbol body.
const EVP_MD* md5_algorithm() {
    static EVP_MD* md = EVP_MD_fetch(nullptr, "MD5", nullptr);
    if (!md) throw std::runtime_error("MD5 digest not available");
    return md;
}

struct Context {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
};

}  // namespace

void md5_digest(std::string_view data, unsigned char (&digest)[16]) {
    thread_local Context context;
    if (!context.ctx) throw std::runtime_error("MD5 digest failed");
    unsigned int len = 0;
    if (EVP_DigestInit_ex2(context.ctx, md5_algorithm(), nullptr) != 1 ||
        EVP_DigestUpdate(context.ctx, data.data(), data.size()) != 1 ||
        EVP_DigestFinal_ex(context.ctx, digest, &len) != 1 || len != 16)
        throw std::runtime_error("MD5 digest failed");
}

}  // namespace core
#endif  // _WIN32

namespace core {

std::string md5_hex(std::string_view data) {
    unsigned char digest[16];
    md5_digest(data, digest);
    static constexpr char hex[] = "0123456789abcdef";
    std::string out(32, '0');
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = hex[digest[i] >> 4];
        out[2 * i + 1] = hex[digest[i] & 15];
    }
    return out;
}

std::string md5_prefix8(std::string_view data) {
    std::string h = md5_hex(data);
    h.resize(8);
    return h;
}

}  // namespace core
