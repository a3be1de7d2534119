// The record manager's statuses in words, for the tool and for people reading test output.
#pragma once

#include <cstdint>
#include <string>

namespace recman {

// "record in use (84)"; an unknown status gives "status N".
std::string StatusText(int16_t status);

} // namespace recman
