#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include "ContactRecord.h"
#include "LogFileStore.h"
#include "StationIndex.h"

namespace vorad {

struct ContestSettings;

// What the logbook operations show the operator. The main window implements it; tests
// record the calls.
class LogBookUi
{
public:
    virtual ~LogBookUi() = default;
    virtual void showStatus(const QString& text) = 0;
    // A modal box with the program's caption; lines are separated by "\r".
    virtual void showMessage(const QString& text) = 0;
    virtual void errorCue() = 0;
    virtual void letEventsRun() = 0;
    virtual void showEntryBandMode(const QString& band, const QString& mode) = 0;
    virtual void showEntryPoints(const QString& points) = 0;
    virtual void showRunningTotal(qint64 total) = 0;
    virtual void showNextSerial(int serial) = 0;
    virtual void scrollToLastLines() = 0;
    virtual void requestSettingsDialog() = 0;
    virtual void logFileNameChanged() = 0;
    virtual void rebuildSummary() = 0;
};

// Told after each write that left the log whole on disk (an append, a rewrite, a load), with
// what the file now holds.
class LogWriteListener
{
public:
    virtual ~LogWriteListener() = default;
    virtual void logWritten(
        const QString& logFileName, const QString& backupFileName, const QByteArray& content)
        = 0;
    // False while the listener has nowhere to write: the log's bytes are then not kept.
    virtual bool wantsWrites() const { return true; }
};

// The logbook: the ordered log lines (oldest first), their running points total and the
// serial counter, and the operations that keep the .LOG file in step with them.
class LogBook : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit LogBook(LogFileStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const QStringList& lines() const { return m_lines; }
    // The rows of the lines by station, band and mode; always in step with lines().
    const StationIndex& stations() const
    {
        Q_ASSERT(m_stations.rowCount() == m_lines.size());
        return m_stations;
    }
    qint64 runningTotal() const { return m_runningTotal; }
    void setRunningTotal(qint64 total) { m_runningTotal = total; }
    int serialCounter() const { return m_serialCounter; }
    void setSerialCounter(int serial) { m_serialCounter = serial; }
    // False while memory holds contacts (or changes) that the file does not.
    bool fileInStep() const { return m_fileInStep; }
    // False when the file could not be read whole: it is then never rewritten whole, so that
    // the contacts in it are never replaced by the few in memory. Appends go on.
    bool loaded() const { return m_loaded; }
    // Where a rescue copy goes when the log's own folder cannot take one.
    void setRescueFolder(const QString& folder) { m_rescueFolder = folder; }
    // Told of every write that leaves the log whole on disk; none: nobody.
    void setWriteListener(LogWriteListener* listener) { m_listener = listener; }
    // Tells the listener what the log holds now, when the file holds the whole logbook.
    void TellWriteListener();

    // False when the logbook in memory held contacts that could not be saved anywhere: it is
    // then kept, and the file is not loaded.
    bool LoadLogBook(ContestSettings& settings, LogBookUi& ui);
    void AppendContact(const ContactRecord& record, const ContestSettings& settings, LogBookUi& ui);
    bool WriteLogBook(const ContestSettings& settings, LogBookUi& ui);
    void ReplaceContact(const ContactRecord& record, int selectedRow,
        const ContestSettings& settings, LogBookUi& ui);
    // Takes one line out of the list (the file is rewritten by the caller).
    void RemoveContact(int row);
    // Empties the list and the total (a new log; the file is rewritten by the caller).
    void Clear();
    // New Log: the file becomes empty only once its contacts are safe in the backup; else the
    // lines stay, in memory and on disk, and false is returned.
    bool StartNewLog(const ContestSettings& settings, LogBookUi& ui);
    // Writes the logbook as a plain copy under another name (no backup left beside it); the
    // current file stays current and its state is not touched.
    bool WriteCopy(const QString& path, LogBookUi& ui);
    int NextSerialNumber() const;
    // The sum of the points of every line, as the summary rebuild counts it.
    qint64 RecountTotal();

    // Puts what only memory holds on disk: into the log file when it can take it, else into a
    // new rescue file beside it (or in the rescue folder), and tells where. With `adopt`, a
    // rescue file that holds the whole logbook becomes the log named there. False when nothing
    // could be written.
    bool SecureContacts(LogBookUi& ui, ContestSettings* adopt = nullptr);

private:
    // What a write is for, and so what its failure tells: the rescue step tells for itself.
    enum class WriteFor { NewContact, Logbook, Rescue, Copy };

    QString buildLine(const ContactRecord& record, const QString& rstSent) const;
    QByteArray fileContent(qsizetype from = 0) const;
    bool writeWhole(const QString& logName, const QString& backupName, LogBookUi& ui, WriteFor what,
        LogFileStore::Backup backup = LogFileStore::Backup::IfPossible);
    bool appendUnwritten(const QString& logName, LogBookUi& ui, WriteFor what);
    void reportWriteFailure(
        const QString& fileName, const QString& error, WriteFor what, LogBookUi& ui);
    void showLastBandMode(LogBookUi& ui, bool lastLineTorn);
    void tellLoadProblems(const LoadedLog& loaded, LogBookUi& ui);
    int serialFromOtherFiles(const QStringList& files, qint64 logSize) const;
    void tellWritten(const QString& logName, const QString& backupName);

    LogFileStore& m_store;
    QStringList m_lines;
    StationIndex m_stations { m_lines };
    qint64 m_runningTotal = 0;
    int m_serialCounter = 1;
    bool m_fileInStep = true;
    bool m_loaded = true;
    // Not loaded: the first line the file does not hold yet, and whether a change to earlier
    // lines waits (those can only go to a rescue copy).
    qsizetype m_unwrittenFrom = 0;
    bool m_changesUnwritten = false;
    // The log's name holds no regular file: nothing of this run is on disk until a rescue.
    bool m_refused = false;
    // The files the lines in memory belong to.
    QString m_fileName;
    QString m_backupName;
    QString m_rescueFolder;
    LogWriteListener* m_listener = nullptr;
    // The file's bytes of the lines, kept while they are known so that a listener told of each
    // append does not cost a whole log's conversion per contact.
    QByteArray m_content;
    bool m_contentKnown = false;
};

} // namespace vorad
