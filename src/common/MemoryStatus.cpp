#include "common/MemoryStatus.h"

#include "common/Regional.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tk {

std::optional<MemoryStatus> physicalMemory()
{
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return std::nullopt;
    return MemoryStatus{status.ullTotalPhys, status.ullAvailPhys};
#else
    // MemAvailable counts what can be had without swapping (caches included); it is what the
    // user means by "available", unlike the free pages the portable call reports.
    QFile info(QStringLiteral("/proc/meminfo"));
    if (info.open(QIODevice::ReadOnly)) {
        std::optional<quint64> total, available;
        for (const QByteArray& line : info.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() < 2)
                continue;
            bool ok = false;
            const quint64 kb = parts[1].toULongLong(&ok);
            if (!ok)
                continue;
            if (parts[0] == "MemTotal:")
                total = kb * 1024;
            else if (parts[0] == "MemAvailable:")
                available = kb * 1024;
        }
        if (total && available)
            return MemoryStatus{*total, *available};
    }
#ifdef _SC_AVPHYS_PAGES
    const long pages = sysconf(_SC_PHYS_PAGES), free = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || free < 0 || size <= 0)
        return std::nullopt;
    return MemoryStatus{quint64(pages) * quint64(size), quint64(free) * quint64(size)};
#else
    return std::nullopt;
#endif
#endif
}

static QString kilobytes(quint64 bytes)
{
    const QString grouped = regional::groupedWhole(double(bytes) / 1024.0);
    return (grouped.isEmpty() ? QStringLiteral("0") : grouped) + QStringLiteral(" KB");
}

QString totalMemoryLine(quint64 bytes)
{
    return QStringLiteral("Всего физической памяти: ") + kilobytes(bytes);
}

QString availableMemoryLine(quint64 bytes)
{
    return QStringLiteral("Доступно физической памяти: ") + kilobytes(bytes);
}

} // namespace tk
