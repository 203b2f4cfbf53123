#pragma once
// Helpers shared by the fuzz targets: a check that reports and aborts (so libFuzzer
// keeps the input), and a reader that takes structured values off the input bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(cond, what)                                                                       \
    do {                                                                                             \
        if (!(cond)) {                                                                               \
            std::fprintf(stderr, "fuzz check failed at %s:%d: %s (%s)\n", __FILE__, __LINE__, #cond, \
                         std::string(what).c_str());                                                 \
            std::abort();                                                                            \
        }                                                                                            \
    } while (0)

namespace fuzz {

// Consumes the input front to back; past the end every read yields zero.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : s_(reinterpret_cast<const char*>(data), size) {}
    explicit Reader(std::string_view s) : s_(s) {}

    std::uint8_t byte() {
        if (s_.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(s_.front());
        s_.remove_prefix(1);
        return b;
    }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::string_view take(std::size_t n) {
        const std::string_view out = s_.substr(0, n);
        s_.remove_prefix(out.size());
        return out;
    }
    std::string_view rest() { return take(s_.size()); }
    bool empty() const { return s_.empty(); }

private:
    std::string_view s_;
};

inline std::string_view as_view(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz
