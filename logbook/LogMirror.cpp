#include "LogMirror.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "LogFiles.h"

namespace vorad {

namespace {

// The folder itself, links resolved; empty when it is not there.
bool sameFolder(const QString& a, const QString& b)
{
    const QString ra = QFileInfo(a).canonicalFilePath();
    const QString rb = QFileInfo(b).canonicalFilePath();
    if (!ra.isEmpty() && ra == rb)
        return true;
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

} // namespace

QString MirrorCopyName(const QString& folder, const QString& logFileName)
{
    return QDir(folder).filePath(QFileInfo(logFileName).fileName());
}

QString MirrorFolderRefusal(
    const QString& folder, const QString& logFileName, const QString& backupFileName)
{
    if (folder.trimmed().isEmpty())
        return {};
    if (QFileInfo(folder).isFile())
        return QStringLiteral("%1 is a file, not a folder").arg(folder);
    const QString logFolder = QFileInfo(logFileName).absolutePath();
    if (sameFolder(folder, logFolder))
        return QStringLiteral("it is the LogBook's own folder %1").arg(logFolder);
    const QString copy = MirrorCopyName(folder, logFileName);
    const QStringList own { logFileName, backupFileName, logFileName + QLatin1String(".new") };
    if (IsOneOfFiles(copy, own) || IsOneOfFiles(copy + QLatin1String(".new"), own))
        return QStringLiteral("its copy %1 would be the LogBook itself, its backup or its save "
                              "under way")
            .arg(copy);
    return {};
}

QString NewerMirrorName(const QString& copyName, const QDateTime& when)
{
    const QFileInfo info(copyName);
    QString name = info.completeBaseName() + QLatin1String(".newer-")
        + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!info.suffix().isEmpty())
        name += QLatin1Char('.') + info.suffix();
    return QDir(info.path()).filePath(name);
}

bool MirrorIsNewer(const QByteArray& mirror, qint64 /*mirrorModified*/, const QByteArray& log,
    qint64 /*logModified*/)
{
    // The log's own start: a copy that fell behind, or whose last append was cut short.
    if (log.startsWith(mirror))
        return false;
    const QStringList copy = ParseLogFile(mirror).lines;
    const QStringList own = ParseLogFile(log).lines;
    if (copy.size() > own.size())
        return true;
    for (qsizetype i = 0; i < copy.size(); ++i) {
        if (copy.at(i) != own.at(i))
            return true;
    }
    return false;
}

MirrorWriter::MirrorWriter(std::shared_ptr<FileSystem> fs)
    : m_store(std::move(fs))
{ }

bool MirrorWriter::check(const MirrorJob& job, MirrorOutcome& out)
{
    const LogFileStore::State state = m_store.state(out.copy);
    if (state == LogFileStore::State::Missing) {
        m_checked = true;
        return true;
    }
    QByteArray bytes;
    QString error = NotRegularFileReason();
    if (state == LogFileStore::State::NotRegular || !m_store.read(out.copy, &bytes, &error)) {
        out.kind = MirrorOutcome::Failed;
        out.reason = error;
        return false;
    }
    // The log before its last rewrite (an edit, a deletion, a New Log the mirror did not see):
    // what the copy holds is all in the backup beside the log.
    auto inBackup = [&] {
        QByteArray backup;
        return !job.backupFileName.isEmpty() && m_store.read(job.backupFileName, &backup, nullptr)
            && backup.startsWith(bytes);
    };
    if (!MirrorIsNewer(bytes, 0, job.content, 0) || inBackup()) {
        m_checked = true;
        m_known = true;
        m_written = std::move(bytes);
        return true;
    }
    const QDateTime now = QDateTime::currentDateTime();
    QString kept = NewerMirrorName(out.copy, now);
    for (int n = 2; m_store.exists(kept) && n < 1000; ++n) {
        const QFileInfo first(NewerMirrorName(out.copy, now));
        kept = QDir(first.path())
                   .filePath(first.completeBaseName() + QLatin1Char('-') + QString::number(n)
                       + QLatin1Char('.') + first.suffix());
    }
    if (!m_store.moveAside(out.copy, kept, &error)) {
        // Never written over: it may hold the only copy of some contacts.
        m_blocked = true;
        out.kind = MirrorOutcome::Blocked;
        out.reason = error;
        return false;
    }
    m_checked = true;
    out.newerKeptAs = kept;
    return true;
}

void MirrorWriter::forget()
{
    m_checked = false;
    m_known = false;
    m_written.clear();
}

bool MirrorWriter::inStep(const QString& copy) const
{
    // The end of what was written is where a change behind our back (another log of the same
    // name, lines as long) is all but sure to show; a long log is not read whole at each write.
    constexpr qint64 TailBytes = 64 * 1024;
    QByteArray tail;
    qint64 size = -1;
    return m_store.readTail(copy, TailBytes, &tail, &size) && size == m_written.size()
        && tail.size() == qMin<qint64>(size, TailBytes) && m_written.endsWith(tail);
}

MirrorOutcome MirrorWriter::write(const MirrorJob& job)
{
    MirrorOutcome out;
    out.generation = job.generation;
    if (job.folder.trimmed().isEmpty())
        return out;
    out.copy = MirrorCopyName(job.folder, job.logFileName);
    if (out.copy != m_copy) {
        m_copy = out.copy;
        m_refused = false;
        m_blocked = false;
        forget();
    }
    // Asked at every write, not only when the copy's name changes: Open Log, Save As or New Log
    // may put the log itself, under the same name, where its copy would be.
    const QString refusal = MirrorFolderRefusal(job.folder, job.logFileName, job.backupFileName);
    if (!refusal.isEmpty()) {
        forget(); // what is there now is the log's: looked at afresh once it is a copy again
        if (m_refused)
            return out; // told when it was met
        m_refused = true;
        out.kind = MirrorOutcome::Refused;
        out.reason = refusal;
        return out;
    }
    m_refused = false;
    if (m_blocked)
        return out; // told when it was met
    // A stick pulled leaves its mount point: nothing is made there. Until the folder is back,
    // nothing of the copy on it is known (it may be another stick, or written elsewhere), and
    // it is looked at before it is written, as at start-up.
    if (m_store.state(job.folder) != LogFileStore::State::NotRegular) {
        forget();
        out.kind = MirrorOutcome::Failed;
        out.reason = QStringLiteral("the folder %1 is not there").arg(job.folder);
        return out;
    }
    if (m_known && !inStep(out.copy))
        forget(); // changed behind our back: ours gone stale, or another's kept aside
    if (!m_checked && !check(job, out))
        return out;

    QString error;
    bool ok = true;
    // An append starts a line of its own: on a copy cut inside a line it would split that line.
    const bool wholeLines = m_written.isEmpty() || m_written.endsWith('\n');
    if (m_known && wholeLines && job.content.startsWith(m_written)) {
        // In step up to here: only what the log has gained since.
        if (job.content.size() > m_written.size())
            ok = m_store.append(out.copy, job.content.sliced(m_written.size()), &error);
    } else {
        // Behind, changed or unknown: whole, under a name of its own until complete.
        ok = m_store.rewrite(
            out.copy, QString(), job.content, nullptr, &error, LogFileStore::Backup::None);
    }
    if (ok) {
        m_known = true;
        // A copy of its own, made here: sharing the logbook's bytes would make the logbook copy
        // them at its next append, in the log's own step.
        m_written = QByteArray(job.content.constData(), job.content.size());
        out.kind = MirrorOutcome::Written;
    } else {
        m_known = false;
        m_written.clear();
        out.kind = MirrorOutcome::Failed;
        out.reason = error;
    }
    return out;
}

// What the owner and the worker share; the worker keeps it alive while it runs.
struct LogMirror::Shared
{
    explicit Shared(std::shared_ptr<FileSystem> fs)
        : writer(std::move(fs))
    { }

