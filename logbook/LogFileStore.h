#pragma once

#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "FileSystem.h"

namespace vorad {

// One line of a loaded file that needs the operator's attention.
struct LoadProblem
{
    enum Kind { BadPoints, FieldsCut };
    int lineNumber = 0; // 1-based line of the file
    Kind kind = BadPoints;
};

struct LoadedLog
{
    QStringList lines;
    QList<LoadProblem> problems;
    bool tornLastLine = false; // the file ends inside a line (a write cut short)
    qint64 pointsTotal = 0; // of the lines whose points read
};

// The reason told for a name that holds something other than a regular file (a device, a FIFO,
// a folder): such a node is neither read nor replaced.
QString NotRegularFileReason();

// Splits the bytes of a .LOG file into log lines. A line ends at LF, CR LF or a lone CR;
// lines holding nothing but spaces are skipped.
LoadedLog ParseLogFile(const QByteArray& bytes);

// Byte-level access to the logbook files. Every write reaches the disk (fsync) before it
// reports success; a rewrite never leaves the log shorter than a complete copy.
class LogFileStore
{
public:
    // Every call to the system goes through `fs`.
    explicit LogFileStore(std::shared_ptr<FileSystem> fs = std::make_shared<PosixFileSystem>())
        : m_fs(std::move(fs))
    { }

    // Missing is only "no such file" (ENOENT): any other failure to look at the file is
    // Unreadable, so that a file that is there is never taken for a new, empty one. NotRegular:
    // a device, a FIFO or a folder (through links), which is never read, written nor replaced.
    enum class State { Missing, Empty, Populated, Unreadable, NotRegular };

    State state(const QString& path, qint64* size = nullptr) const;
    bool exists(const QString& path) const { return state(path) != State::Missing; }
    // When the file was last written, in nanoseconds since the epoch; false when it cannot be
    // looked at.
    bool modifiedAt(const QString& path, qint64* nanoseconds) const;
    bool read(const QString& path, QByteArray* bytes, QString* error) const;
    // The file's last `count` bytes (all of a shorter file) and its size: enough to tell a file
    // still ours from one changed behind our back, without reading all of a long one.
    bool readTail(const QString& path, qint64 count, QByteArray* tail, qint64* size) const;
    bool createEmpty(const QString& path, QString* error);
    // Appends to the existing file; with `create`, a missing file is created first.
    bool append(const QString& path, const QByteArray& record, QString* error, bool create = false);

    // Writes `content` as the new log; the previous log becomes the backup. `renameErrno` is
    // set when the backup step failed: the rewrite still goes on without a backup, unless the
    // backup is `Required` (then nothing changes and it fails). `None` leaves every other file
    // alone.
    enum class Backup { IfPossible, Required, None };
    bool rewrite(const QString& logPath, const QString& backupPath, const QByteArray& content,
        int* renameErrno, QString* error, Backup backup = Backup::IfPossible);

    // Writes a file that did not exist (a rescue copy): never replaces one that does.
    bool writeNew(const QString& path, const QByteArray& content, QString* error);
    // Moves a file to a name that is not taken yet; false when `to` exists or the move fails.
    bool moveAside(const QString& from, const QString& to, QString* error);
    // Copies the file `from` whole to `to`, a name not taken yet. `from` stays as it is.
    bool keepCopy(const QString& from, const QString& to, QString* error);

    // Deletes a file; a file that is not there is no failure.
    bool remove(const QString& path, QString* error);

    // A whole file written piece by piece under a temporary name beside its own, which it takes
    // only once complete and on disk: a failure or a crash never leaves half a file under the
    // name, and a file that was there stays whole until the new one replaces it. Through a
    // link, the file it leads to is replaced; only a regular file is ever replaced.
    class StreamedFile
    {
    public:
        StreamedFile(LogFileStore& store, const QString& path);
        ~StreamedFile(); // unfinished: the temporary file is removed
        StreamedFile(const StreamedFile&) = delete;
        StreamedFile& operator=(const StreamedFile&) = delete;

        bool open(QString* error);
        void write(QByteArrayView bytes);
        bool commit(QString* error);

    private:
        static constexpr qsizetype BufferSize = 64 * 1024;
        bool flush();

        LogFileStore& m_store;
        QByteArray m_name;
        QByteArray m_temporary;
        QByteArray m_buffer;
        QString m_error;
        int m_fd = -1;
        bool m_failed = false;
    };

    void setSyncEnabled(bool on) { m_sync = on; }

private:
    bool writeAll(int fd, const QByteArray& bytes, QString* error);
    bool writeComplete(
        const QByteArray& name, int createFlag, const QByteArray& content, QString* error);
    bool syncFd(int fd, QString* error);
    void syncFolderOf(const QString& path) const;

    int keepAsBackup(const QByteArray& log, const QByteArray& bak);

    std::shared_ptr<FileSystem> m_fs;
    bool m_sync = true;
};

} // namespace vorad
