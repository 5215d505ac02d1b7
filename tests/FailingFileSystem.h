#pragma once

#include "FileSystem.h"

// The real file system, failing on demand as the disk would: each switch makes those calls fail
// with the errno a disk gives, and counts what it fired.
class FailingFileSystem : public vorad::FileSystem
{
public:
    struct Faults
    {
        bool open = false; // EACCES; EIO for a file opened to be read. Folders open.
        bool read = false; // EIO, reading a file through (the look at its last byte still works)
        bool write = false; // ENOSPC, for every write
        bool sync = false; // EIO; a folder's sync still goes through
        bool rename = false; // EACCES: every rename but `replace`'s, and links (a move's first try)
        bool replace = false; // EACCES: a rewrite's last step, the new log taking the name
        qint64 spaceLeft = -1; // bytes the disk still takes, then ENOSPC; -1: no limit
        bool link = false; // EPERM: no hard links, as on a FAT stick
        int haltAfter = 0; // a rewrite stops dead after step 1, 2 or 3, as a crash there would
        int fired = 0; // calls refused so far (a step the store tries twice meets two)
        bool halted = false; // haltAfter's step passed: nothing reaches the disk any more (EIO)
    };

    Faults& faults() { return m_faults; }

    int open(const char* name, int flags, mode_t mode) override;
    int openTemporary(char* nameTemplate, int flags, mode_t mode) override;
    int close(int fd) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    ssize_t pread(int fd, void* buffer, size_t size, off_t offset) override;
    ssize_t write(int fd, const void* bytes, size_t size) override;
    off_t lseek(int fd, off_t offset, int whence) override;
    int ftruncate(int fd, off_t size) override;
    int fsync(int fd) override;
    int fstat(int fd, struct stat* st) override;
    int stat(const char* name, struct stat* st) override;
    int lstat(const char* name, struct stat* st) override;
    int realPath(const char* name, QByteArray* resolved) override;
    int rename(const char* from, const char* to, Rename what) override;
    int link(const char* from, const char* to) override;
    int unlink(const char* name) override;
    void reached(RewriteStep step) override;

private:
    bool fire(bool on);

    vorad::PosixFileSystem m_disk;
    Faults m_faults;
};