    MirrorWriter writer; // the worker's alone once it runs
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<MirrorJob> pending; // only the newest state of the log waits
    bool writing = false;
    bool stop = false;
    bool finished = false;
    bool posted = false;
    std::vector<MirrorOutcome> done;
    LogMirror* owner = nullptr; // none once the owner is gone
    std::thread thread;

    static void run(std::shared_ptr<Shared> self)
    {
        std::unique_lock lock(self->mutex);
        for (;;) {
            self->changed.wait(lock, [&] { return self->pending || self->stop; });
            if (!self->pending)
                break; // stopped, and nothing left to write
            MirrorJob job = std::move(*self->pending);
            self->pending.reset();
            self->writing = true;
            lock.unlock();
            MirrorOutcome outcome = self->writer.write(job);
            lock.lock();
            self->writing = false;
            self->done.push_back(std::move(outcome));
            if (self->owner && !self->posted) {
                self->posted = true;
                QMetaObject::invokeMethod(self->owner, &LogMirror::deliver, Qt::QueuedConnection);
            }
            self->changed.notify_all();
        }
        self->finished = true;
        self->changed.notify_all();
    }
};

LogMirror::LogMirror(std::shared_ptr<FileSystem> fs, Mode mode, QObject* parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>(std::move(fs)))
    , m_mode(mode)
{
    m_shared->owner = this;
}

LogMirror::~LogMirror()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->owner = nullptr;
    m_shared->stop = true;
    m_shared->changed.notify_all();
    if (!m_shared->thread.joinable())
        return;
    const bool ended = m_shared->changed.wait_for(
        lock, std::chrono::milliseconds(CloseWaitMs), [&] { return m_shared->finished; });
    lock.unlock();
    if (ended)
        m_shared->thread.join();
    else
        m_shared->thread.detach(); // it holds what it uses
}

