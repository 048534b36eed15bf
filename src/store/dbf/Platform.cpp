#include "store/dbf/Platform.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tk::dbf {

// Waiting for a lock is the same on every platform: try, and back off up to 5 ms between tries
// until the deadline; only the try itself is the platform's.
bool OsFile::lock(LockSlot slot, LockKind kind, int timeoutMs)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    auto pause = std::chrono::microseconds(50);
    while (!tryLock(slot, kind)) {
        if (clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    return true;
}

} // namespace tk::dbf
