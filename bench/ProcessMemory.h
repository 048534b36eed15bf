#pragma once
// The process's resident memory as the system reports it: "VmRSS:" now, "VmHWM:" at its peak,
// in KB; -1 where the system gives no such figure.
#include <cstring>
#include <fstream>
#include <string>

namespace tk::bench {

inline long rssKb(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::strlen(key)));
    return -1;
}

} // namespace tk::bench
