// Placeholder until the JSON layer lands.
#include "core/json.hpp"
