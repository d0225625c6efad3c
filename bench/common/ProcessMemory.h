#pragma once

// Memory figures of a process as Linux keeps them in /proc/<pid>/status ("VmRSS", resident now;
// "VmHWM", the peak). Plain C++, so that the start-up benchmark's measuring side stays free of
// Qt. Elsewhere than on Linux every figure reads 0.

#include <cstdlib>
#include <fstream>
#include <string>

namespace vo::bench {

// The figure of that name in KiB, for this process when pid is "self".
inline double statusKiB(const std::string &pid, const std::string &name)
{
    std::ifstream status("/proc/" + pid + "/status");
    const std::string prefix = name + ":";
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtod(line.c_str() + prefix.size(), nullptr);
    return 0;
}

// Makes the peak (VmHWM) start again from the resident memory of now.
inline void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace vo::bench
