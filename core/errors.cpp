#include "core/errors.hpp"

#include <cstring>

namespace core {

OsError::OsError(int err_, std::string filename_)
    : std::runtime_error(std::string(std::strerror(err_)) + ": '" + filename_ + "'"),
      err(err_),
      filename(std::move(filename_)) {}

DecodeError::DecodeError(std::string bytes_)
    : std::runtime_error("'utf-8' codec can't decode the text"), bytes(std::move(bytes_)) {}

}  // namespace core
