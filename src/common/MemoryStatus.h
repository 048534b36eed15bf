#pragma once
// The physical memory of the machine, for the about box.
#include <QString>
#include <QtGlobal>
#include <optional>

namespace tk {

struct MemoryStatus {
    quint64 totalBytes = 0;
    quint64 availableBytes = 0;
};

// Nothing when the system does not tell.
std::optional<MemoryStatus> physicalMemory();

// "Всего физической памяти: 1 048 576 KB" (kilobytes rounded, grouped as the system groups digits).
QString totalMemoryLine(quint64 bytes);
// "Доступно физической памяти: …"; "… 0 KB" when the amount rounds to no kilobyte.
QString availableMemoryLine(quint64 bytes);

} // namespace tk
