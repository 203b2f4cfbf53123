#include "core/fs.hpp"

#include <atomic>

namespace core::fs {

namespace {

std::atomic<const FileSystem*> in_force{nullptr};

}  // namespace

const FileSystem& current() {
    const FileSystem* fs = in_force.load(std::memory_order_acquire);
    return fs ? *fs : disk();
}

Substitute::Substitute(const FileSystem& fs) : previous_(in_force.exchange(&fs, std::memory_order_acq_rel)) {}

Substitute::~Substitute() { in_force.store(previous_, std::memory_order_release); }

}  // namespace core::fs
