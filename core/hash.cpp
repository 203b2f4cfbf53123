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

std::string md5_hex(std::string_view data) {
    thread_local Context context;
    if (!context.ctx) throw std::runtime_error("MD5 digest failed");
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_DigestInit_ex2(context.ctx, md5_algorithm(), nullptr) != 1 ||
        EVP_DigestUpdate(context.ctx, data.data(), data.size()) != 1 ||
        EVP_DigestFinal_ex(context.ctx, digest, &len) != 1)
        throw std::runtime_error("MD5 digest failed");
    static constexpr char hex[] = "0123456789abcdef";
    std::string out(2 * len, '0');
    for (unsigned int i = 0; i < len; ++i) {
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
#endif  // _WIN32
