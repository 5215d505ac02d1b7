#pragma once

#include <functional>
#include <memory>

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include "FileSystem.h"
#include "LogBook.h"
#include "LogFileStore.h"

namespace vorad {

// Why `folder` cannot hold the log's mirror copy, or empty (also for no folder at all): the
// copy, or its save under way, would be the log itself, its backup or the log's own save under
// way, as in the log's own folder by whatever link; or it is a file, not a folder. A folder
// that is not there (a stick pulled) is no refusal: it is tried again at the next contact.
QString MirrorFolderRefusal(
    const QString& folder, const QString& logFileName, const QString& backupFileName);

// The mirror copy of a log: the log's own file name in the mirror folder.
QString MirrorCopyName(const QString& folder, const QString& logFileName);

// The name a mirror copy newer than the log is kept under beside itself: "QZVHF.LOG" becomes
// "QZVHF.newer-20260815-101500.LOG" (stamped `when`).
QString NewerMirrorName(const QString& copyName, const QDateTime& when);

// True when a mirror copy may hold contacts the log does not: more of them, or lines other than
// the log's first ones, whenever either file was written (a stick from another station, a
// clock set wrong; an edit the mirror missed is in the log's backup, looked at apart). A mirror
// that fell behind holds the log's first lines; a torn last line that the log's own line begins
// with is a mirror append cut short. The file times decide nothing.
bool MirrorIsNewer(
    const QByteArray& mirror, qint64 mirrorModified, const QByteArray& log, qint64 logModified);

// What the log holds on disk after a write, for its mirror.
struct MirrorJob
{
    QString folder;
    QString logFileName;
    QString backupFileName;
    QByteArray content;
    quint64 generation = 0; // of the folder it was asked for
};

// What one mirror write came to.
struct MirrorOutcome
{
    enum Kind { Nothing, Written, Failed, Refused, Blocked };
    Kind kind = Nothing;
    QString copy; // the mirror copy's name
    QString reason; // Failed, Refused, Blocked
    QString newerKeptAs; // a copy newer than the log was moved to this name first
    quint64 generation = 0; // its job's
};

// Writes the mirror copy, a job at a time, in whichever thread calls it. A copy is appended to
// only while its size and last bytes are what was last written to it; else it is rewritten
// whole, complete or not at all. A copy met for the first time, back after its folder was gone,
// or changed behind the writer's back, is read first: one that may hold contacts the log does
// not, nor its backup, is kept aside, never written over.
class MirrorWriter
{
public:
    explicit MirrorWriter(std::shared_ptr<FileSystem> fs);
    MirrorOutcome write(const MirrorJob& job);
    void setSyncEnabled(bool on) { m_store.setSyncEnabled(on); }

private:
    bool check(const MirrorJob& job, MirrorOutcome& out);
    bool inStep(const QString& copy) const;
    void forget();

    LogFileStore m_store;
    QString m_copy; // what the state below is about
    bool m_refused = false; // told once, then nothing is written there
    bool m_blocked = false; // a newer copy that could not be kept aside: never written over
    bool m_checked = false; // looked at for news since it was named or last out of reach
    bool m_known = false; // m_written is what the copy holds
    QByteArray m_written;
};

// The second copy of the log in a mirror folder (a stick, a share). The log's own writes never
// wait on it: with a worker the copy is written on a thread of its own, and while it is busy
// only the newest state of the log waits; inline, it is written at once (tests, measures).
// A failure spell is told once and the copy is tried again at the next write of the log.
class LogMirror : public QObject, public LogWriteListener
{
    Q_OBJECT

public:
    enum class Mode { Worker, Inline };

    explicit LogMirror(std::shared_ptr<FileSystem> fs = std::make_shared<PosixFileSystem>(),
        Mode mode = Mode::Worker, QObject* parent = nullptr);
    // Gives the write under way a moment to end; one that hangs (a share gone) is left to
    // itself, so that the program can still close.
    ~LogMirror() override;
    LogMirror(const LogMirror&) = delete;
    LogMirror& operator=(const LogMirror&) = delete;

    // Empty: no mirror. A new folder starts with no failure told.
    void setFolder(const QString& folder);
    const QString& folder() const { return m_folder; }
    // Where the status texts go (in the thread that owns the mirror).
    void setTell(std::function<void(const QString&)> tell) { m_tell = std::move(tell); }
    // As the log's store; before the first write: off only where a killed process is all a
    // test looks at.
    void setSyncEnabled(bool on);

    bool wantsWrites() const override { return !m_folder.trimmed().isEmpty(); }
    void logWritten(const QString& logFileName, const QString& backupFileName,
        const QByteArray& content) override;

    // Blocks until nothing waits and nothing is being written.
    void waitIdle();
    // Tells what the writes finished so far came to; a worker has it called by itself.
    void deliver();

    static constexpr int CloseWaitMs = 5000;

private:
    struct Shared;
    void tellOutcome(const MirrorOutcome& outcome);

    std::shared_ptr<Shared> m_shared;
    Mode m_mode;
    QString m_folder;
    quint64 m_generation = 0; // one more at each folder: words of a folder given up are dropped
    bool m_failing = false;
    std::function<void(const QString&)> m_tell;
};

} // namespace vorad
