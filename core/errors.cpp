#include "core/errors.hpp"

#include <cstring>

namespace core {

OsError::OsError(int err_, std::string filename_)
    : std::runtime_error(std::string(std::strerror(err_)) + ": '" + filename_ + "'"),
      err(err_),
      filename(std::move(filename_)) {}

}  // namespace core
