#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

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
    int pointsTotal = 0; // of the lines whose points read
};

// Splits the bytes of a .LOG file into log lines. A line ends at LF, CR LF or a lone CR;
// lines holding nothing but spaces are skipped.
LoadedLog ParseLogFile(const QByteArray& bytes);

// Byte-level access to the logbook files. Every write reaches the disk (fsync) before it
// reports success; a rewrite never leaves the log shorter than a complete copy.
class LogFileStore
{
public:
    // Failures on demand, for tests: each makes that step fail as the disk would.
    struct Faults
    {
        bool open = false;
        bool write = false;
        bool sync = false;
        bool rename = false;
    };

    enum class State { Missing, Empty, Populated };

    State state(const QString& path) const;
    bool read(const QString& path, QByteArray* bytes, QString* error) const;
    bool createEmpty(const QString& path, QString* error);
    bool append(const QString& path, const QByteArray& record, QString* error);

    // Writes `content` as the new log; the previous log becomes the backup. `renameErrno` is
    // set when the backup step failed (the rewrite still goes on, without a backup).
    bool rewrite(const QString& logPath, const QString& backupPath, const QByteArray& content,
        int* renameErrno, QString* error);

    void setSyncEnabled(bool on) { m_sync = on; }
    Faults& faults() { return m_faults; }

private:
    bool writeAll(int fd, const QByteArray& bytes, QString* error);
    bool syncFd(int fd, QString* error);

    Faults m_faults;
    bool m_sync = true;
};

} // namespace vorad
