#pragma once

#include <functional>
#include <memory>

#include <QLocale>
#include <QMainWindow>
#include <QUrl>

#include <deque>

#include "Appearance.h"
#include "Clock.h"
#include "ColourForm.h"
#include "ContactEntry.h"
#include "ContactRecord.h"
#include "ContestSettings.h"
#include "Desktop.h"
#include "Dialogs.h"
#include "DupeDisplays.h"
#include "DupeSummary.h"
#include "EntryRowView.h"
#include "FileCommands.h"
#include "FindingsForm.h"
#include "LogBook.h"
#include "LogExport.h"
#include "LogFileStore.h"
#include "LogFiles.h"
#include "LogMirror.h"
#include "MainControls.h"
#include "MainLayout.h"
#include "PasswordVault.h"
#include "PrintLayout.h"
#include "ProfileFile.h"
#include "RigControls.h"
#include "SettingsForm.h"
#include "SmtpSettingsForm.h"
#include "SoundCues.h"
#include "SoundSettings.h"
#include "StartupRules.h"
#include "StationHints.h"
#include "SubmissionCommands.h"
#include "SummarySheet.h"

class QAction;
class QKeyEvent;
class QMouseEvent;
class QMoveEvent;
class QResizeEvent;
class QLabel;
class QLineEdit;
class QListView;
class QPrinter;
class QTimer;

namespace vorad {

class DrumList;

// Where the program keeps its files and how it reads the time; tests replace each part.
struct StartupEnvironment
{
    QString settingsPath; // the executable's path + ".ini"
    QString fallbackSettingsPath; // used when the executable's folder cannot be written
    QString workingDir; // the current directory at start-up
    QString rescueFolder; // the user's data folder: rescue copies the log's folder cannot take
    QLocale locale = QLocale::system();
    std::shared_ptr<Clock> clock = std::make_shared<Clock>();
    std::shared_ptr<LogFileStore> store = std::make_shared<LogFileStore>();
    // The mirror folder's file system, and whether its copy is written on a worker (the
    // program) or at once (tests that follow each write).
    std::shared_ptr<FileSystem> mirrorFileSystem = std::make_shared<PosixFileSystem>();
    LogMirror::Mode mirrorMode = LogMirror::Mode::Worker;
    // The real program ends through its shut-down on SIGTERM, SIGINT and SIGHUP.
    bool watchSessionEnd = false;
    // Told of every cue ("error", "dupe").
    std::function<void(const char*)> cueHook;
    // Where cues are heard; none is silence.
    std::shared_ptr<AudioSink> sink;
    // Called each time a handler lets pending events run (tests deliver keys there).
    std::function<void()> eventsHook;
    // The message boxes, questions, choosers and screen; tests stand in for the desktop.
    std::shared_ptr<Desktop> desktop = std::make_shared<QtDesktop>();
    // The mail server's port in place of the settings' one; tests send to a server of their own.
    QString smtpPort;
    // Where the mail password is remembered; none is the desktop's keyring, loaded when first
    // asked.
    std::shared_ptr<PasswordVault> vault;
    // How often a linked radio is read.
    int rigPollMs = 500;
    int tickIntervalMs
        = 200; // five ticks a second: the seconds show on time, the idle program sleeps

