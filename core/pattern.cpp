// Placeholder until the pattern layer lands.
#include "core/pattern.hpp"
