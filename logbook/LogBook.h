#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include "ContactRecord.h"
#include "LogFileStore.h"

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
    virtual void showRunningTotal(int total) = 0;
    virtual void showNextSerial(int serial) = 0;
    virtual void scrollToLastLines() = 0;
    virtual void requestSettingsDialog() = 0;
    virtual void logFileNameChanged() = 0;
    virtual void rebuildSummary() = 0;
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
    int runningTotal() const { return m_runningTotal; }
    void setRunningTotal(int total) { m_runningTotal = total; }
    int serialCounter() const { return m_serialCounter; }
    void setSerialCounter(int serial) { m_serialCounter = serial; }
    // False after a write failed: the next write then rewrites the whole file.
    bool fileInStep() const { return m_fileInStep; }

    void LoadLogBook(ContestSettings& settings, LogBookUi& ui);
    void AppendContact(const ContactRecord& record, const ContestSettings& settings, LogBookUi& ui);
    bool WriteLogBook(const ContestSettings& settings, LogBookUi& ui);
    void ReplaceContact(const ContactRecord& record, int selectedRow,
        const ContestSettings& settings, LogBookUi& ui);
    int NextSerialNumber() const;
    // The sum of the points of every line, as the summary rebuild counts it.
    int RecountTotal();

private:
    QString buildLine(const ContactRecord& record, const QString& rstSent) const;
    QByteArray fileContent() const;
    bool writeWhole(const ContestSettings& settings, LogBookUi& ui, bool forNewContact);
    void reportWriteFailure(
        const QString& fileName, const QString& error, bool forNewContact, LogBookUi& ui);

    LogFileStore& m_store;
    QStringList m_lines;
    int m_runningTotal = 0;
    int m_serialCounter = 1;
    bool m_fileInStep = true;
};

} // namespace vorad
