#include "store/dbf/Platform.h"

#include "common/Error.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tk::dbf {
namespace {

// Byte-range locks of LockFileEx belong to the handle, so two handles of one process
// exclude each other as two processes do, and the system drops them when the process
// ends. They are mandatory for reads and writes of the locked bytes, which is why the
// slots lie far beyond any record of a table (dBASE files stay below 2 GB).
constexpr DWORD kSlotBase = 0x7FFFFFF0;
DWORD slotOffset(LockSlot s) { return kSlotBase + int(s); } // Presence, Data, Entry: consecutive bytes
int slotIndex(LockSlot s) { return int(s); }

HANDLE H(void* p) { return static_cast<HANDLE>(p); }
QString shortName(const QString& path) { return QFileInfo(path).fileName(); }
std::wstring native(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

QString systemMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString s = n ? QString::fromWCharArray(text, int(n)).trimmed() : QStringLiteral("system error %1").arg(code);
    LocalFree(text);
    return s;
}

// Throws for the call that just failed; the error code is taken before anything else runs.
[[noreturn]] void fail(const char* verb, const QString& name)
{
    const DWORD code = GetLastError();
    throw Error(QStringLiteral("Cannot %1 %2: %3").arg(QLatin1String(verb), name, systemMessage(code)));
}

FileStamp toStamp(const BY_HANDLE_FILE_INFORMATION& fi)
{
    // Last-write time in 100 ns ticks since 1601, as nanoseconds since 1970.
    constexpr std::uint64_t kTicksTo1970 = 116444736000000000ULL;
    const std::uint64_t ticks = (std::uint64_t(fi.ftLastWriteTime.dwHighDateTime) << 32) | fi.ftLastWriteTime.dwLowDateTime;
    FileStamp s;
    s.device = fi.dwVolumeSerialNumber;
    s.inode = (std::uint64_t(fi.nFileIndexHigh) << 32) | fi.nFileIndexLow;
    s.size = (std::uint64_t(fi.nFileSizeHigh) << 32) | fi.nFileSizeLow;
    s.mtimeNs = (std::int64_t(ticks) - std::int64_t(kTicksTo1970)) * 100;
    return s;
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED ov {};
    ov.Offset = DWORD(offset & 0xFFFFFFFFu);
    ov.OffsetHigh = DWORD(offset >> 32);
    return ov;
}

bool lockRange(HANDLE f, LockSlot slot, bool exclusive, const QString& path)
{
    OVERLAPPED ov = at(slotOffset(slot));
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx(f, flags, 0, 1, 0, &ov))
        return true;
    const DWORD code = GetLastError();
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
        return false;
    SetLastError(code);
    fail("lock", shortName(path));
}

void unlockRange(HANDLE f, LockSlot slot)
{
    OVERLAPPED ov = at(slotOffset(slot));
    UnlockFileEx(f, 0, 1, 0, &ov);
}

} // namespace

OsFile::~OsFile() { close(); }

bool OsFile::isOpen() const { return handle_ != nullptr; }

void OsFile::open(const QString& path, Mode mode)
{
    close();
    path_ = path;
    const std::wstring name = native(path);
    // Other programs may read and write the table while it is open here, and pack or widen
    // may put a new file in its place (which needs delete sharing).
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE f = INVALID_HANDLE_VALUE;
    if (mode == Mode::CreateTruncate) {
        f = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        writable_ = true;
    } else {
        if (mode == Mode::ReadWrite)
            f = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        writable_ = f != INVALID_HANDLE_VALUE;
        const DWORD why = writable_ ? ERROR_SUCCESS : GetLastError();
        if (!writable_ && (mode == Mode::ReadOnly || why == ERROR_ACCESS_DENIED || why == ERROR_WRITE_PROTECT))
            f = CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        else if (!writable_)
            SetLastError(why);
    }
    if (f == INVALID_HANDLE_VALUE) {
        writable_ = false;
        fail("open", path);
    }
    handle_ = f;
}

void OsFile::close()
{
    if (handle_)
        CloseHandle(H(handle_)); // drops this handle's locks
    handle_ = nullptr;
    held_[0] = held_[1] = held_[2] = 0;
    writable_ = false;
}

FileView::~FileView() { reset(); }

void FileView::reset()
{
    if (base_)
        UnmapViewOfFile(base_);
    if (mapping_)
        CloseHandle(H(mapping_));
    base_ = nullptr;
    mapping_ = nullptr;
    baseLength_ = 0;
    data_ = nullptr;
}

