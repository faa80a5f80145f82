#pragma once

#include <string>

namespace corvane::platform {

// This computer's name on the network, in UTF-8 ("tech-laptop-07"); empty when the system has
// none to give.
std::string HostName();

}  // namespace corvane::platform