    static StartupEnvironment forProgram();
};

// The operating window. Creating it runs the start-up sequence; closing it the shut-down. It
// builds the controls, routes keys, clicks and commands, and holds input that arrives while a
// handler runs; each concern is a unit of its own that reaches the others through it.
class TQZMainForm : public QMainWindow,
                    private LogBookUi,
                    private EntryUi,
                    private SettingsFormHost,
                    private EmailFormHost
{
    Q_OBJECT

public:
    static const QString MessageCaption;

    explicit TQZMainForm(StartupEnvironment env, QWidget* parent = nullptr);
    ~TQZMainForm() override;

    ContestSettings& settings() { return m_settings; }
    // The dialogs, each built when first needed.
    TSettingsForm& settingsForm() { return m_dialogs.settings(); }
    TSmtpSettingsForm& emailForm() { return m_dialogs.email(); }
    TSoundSettings& soundForm() { return m_dialogs.sound(); }
    TColourForm& colourForm() { return m_dialogs.colour(); }
    TFindingsForm& findingsForm() { return m_dialogs.findings(); }
    bool findingsShown() const { return m_dialogs.findingsShown(); }
    ContactEntry& entry() { return m_entry; }
    vorad::LogBook& logBook() { return m_logBook; }
    LogMirror& mirror() { return m_mirror; }
    const MainControls& controls() const { return c; }
    const QString& settingsPath() const { return m_files.settingsPath(); }
    // Runs the shut-down sequence once; `quiet` when the session is ending (no message boxes,
    // the terminal is told). False when the window must stay open: contacts would be lost.
    bool ShutDown(bool quiet = false);
    bool shutDownDone() const { return m_shutDownDone; }
    bool sessionEnded() const { return m_sessionEnded; }
    // Another copy of the program holds the log named in the settings: this one has not
    // touched it (nor the settings file) and ends.
    bool logHeldElsewhere() const { return m_logHeldElsewhere; }

    // Handlers of the entry row and the window's key preview; true when the key is used up.
    bool FormKeyDown(QKeyEvent* event);
    bool CallsignNKeyPress(QKeyEvent* event);
    bool NameNKeyPress(QKeyEvent* event);
    bool RSTRxNKeyPress(QKeyEvent* event);
    void SecondTickTimerTimer();
    void ScrollTimer1Timer() { m_displays.ScrollTimer1Timer(); }
    void ScrollTimer2Timer() { m_displays.ScrollTimer2Timer(); }

    // The commands of the keys, their labels and the menu.
    void ClearEntry() { m_entry.ClearEntry(); }
    void EditContact() { m_entry.EditContact(); }
    void DeleteContact() { m_entry.DeleteContact(); }
    void ToggleSummary() { m_displays.ToggleSummary(); }
    void Toggle100km() { m_entry.Toggle100km(); }
    void ChangeMode();
    void BandDown();
    void BandUp();
    // A band the operator chose (a band key, its label, a band typed): the band box shows it,
    // the points follow, and a linked radio is tuned to it.
    void BandChosenByOperator(const QString& band);
    void ToggleDupeDisplay() { m_displays.ToggleDupeDisplay(); }
    void Quit();
    void NewLog1Click() { m_files.NewLog1Click(); }
    void OpenLog1Click() { m_files.OpenLog1Click(); }
    void SaveLog1Click() { m_files.SaveLog1Click(); }
    void SaveLogAs1Click() { m_files.SaveLogAs1Click(); }
    void PrintNormal() { m_submission.PrintNormal(); }
    void PrintText() { m_submission.PrintText(); }
    void EmailLog() { m_submission.EmailLog(); }
    void ExportCabrillo1Click() { m_submission.exportLog(ExportFormat::Cabrillo); }
    void ExportAdif1Click() { m_submission.exportLog(ExportFormat::Adif); }
    void CheckLog1Click() { m_submission.CheckLog1Click(); }
    void ToggleLogBookFullScreen() { m_displays.ToggleLogBookFullScreen(); }
    void RestoreDefaultWindowSize();
    void RestoreDefaultColours();
    void ShowSettingsDialog() { settingsForm().ShowForm(); }
    void ShowSoundDialog() { soundForm().ShowForm(); }
    void ShowColourDialog() { colourForm().ShowForm(); }
    void HelpDisplayClick();
    void About1Click();
    void CallsignNMouseDown() { m_entry.CallsignNMouseDown(); }
    void NameNMouseDown() { m_entry.NameNMouseDown(); }
    void RSTRxNMouseDown() { m_entry.RSTRxNMouseDown(); }
    void RSTTxNMouseDown() { m_entryView.RSTTxNMouseDown(); }

    void RefreshDupeDisplay() { m_displays.RefreshDupeDisplay(); }
    void RefreshSummary() { m_displays.RefreshSummary(); }
    // The samples become every window's colours and the scheme; the window is laid out again.
    void ApplyColourScheme(const ColourScheme& samples);
    // Every control placed and sized for the window's size.
    void LayoutMainWindow();
    // The titles, the layout, and the window's size for the screen.
    void SetMainTitle() { m_appearance.SetMainTitle(); }
    int winLogLength() const { return m_settings.winLogLength; }
    const DisplayTicks& displayTicks() const { return m_displays.ticks(); }
    char clockSide() const { return m_displays.clockSide(); }
    // What the e-mail dialog is to show, and the attachment written for it.
    const EmailContent& emailContent() const { return m_submission.emailContent(); }

    // Runs a command now, or after the handler that is letting events run ends.
    void runCommand(std::function<void()> command) override;

    // What the window's units ask of it.
    bool busy() const { return m_busyDepth > 0; }
    // Replayed once the handler running now has ended.
    void hold(std::function<void()> input) { m_held.push_back(std::move(input)); }
    void render();
    void letEventsRun() override;
    void showStatus(const QString& text) override;
    void errorCue() override;
    void dupeCue() override;
    bool dialogClosed() override { return m_dialogClosed; }
    void FocusMainWindow();
    void ShowMessage(const QString& text);
    // A modal box owned by `owner`, with its own caption.
    void ShowMessageOwned(QWidget* owner, const QString& caption, const QString& text);
    bool askQuestion(const QString& text);
    QString chooseFile(
        const QString& caption, const QString& filter, bool save, const QString& proposed = {})
    {
        return m_files.chooseFile(caption, filter, save, proposed);
    }
    void setValueText(QLabel* label, const QString& text)
    {
        m_appearance.setValueText(label, text);
    }
    void showRunningTotal(qint64 total) override;
    void scrollLogTo(int firstRow) override { m_entryView.scrollLogTo(firstRow); }
    // What the station file gives, where it gives anything.
    void showStationFile(const QString& callsign, const QString& zone);
    // The settings file has been read into the settings.
    void settingsRead();
    // Another log took the place of the one in the window: the edit and the displays of the
    // old one go.
    void logReplaced();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Holds keys, clicks and commands that arrive while a handler lets events run, and replays
    // them after it, in order: no input ever runs inside another handler.
    class Busy;
    void replayHeldKeys();
    void tellCueRefusal(const QString& text);
    void showCueRefusals(bool afterCommand);
    void checkCues();
    void createControls();
    void createMenusAndKeys();
    bool onEnter(QKeyEvent* event, void (ContactEntry::*step)());
    bool RSTTxNKeyPress(QKeyEvent* event);
    bool mouseFilter(QWidget* widget, QMouseEvent* event);
    void sessionEnding();
    // Quit asked for (F10, the menu, its label, the close box) while a handler runs.
    void quitAsked();

    // Steps of the start-up. Windows are dragged whole on this desktop: the first is empty.
    void SwitchOffDragFullWindows() { }
    // The dialogs are built when first needed: this step only readies them.
    void CreateDialogs();
    void FinishLayout() { m_appearance.FinishLayout(); }
    void RefreshDupeAndSummary() { m_displays.RefreshDupeAndSummary(); }

    // LogBookUi
    void showMessage(const QString& text) override { ShowMessage(text); }
    // EntryUi
    void setEntryFocus(EntryFocus box) override { m_entryView.setEntryFocus(box); }
    void focusMainWindow() override { FocusMainWindow(); }
    void clearLogSelection() override { m_entryView.clearLogSelection(); }
    int selectedLogRow() override { return m_entryView.selectedLogRow(); }
    void refreshDupeAndSummary() override { RefreshDupeAndSummary(); }
    void refreshDupeDisplay() override { m_displays.refreshDupeDisplay(); }
    // The first tick after a new or empty logbook.
    void openSettingsDialog() override { ShowSettingsDialog(); }
    void sendMorse(const QString& text, int speed) override { m_cues.sendMorse(text, speed); }
    void playSoundCue(const QString& name) override { m_cues.PlaySoundCue(name); }
    void clockText(const QString& time) override { m_displays.clockText(time); }
    void showEntryBandMode(const QString& band, const QString& mode) override
    {
        m_entryView.showEntryBandMode(band, mode);
    }
    void showEntryPoints(const QString& points) override { m_entryView.showEntryPoints(points); }
    void showNextSerial(int serial) override { m_entryView.showNextSerial(serial); }
    void scrollToLastLines() override { m_entryView.scrollToLastLines(); }
    void requestSettingsDialog() override { m_entry.setSettingsOpenPending(true); }
    void logFileNameChanged() override { m_appearance.showLogFileCaption(); }
    void rebuildSummary() override { }
    // SettingsFormHost
    Desktop& desktop() override { return *m_env.desktop; }
    void setDialogClosed(bool closed) override { m_dialogClosed = closed; }
    void clearSettingsOpenPending() override { m_entry.setSettingsOpenPending(false); }
    void logFilePicked(const QString& path) override { m_files.logFilePicked(path); }
    QString myCallsign() const override;
    void setMyCallsign(const QString& callsign) override;
    void settingsTakenOver() override;
    void dialogFinished() override { FocusMainWindow(); }
    int timeZoneBiasMinutes() const override;
    void applyColourScheme(const ColourScheme& samples) override { ApplyColourScheme(samples); }
    void clearEntry() override { ClearEntry(); }
    // EmailFormHost
    void readEmailSettings() override { m_files.readEmailSettings(); }
    void writeEmailSettings() override { m_files.writeEmailSettings(); }
    bool checkBeforeSend() override { return m_submission.checkBeforeSend(); }
    PasswordVault& passwordVault() override;

    StartupEnvironment m_env;
    ContestSettings m_settings;
    DateTimeForms m_forms;
    LogLock m_logLock; // given up last, after everything that writes the log
    bool m_logHeldElsewhere = false;
    LogMirror m_mirror; // outlives the logbook that tells it of each write
    vorad::LogBook m_logBook;
    ContactEntry m_entry;
    SilentSink m_silence;
    SoundCues m_cues;
    MainControls c;
    EntryRowView m_entryView;
    DupeDisplays m_displays;
    Appearance m_appearance;
    FileCommands m_files;
    SubmissionCommands m_submission;
    StationHints m_hints;
    Dialogs m_dialogs;
    RigControls m_rig; // after the entry row and the units it sets
    bool m_shutDownDone = false;
    bool m_quietMessages = false;
    bool m_closeRefused = false;
    bool m_layoutQueued = false;
    int m_busyDepth = 0;
    struct KeyStamp
    {
        const QKeyEvent* event = nullptr;
        quint64 time = 0;
        int key = 0;
        bool operator==(const KeyStamp&) const = default;
    } m_keyRunForBox; // the last key run for a box (see eventFilter)
    bool m_replaying = false;
    bool m_quitting = false;
    bool m_dialogClosed = true; // false while an options dialog is shown
    std::deque<std::function<void()>> m_held;
    QTimer* SecondTickTimer = nullptr;
    bool m_sessionEnded = false;
    // Cues that cannot be heard, told in the status line once the command that gave them ends.
    QStringList m_cueRefusals;
    QString m_statusBeforeCommand; // a status that changed during the command is its own word
    bool m_startedUp = false;
};

} // namespace vorad
