// Placeholder until the path layer lands.
#include "core/paths.hpp"
