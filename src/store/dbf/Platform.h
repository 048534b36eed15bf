#pragma once
// The operating-system side of the table files: positioned I/O, file identity, byte-range
// locks that die with the process, and the atomic replace of a file by a finished copy.
// Everything platform specific in the store lives behind this header.
#include <QString>
#include <cstdint>

namespace tk::dbf {

// What identifies one state of a file on disk: a change of any member means that cached
// facts about the file (record count, indexes) must be dropped.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// The lock slots every table file has. They lie far beyond any record, so locking them
// never blocks plain reads or writes of other programs. Entry is a turnstile held only
// while taking the data slot: a program waiting for the data slot keeps the entry, so the
// programs that come after it wait their turn instead of overtaking it again and again.
enum class LockSlot { Presence, Data, Entry };
enum class LockKind { Shared, Exclusive };

// A read-only memory view of part of a file, for scanning a whole table without copying it
// into a buffer first. The caller keeps it only while it holds the table's data lock (no
// program of ours shortens the file then: touching a page beyond the end of a mapped file
// is a fatal signal on POSIX systems) and drops it before letting go of the lock; on Windows
// a view also keeps the file from being cut short, so it must not outlive the statement.
class FileView {
public:
    FileView() = default;
    ~FileView();
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;
    const char* data() const { return data_; }
    bool empty() const { return data_ == nullptr; }
    void reset();

private:
    friend class OsFile;
    void* base_ = nullptr; // where the system mapped it (the offset rounded down)
    std::size_t baseLength_ = 0;
    const char* data_ = nullptr;
#ifdef _WIN32
    void* mapping_ = nullptr; // HANDLE of the file mapping object
#endif
};

class OsFile {
public:
    enum class Mode { ReadOnly, ReadWrite, CreateTruncate };
    OsFile() = default;
    ~OsFile();
    OsFile(const OsFile&) = delete;
    OsFile& operator=(const OsFile&) = delete;

    // Read-write when the file allows it, read-only otherwise (a read-only file can still
    // be queried). Throws tk::Error naming the file.
    void open(const QString& path, Mode mode);
    void close();
    bool isOpen() const;
    bool writable() const { return writable_; }
    const QString& path() const { return path_; }

    // Short reads at the end of the file are returned as such; errors throw.
    std::size_t readAt(std::uint64_t offset, void* buf, std::size_t n) const;
    void writeAt(std::uint64_t offset, const void* buf, std::size_t n);
    void truncate(std::uint64_t size);
    void sync();
    std::uint64_t size() const;
    FileStamp stamp() const;
    // Maps bytes [offset, offset + n) of the file, which must lie within it, into `view`.
    // False when the system will not map it (no address space, a file system without
    // mappings): the caller then reads the bytes instead.
    bool mapView(std::uint64_t offset, std::size_t n, FileView& view) const;

    // Non-blocking attempt; false when another open file holds a conflicting lock. Locking
    // a slot this file already holds converts the lock to the kind asked for.
    bool tryLock(LockSlot slot, LockKind kind);
    // Retries until timeoutMs has passed; false on timeout.
    bool lock(LockSlot slot, LockKind kind, int timeoutMs);
    void unlock(LockSlot slot);

private:
#ifdef _WIN32
    void* handle_ = nullptr; // HANDLE
    // What this file holds on each slot (0 nothing, 1 shared, 2 exclusive): Windows stacks
    // locks of one handle instead of converting them, so conversions are done by hand.
    int held_[3] = {0, 0, 0};
#else
    int fd_ = -1;
#endif
    bool writable_ = false;
    QString path_;
};

// The stamp of whatever file is at path now (a zero stamp when there is none).
FileStamp stampOf(const QString& path);

// Makes `finished` the file at `target` in one step: the name points at either the old or
// the new file, never at a half-written one. The finished file must already be synced.
void replaceFile(const QString& finished, const QString& target);

void removeFileIfExists(const QString& path);

// Makes the names created or removed in a directory reach the disk (a file's own sync does
// not cover its directory entry everywhere).
void syncDirectory(const QString& directory);

} // namespace tk::dbf
