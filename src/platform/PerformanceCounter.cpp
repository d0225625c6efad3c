#include "platform/PerformanceCounter.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <time.h>
#endif

namespace vo {

#ifdef Q_OS_WIN

std::optional<quint64> readPerformanceCounter()
{
    LARGE_INTEGER value;
    if (!QueryPerformanceCounter(&value))
        return std::nullopt;
    return static_cast<quint64>(value.QuadPart);
}

quint32 tickCountMs()
{
    return GetTickCount();
}

#else

namespace {
std::optional<quint64> monotonicNanoseconds()
{
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return std::nullopt;
    return static_cast<quint64>(now.tv_sec) * 1000000000u + static_cast<quint64>(now.tv_nsec);
}
} // namespace

std::optional<quint64> readPerformanceCounter()
{
    return monotonicNanoseconds();
}

quint32 tickCountMs()
{
    return static_cast<quint32>(monotonicNanoseconds().value_or(0) / 1000000u);
}

#endif

} // namespace vo
