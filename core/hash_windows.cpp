// MD5 on Windows, through the system's CNG provider (bcrypt).
#ifdef _WIN32

#include "core/hash.hpp"

// windows.h first: bcrypt.h uses its types.
#include <windows.h>

#include <bcrypt.h>

#include <stdexcept>

namespace core {

namespace {

// The provider is opened once; each thread keeps one reusable hash object, as the
// OpenSSL version keeps one context.
BCRYPT_ALG_HANDLE md5_provider() {
    static BCRYPT_ALG_HANDLE alg = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        if (BCryptOpenAlgorithmProvider(&h, BCRYPT_MD5_ALGORITHM, nullptr, BCRYPT_HASH_REUSABLE_FLAG) != 0) h = nullptr;
        return h;
    }();
    if (!alg) throw std::runtime_error("MD5 digest not available");
    return alg;
}

struct Hash {
    BCRYPT_HASH_HANDLE handle = nullptr;
    Hash() {
        if (BCryptCreateHash(md5_provider(), &handle, nullptr, 0, nullptr, 0, BCRYPT_HASH_REUSABLE_FLAG) != 0)
            handle = nullptr;
    }
    ~Hash() {
        if (handle) BCryptDestroyHash(handle);
    }
};

}  // namespace

void md5_digest(std::string_view data, unsigned char (&digest)[16]) {
    thread_local Hash hash;
    if (!hash.handle) throw std::runtime_error("MD5 digest failed");
    // BCryptHashData takes at most a ULONG per call.
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ULONG n = left > 0x40000000 ? 0x40000000 : static_cast<ULONG>(left);
        if (BCryptHashData(hash.handle, reinterpret_cast<PUCHAR>(const_cast<char*>(p)), n, 0) != 0)
            throw std::runtime_error("MD5 digest failed");
        p += n;
        left -= n;
    }
    if (BCryptFinishHash(hash.handle, digest, sizeof digest, 0) != 0) throw std::runtime_error("MD5 digest failed");
}

}  // namespace core

#endif  // _WIN32