bool OsFile::mapView(std::uint64_t offset, std::size_t n, FileView& view) const
{
    view.reset();
    if (!handle_ || n == 0)
        return false;
    // A view starts on the allocation granularity (64 KiB), not just on a page.
    SYSTEM_INFO si {};
    GetSystemInfo(&si);
    const std::uint64_t start = offset - offset % si.dwAllocationGranularity;
    const std::size_t length = std::size_t(offset - start) + n;
    HANDLE mapping = CreateFileMappingW(H(handle_), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return false;
    void* p = MapViewOfFile(mapping, FILE_MAP_READ, DWORD(start >> 32), DWORD(start & 0xFFFFFFFFu), length);
    if (!p) {
        CloseHandle(mapping);
        return false;
    }
    view.mapping_ = mapping;
    view.base_ = p;
    view.baseLength_ = length;
    view.data_ = static_cast<const char*>(p) + (offset - start);
    return true;
}

std::size_t OsFile::readAt(std::uint64_t offset, void* buf, std::size_t n) const
{
    std::size_t done = 0;
    while (done < n) {
        OVERLAPPED ov = at(offset + done);
        const DWORD want = DWORD(std::min<std::size_t>(n - done, std::size_t(1) << 30));
        DWORD got = 0;
        if (!ReadFile(H(handle_), static_cast<char*>(buf) + done, want, &got, &ov)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            fail("read", shortName(path_));
        }
        if (got == 0)
            break; // end of file
        done += got;
    }
    return done;
}

void OsFile::writeAt(std::uint64_t offset, const void* buf, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        OVERLAPPED ov = at(offset + done);
        const DWORD want = DWORD(std::min<std::size_t>(n - done, std::size_t(1) << 30));
        DWORD put = 0;
        if (!WriteFile(H(handle_), static_cast<const char*>(buf) + done, want, &put, &ov))
            fail("write", shortName(path_));
        if (put == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            fail("write", shortName(path_));
        }
        done += put;
    }
}

void OsFile::truncate(std::uint64_t size)
{
    FILE_END_OF_FILE_INFO info {};
    info.EndOfFile.QuadPart = LONGLONG(size);
    if (!SetFileInformationByHandle(H(handle_), FileEndOfFileInfo, &info, sizeof info))
        fail("truncate", shortName(path_));
}

void OsFile::sync()
{
    if (!FlushFileBuffers(H(handle_)))
        fail("flush to disk", shortName(path_));
}

std::uint64_t OsFile::size() const { return stamp().size; }

FileStamp OsFile::stamp() const
{
    BY_HANDLE_FILE_INFORMATION fi {};
    if (!GetFileInformationByHandle(H(handle_), &fi))
        fail("examine", shortName(path_));
    return toStamp(fi);
}

bool OsFile::tryLock(LockSlot slot, LockKind kind)
{
    int& held = held_[slotIndex(slot)];
    const int want = kind == LockKind::Shared ? 1 : 2;
    if (held == want)
        return true;
    if (held == 2) {
        // Exclusive to shared: the shared lock is stacked on our exclusive one (allowed for the
        // same handle), and the first unlock of a doubly locked range removes the exclusive
        // lock, so no other program can slip in between.
        if (!lockRange(H(handle_), slot, false, path_))
            return false;
        unlockRange(H(handle_), slot);
        held = 1;
        return true;
    }
    if (held == 1) {
        // Shared to exclusive: an exclusive lock may not overlap our own shared one, so the
        // shared lock goes first. If the exclusive lock is refused, the shared one is taken
        // again, which can fail only if another program took the slot exclusively meanwhile.
        unlockRange(H(handle_), slot);
        held = 0;
        if (lockRange(H(handle_), slot, true, path_)) {
            held = 2;
            return true;
        }
        if (lockRange(H(handle_), slot, false, path_))
            held = 1;
        return false;
    }
    if (!lockRange(H(handle_), slot, want == 2, path_))
        return false;
    held = want;
    return true;
}

void OsFile::unlock(LockSlot slot)
{
    int& held = held_[slotIndex(slot)];
    if (held != 0)
        unlockRange(H(handle_), slot);
    held = 0;
}

FileStamp stampOf(const QString& path)
{
    // Opened for its attributes only, which any sharing mode of other programs allows.
    HANDLE f = CreateFileW(native(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION fi {};
    const bool ok = GetFileInformationByHandle(f, &fi) != 0;
    CloseHandle(f);
    return ok ? toStamp(fi) : FileStamp {};
}

void replaceFile(const QString& finished, const QString& target)
{
    const std::wstring from = native(finished), to = native(target);
    // ReplaceFileW works while other programs still have the old table open (they opened it
    // with delete sharing): the old file loses its name and goes away with their last handle.
    if (ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return;
    const DWORD code = GetLastError();
    // No old file (a new table), or the old one already lost its name but the new one was not
    // moved in: a plain rename puts the finished file in place.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return;
        fail("replace", shortName(target));
    }
    SetLastError(code);
    fail("replace", shortName(target));
}

void removeFileIfExists(const QString& path) { DeleteFileW(native(path).c_str()); }

// NTFS keeps its directory changes in its own log, and a directory cannot be flushed
// through an ordinary handle: creating and removing names needs nothing more here.
void syncDirectory(const QString&) {}

} // namespace tk::dbf
