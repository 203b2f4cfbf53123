// Placeholder until the text layer lands.
#include "core/text.hpp"
