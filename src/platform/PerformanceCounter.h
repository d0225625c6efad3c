#pragma once

#include <QtGlobal>

#include <optional>

namespace vo {

// The finest-grained counter the system offers. Its value means nothing on its own; the
// container's salt generator only needs something that changes between two reads.
// nullopt where the system has no such counter.
std::optional<quint64> readPerformanceCounter();

// Milliseconds since some fixed point, wrapping at 2^32 like the classic tick count.
quint32 tickCountMs();

} // namespace vo
