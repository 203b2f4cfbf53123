// Placeholder until the records land.
#include "core/records.hpp"
