#include "audit/parallel.hpp"

#include "core/parallel.hpp"

namespace audit {

std::vector<std::exception_ptr> parallel_for(std::size_t first, std::size_t last, unsigned threads,
                                             const std::function<void(std::size_t)>& fn) {
    const std::size_t n = last > first ? last - first : 0;
    return core::parallel_for_each_caught(n, threads, [&](std::size_t i) { fn(first + i); });
}

void rethrow_first(const std::vector<std::exception_ptr>& errors) { core::rethrow_first(errors); }

}  // namespace audit
