#include "graph/vorlane/file_order.hpp"

#include <algorithm>
#include <cstdint>

#include "core/fs.hpp"
#include "core/parallel.hpp"

namespace vorlane {

std::vector<std::size_t> largest_first(const std::vector<std::string>& files, unsigned threads) {
    std::vector<std::uint64_t> size(files.size(), 0);
    core::parallel_for_each(files.size(), threads, [&](std::size_t i) {
        const core::fs::Status st = core::fs::current().stat(files[i]);
        if (st.ok()) size[i] = st.size;
    });
    std::vector<std::size_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return size[a] > size[b]; });
    return order;
}

}  // namespace vorlane
