#pragma once
// How long a network call to the online service may take before it gives up.
#include <chrono>

namespace kb {

struct NetworkTimeouts {
    // Time allowed to open the connection.
    std::chrono::milliseconds connect{10000};
    // Time allowed for the whole exchange, connection included.
    std::chrono::milliseconds total{60000};
};

}  // namespace kb
