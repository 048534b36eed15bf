#include "store/dbf/Platform.h"

#include "common/Error.h"

#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tk::dbf {
namespace {

QString sysError() { return QString::fromLocal8Bit(std::strerror(errno)); }
QString shortName(const QString& path) { return QFileInfo(path).fileName(); }

// Open-file-description locks: owned by the open file rather than by the process, so two
// handles of one process exclude each other too, and released by the kernel when the
// process dies.
constexpr off_t kSlotBase = 0x7FFFFFF0;
off_t slotOffset(LockSlot s) { return kSlotBase + int(s); } // Presence, Data, Entry: consecutive bytes

FileStamp toStamp(const struct stat& st)
{
    FileStamp s;
    s.device = std::uint64_t(st.st_dev);
    s.inode = std::uint64_t(st.st_ino);
    s.size = std::uint64_t(st.st_size);
    s.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

} // namespace

OsFile::~OsFile() { close(); }

void OsFile::open(const QString& path, Mode mode)
{
    close();
    path_ = path;
    const QByteArray native = QFile::encodeName(path);
    if (mode == Mode::CreateTruncate) {
        fd_ = ::open(native.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        writable_ = true;
    } else {
        fd_ = -1;
        if (mode == Mode::ReadWrite)
            fd_ = ::open(native.constData(), O_RDWR | O_CLOEXEC);
        writable_ = fd_ >= 0;
        if (fd_ < 0 && (mode == Mode::ReadOnly || errno == EACCES || errno == EROFS || errno == EPERM))
            fd_ = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (fd_ < 0)
        throw Error(QStringLiteral("Cannot open %1: %2").arg(path, sysError()));
}

bool OsFile::isOpen() const { return fd_ >= 0; }

void OsFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    writable_ = false;
}

FileView::~FileView() { reset(); }

void FileView::reset()
{
    if (base_)
        ::munmap(base_, baseLength_);
    base_ = nullptr;
    baseLength_ = 0;
    data_ = nullptr;
}

bool OsFile::mapView(std::uint64_t offset, std::size_t n, FileView& view) const
{
    view.reset();
    if (fd_ < 0 || n == 0)
        return false;
    static const std::uint64_t page = std::uint64_t(::sysconf(_SC_PAGESIZE));
    const std::uint64_t start = offset - offset % page;
    const std::size_t length = std::size_t(offset - start) + n;
    // The pages are mapped in at once: a scan touches every one of them, and one call costs
    // less than a fault for each block of pages.
#ifdef MAP_POPULATE
    const int flags = MAP_SHARED | MAP_POPULATE;
#else
    const int flags = MAP_SHARED;
#endif
    void* p = ::mmap(nullptr, length, PROT_READ, flags, fd_, off_t(start));
    if (p == MAP_FAILED)
        return false;
    view.base_ = p;
    view.baseLength_ = length;
    view.data_ = static_cast<const char*>(p) + (offset - start);
    return true;
}

std::size_t OsFile::readAt(std::uint64_t offset, void* buf, std::size_t n) const
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd_, static_cast<char*>(buf) + done, n - done, off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw Error(QStringLiteral("Cannot read %1: %2").arg(shortName(path_), sysError()));
        }
        if (r == 0)
            break;
        done += std::size_t(r);
    }
    return done;
}

void OsFile::writeAt(std::uint64_t offset, const void* buf, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pwrite(fd_, static_cast<const char*>(buf) + done, n - done, off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw Error(QStringLiteral("Cannot write %1: %2").arg(shortName(path_), sysError()));
        }
        done += std::size_t(r);
    }
}

void OsFile::truncate(std::uint64_t size)
{
    if (::ftruncate(fd_, off_t(size)) != 0)
        throw Error(QStringLiteral("Cannot truncate %1: %2").arg(shortName(path_), sysError()));
}

void OsFile::sync()
{
    if (::fsync(fd_) != 0)
        throw Error(QStringLiteral("Cannot flush %1 to disk: %2").arg(shortName(path_), sysError()));
}

std::uint64_t OsFile::size() const { return stamp().size; }

FileStamp OsFile::stamp() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw Error(QStringLiteral("Cannot examine %1: %2").arg(shortName(path_), sysError()));
    return toStamp(st);
}

bool OsFile::tryLock(LockSlot slot, LockKind kind)
{
    struct flock fl {};
    fl.l_type = kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = slotOffset(slot);
    fl.l_len = 1;
    if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0)
        return true;
    if (errno == EAGAIN || errno == EACCES)
        return false;
    throw Error(QStringLiteral("Cannot lock %1: %2").arg(shortName(path_), sysError()));
}

void OsFile::unlock(LockSlot slot)
{
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = slotOffset(slot);
    fl.l_len = 1;
    ::fcntl(fd_, F_OFD_SETLK, &fl);
}

FileStamp stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return toStamp(st);
}

void replaceFile(const QString& finished, const QString& target)
{
    if (::rename(QFile::encodeName(finished).constData(), QFile::encodeName(target).constData()) != 0)
        throw Error(QStringLiteral("Cannot replace %1: %2").arg(shortName(target), sysError()));
    // Make the new directory entry durable as well.
    syncDirectory(QFileInfo(target).absolutePath());
}

void removeFileIfExists(const QString& path) { ::unlink(QFile::encodeName(path).constData()); }

void syncDirectory(const QString& directory)
{
    const int dfd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

} // namespace tk::dbf
