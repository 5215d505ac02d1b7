#pragma once

#include <functional>
#include <memory>

#include <QLocale>
#include <QMainWindow>

#include "Clock.h"
#include "ContactRecord.h"
#include "ContestSettings.h"
#include "LogBook.h"
#include "LogFileStore.h"
#include "StartupRules.h"

class QLabel;
class QLineEdit;
class QListView;

namespace vorad {

// Where the program keeps its files and how it reads the time; tests replace each part.
struct StartupEnvironment
{
    QString settingsPath; // the executable's path + ".ini"
    QString fallbackSettingsPath; // used when the executable's folder cannot be written
    QString workingDir; // the current directory at start-up
    QLocale locale = QLocale::system();
    std::shared_ptr<Clock> clock = std::make_shared<Clock>();
    std::shared_ptr<LogFileStore> store = std::make_shared<LogFileStore>();
    // The real program ends through its shut-down on SIGTERM, SIGINT and SIGHUP.
    bool watchSessionEnd = false;
    // When set, message boxes go here instead of to the screen.
    std::function<void(const QString&)> messageHook;

    static StartupEnvironment forProgram();
};

// The operating window. Creating it runs the start-up sequence; closing it the shut-down.
class TQZMainForm : public QMainWindow, private LogBookUi
{
    Q_OBJECT

public:
    explicit TQZMainForm(StartupEnvironment env, QWidget* parent = nullptr);
    ~TQZMainForm() override;

    ContestSettings& settings() { return m_settings; }
    vorad::LogBook& logBook() { return m_logBook; }
    const QString& settingsPath() const { return m_settingsPath; }
    // Runs the shut-down sequence once; `quiet` when the session is ending (no message boxes).
    void ShutDown(bool quiet = false);
    bool sessionEnded() const { return m_sessionEnded; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void sessionEnding();
    void createControls();
    void applyColours();
    void chooseSettingsPath();
    void readSettings();
    void applyOverrideFile();
    void SetMainTitle();
    void ShowMessage(const QString& text);

    // Steps whose behaviour arrives with later work.
    void SwitchOffDragFullWindows() { }
    void CreateDialogs() { }
    void LayoutMainWindow() { }
    void FinishLayout() { }
    void RefreshDupeAndSummary() { }
    void FormatSentReport() { }

    // LogBookUi
    void showStatus(const QString& text) override;
    void showMessage(const QString& text) override { ShowMessage(text); }
    void errorCue() override;
    void letEventsRun() override;
    void showEntryBandMode(const QString& band, const QString& mode) override;
    void showEntryPoints(const QString& points) override;
    void showRunningTotal(int total) override;
    void showNextSerial(int serial) override;
    void scrollToLastLines() override;
    void requestSettingsDialog() override { m_settingsOpenPending = true; }
    void logFileNameChanged() override { SetMainTitle(); }
    void rebuildSummary() override { }

    StartupEnvironment m_env;
    ContestSettings m_settings;
    DateTimeForms m_forms;
    vorad::LogBook m_logBook;
    ContactRecord m_record;
    UtcOffset m_utcOffset;
    QString m_settingsPath;
    QString m_settingsNote; // told once in the status panel
    bool m_settingsOpenPending = false;
    bool m_repeatShown = false;
    bool m_editPending = false;
    bool m_shutDownDone = false;
    bool m_sessionEnded = false;

    QLabel* SummaryHeader = nullptr;
    QLabel* ContestLogLabel1 = nullptr;
    QLabel* MyCallsign = nullptr;
    QLabel* CurrentTZLabel = nullptr;
    QLabel* TimeZoneLabel = nullptr;
    QLabel* PointsTotalLabel = nullptr;
    QLabel* PointsTotal = nullptr;
    QLabel* TopIndexLabel = nullptr;
    QListView* LogBook = nullptr;
    QLineEdit* BandN = nullptr;
    QLineEdit* ModeN = nullptr;
    QLineEdit* RSTTxN = nullptr;
    QLineEdit* CallsignN = nullptr;
    QLineEdit* NameN = nullptr;
    QLineEdit* RSTRxN = nullptr;
    QLineEdit* TimeUTC = nullptr;
    QLineEdit* DateN = nullptr;
    QLineEdit* PointsN = nullptr;
    QLabel* StatusPanel = nullptr;
    QLabel* TimeStatusPanel = nullptr;
};

} // namespace vorad
