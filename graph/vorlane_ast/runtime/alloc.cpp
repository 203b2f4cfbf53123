// Size-class free lists per thread in front of the C library's allocator. Each block
// carries a 16-byte header with its class, so that free and realloc know its capacity
// and the payload keeps the C library's 16-byte alignment.
#include "graph/vorlane_ast/runtime/alloc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kHeader = 16;
constexpr std::size_t kGranule = 16;
constexpr std::uint32_t kClasses = 64;  // payloads of 16, 32, ... 1024 bytes
constexpr std::uint32_t kLarge = kClasses;
constexpr std::size_t kMaxKeptBytes = std::size_t{8} << 20;

struct Header {
    std::uint32_t cls;
    std::uint32_t unused[3];
};
static_assert(sizeof(Header) == kHeader);

struct FreeBlock {
    FreeBlock* next;
};

// Trivially destructible, so it stays usable while other thread-local objects are torn
// down after the Releaser below has run.
struct Cache {
    FreeBlock* heads[kClasses];
    std::size_t kept_bytes;
    bool armed;   // the Releaser of this thread exists
    bool closed;  // the thread is ending: nothing more is kept
};
thread_local Cache cache;

std::size_t capacity(std::uint32_t cls) { return (std::size_t{cls} + 1) * kGranule; }

void release(Cache& c) {
    for (FreeBlock*& head : c.heads) {
        while (head) {
            FreeBlock* next = head->next;
            std::free(reinterpret_cast<char*>(head) - kHeader);
            head = next;
        }
    }
    c.kept_bytes = 0;
}

struct Releaser {
    ~Releaser() {
        release(cache);
        cache.closed = true;
    }
};
thread_local Releaser releaser;

[[noreturn]] void out_of_memory(std::size_t size) {
    std::fprintf(stderr, "tree-sitter failed to allocate %zu bytes", size);
    std::abort();
}

Header* header_of(void* block) { return reinterpret_cast<Header*>(static_cast<char*>(block) - kHeader); }

void* allocate(std::size_t size) {
    if (size <= capacity(kClasses - 1)) {
        const auto cls = static_cast<std::uint32_t>(size == 0 ? 0 : (size - 1) / kGranule);
        Cache& c = cache;
        if (FreeBlock* b = c.heads[cls]) {
            c.heads[cls] = b->next;
            c.kept_bytes -= capacity(cls) + kHeader;
            return b;
        }
        void* raw = std::malloc(capacity(cls) + kHeader);
        if (!raw) out_of_memory(size);
        static_cast<Header*>(raw)->cls = cls;
        return static_cast<char*>(raw) + kHeader;
    }
    if (size > SIZE_MAX - kHeader) out_of_memory(size);
    void* raw = std::malloc(size + kHeader);
    if (!raw) out_of_memory(size);
    static_cast<Header*>(raw)->cls = kLarge;
    return static_cast<char*>(raw) + kHeader;
}

}  // namespace

extern "C" void* vorlane_ts_malloc(std::size_t size) { return allocate(size); }

extern "C" void* vorlane_ts_calloc(std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) out_of_memory(SIZE_MAX);
    void* block = allocate(count * size);
    std::memset(block, 0, count * size);
    return block;
}

extern "C" void vorlane_ts_free(void* block) {
    if (!block) return;
    Header* h = header_of(block);
    const std::uint32_t cls = h->cls;
    Cache& c = cache;
    if (cls == kLarge || c.closed || c.kept_bytes + capacity(cls) + kHeader > kMaxKeptBytes) {
        std::free(h);
        return;
    }
    if (!c.armed) {
        c.armed = true;
        (void)&releaser;  // made now, so that the thread's end releases what it keeps
    }
    auto* b = static_cast<FreeBlock*>(block);
    b->next = c.heads[cls];
    c.heads[cls] = b;
    c.kept_bytes += capacity(cls) + kHeader;
}

extern "C" void* vorlane_ts_realloc(void* block, std::size_t size) {
    if (!block) return allocate(size);
    Header* h = header_of(block);
    if (h->cls == kLarge) {
        if (size <= capacity(kClasses - 1)) return block;  // a large block holds any small size
        if (size > SIZE_MAX - kHeader) out_of_memory(size);
        void* raw = std::realloc(h, size + kHeader);
        if (!raw) out_of_memory(size);
        return static_cast<char*>(raw) + kHeader;
    }
    const std::size_t have = capacity(h->cls);
    if (size <= have) return block;
    void* grown = allocate(size);
    std::memcpy(grown, block, have);
    vorlane_ts_free(block);
    return grown;
}

extern "C" void vorlane_ts_release_thread_cache(void) { release(cache); }