void LogMirror::setFolder(const QString& folder)
{
    if (folder == m_folder)
        return;
    m_folder = folder;
    ++m_generation;
    m_failing = false;
}

void LogMirror::setSyncEnabled(bool on)
{
    std::lock_guard lock(m_shared->mutex); // the worker takes it between writes
    m_shared->writer.setSyncEnabled(on);
}

void LogMirror::logWritten(
    const QString& logFileName, const QString& backupFileName, const QByteArray& content)
{
    if (m_folder.trimmed().isEmpty())
        return;
    MirrorJob job { m_folder, logFileName, backupFileName, content, m_generation };
    if (m_mode == Mode::Inline) {
        tellOutcome(m_shared->writer.write(job));
        return;
    }
    std::lock_guard lock(m_shared->mutex);
    m_shared->pending = std::move(job);
    if (!m_shared->thread.joinable())
        m_shared->thread = std::thread(&Shared::run, m_shared);
    m_shared->changed.notify_all();
}

void LogMirror::waitIdle()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->changed.wait(lock, [&] { return !m_shared->pending && !m_shared->writing; });
}

void LogMirror::deliver()
{
    std::vector<MirrorOutcome> done;
    {
        std::lock_guard lock(m_shared->mutex);
        done.swap(m_shared->done);
        m_shared->posted = false;
    }
    for (const MirrorOutcome& outcome : done)
        tellOutcome(outcome);
}

void LogMirror::tellOutcome(const MirrorOutcome& outcome)
{
    auto tell = [&](const QString& text) {
        if (m_tell)
            m_tell(text);
    };
    // A folder given up: its failure or success is not about the mirror now in use.
    const bool current = outcome.generation == m_generation;
    switch (current ? outcome.kind : MirrorOutcome::Nothing) {
    case MirrorOutcome::Nothing:
        break;
    case MirrorOutcome::Written:
        if (m_failing)
            tell(QStringLiteral("  Mirror written again"));
        m_failing = false;
        break;
    case MirrorOutcome::Failed:
        if (!m_failing)
            tell(QStringLiteral("  Mirror not written: %1; retried at the next contact")
                     .arg(outcome.reason));
        m_failing = true;
        break;
    case MirrorOutcome::Refused:
        m_failing = false;
        tell(QStringLiteral("  Mirror folder %1 not used: %2; no mirror is written")
                 .arg(QFileInfo(outcome.copy).absolutePath(), outcome.reason));
        break;
    case MirrorOutcome::Blocked:
        m_failing = false;
        tell(QStringLiteral("  Mirror copy %1 is newer than the log: it was not loaded, and it "
                            "could not be kept aside (%2), so no mirror is written")
                 .arg(outcome.copy, outcome.reason));
        break;
    }
    // Last, so that the status line keeps it: those contacts may be the log's only others.
    if (!outcome.newerKeptAs.isEmpty())
        tell(QStringLiteral("  Mirror copy %1 is newer than the log: it was not loaded; it is "
                            "kept as %2")
                 .arg(outcome.copy, outcome.newerKeptAs));
}

} // namespace vorad
