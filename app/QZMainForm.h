#pragma once

#include <functional>
#include <memory>

#include <QLocale>
#include <QMainWindow>
#include <QUrl>

#include <deque>

#include "Clock.h"
#include "ColourForm.h"
#include "ContactEntry.h"
#include "ContactRecord.h"
#include "ContestSettings.h"
#include "DupeSummary.h"
#include "FindingsForm.h"
#include "LogBook.h"
#include "LogExport.h"
#include "LogFileStore.h"
#include "LogFiles.h"
#include "MainLayout.h"
#include "PrintLayout.h"
#include "ProfileFile.h"
#include "SettingsForm.h"
#include "SmtpSettingsForm.h"
#include "SoundCues.h"
#include "SoundSettings.h"
#include "StartupRules.h"
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
    // The real program ends through its shut-down on SIGTERM, SIGINT and SIGHUP.
    bool watchSessionEnd = false;
    // When set, message boxes go here instead of to the screen.
    std::function<void(const QString&)> messageHook;
    // Told of every cue ("error", "dupe").
    std::function<void(const char*)> cueHook;
    // Where cues are heard; none is silence.
    std::shared_ptr<AudioSink> sink;
    // Called each time a handler lets pending events run (tests deliver keys there).
    std::function<void()> eventsHook;
    // When set, these stand in for the file dialogs (an empty path is a cancel), the yes/no
    // question, and the desktop's viewer.
    std::function<QString(const QString& caption, const QString& filter, bool save)> fileDialogHook;
    std::function<bool(const QString&)> questionHook;
    std::function<void(const QUrl&)> openUrlHook;
    // When set, stands in for the print dialog (false is a cancel); tests print to a PDF file.
    std::function<bool(QPrinter&)> printDialogHook;
    // When set, stands in for the colour chooser (returning the preset is a cancel).
    std::function<QColor(const QColor&)> colourChooserHook;
    // When set, the screen's size and horizontal dots per inch as the layout sees them.
    std::function<QSize()> screenSizeHook;
    std::function<int()> screenDpiHook;
    // The mail server's port; tests send to a server of their own.
    QString smtpPort = QStringLiteral("smtp");
    int tickIntervalMs
        = 200; // five ticks a second: the seconds show on time, the idle program sleeps

    static StartupEnvironment forProgram();
};

// The operating window. Creating it runs the start-up sequence; closing it the shut-down.
class TQZMainForm : public QMainWindow,
                    private LogBookUi,
                    private EntryUi,
                    private SettingsFormHost,
                    private EmailFormHost
{
    Q_OBJECT

public:
    explicit TQZMainForm(StartupEnvironment env, QWidget* parent = nullptr);
    ~TQZMainForm() override;

    ContestSettings& settings() { return m_settings; }
    TSettingsForm& settingsForm() { return *SettingsForm; }
    TSmtpSettingsForm& emailForm() { return *SmtpSettingsForm; }
    TSoundSettings& soundForm() { return *SoundSettings; }
    TColourForm& colourForm() { return *ColourForm; }
    TFindingsForm& findingsForm() { return *FindingsForm; }
    ContactEntry& entry() { return m_entry; }
    vorad::LogBook& logBook() { return m_logBook; }
    const QString& settingsPath() const { return m_settingsPath; }
    // Runs the shut-down sequence once; `quiet` when the session is ending (no message boxes,
    // the terminal is told). False when the window must stay open: contacts would be lost.
    bool ShutDown(bool quiet = false);
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
    void ScrollTimer1Timer();
    void ScrollTimer2Timer();

    // The commands of the keys, their labels and the menu.
    void ClearEntry();
    void EditContact();
    void DeleteContact();
    void ToggleSummary();
    void Toggle100km();
    void ChangeMode();
    void BandDown();
    void BandUp();
    void ToggleDupeDisplay();
    void Quit();
    void NewLog1Click();
    void OpenLog1Click();
    void SaveLog1Click();
    void SaveLogAs1Click();
    void PrintNormal();
    void PrintText();
    void EmailLog();
    void ExportCabrillo1Click();
    void ExportAdif1Click();
    void CheckLog1Click();
    void ToggleLogBookFullScreen();
    void RestoreDefaultWindowSize();
    void RestoreDefaultColours();
    void ShowSettingsDialog();
    void ShowSoundDialog();
    void ShowColourDialog();
    void HelpDisplayClick();
    void About1Click();
    void CallsignNMouseDown();
    void NameNMouseDown();
    void RSTRxNMouseDown();
    void RSTTxNMouseDown();

    void RefreshDupeDisplay();
    void RefreshSummary();
    // The samples become every window's colours and the scheme; the window is laid out again.
    void ApplyColourScheme(const ColourScheme& samples);
    // Every control placed and sized for the window's size.
    void LayoutMainWindow();
    // The titles, the layout, and the window's size for the screen.
    void SetMainTitle();
    int winLogLength() const { return m_settings.winLogLength; }
    const DisplayTicks& displayTicks() const { return m_ticks; }
    // What the e-mail dialog is to show, and the attachment written for it.
    const EmailContent& emailContent() const { return m_emailContent; }

    // Runs a command now, or after the handler that is letting events run ends.
    void runCommand(std::function<void()> command) override;

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
    void createMenusAndKeys();
    void ArrangeDisplays();
    void fillDupeLists();
    void showDupeControls(bool on);
    void placeClock(char side);
    void updateTicks();
    void FocusMainWindow();
    bool RSTTxNKeyPress(QKeyEvent* event);
    bool mouseFilter(QWidget* widget, QMouseEvent* event);
    bool askQuestion(const QString& text);
    void endEditForNewFile();
    QString chooseFile(
        const QString& caption, const QString& filter, bool save, const QString& proposed = {});
    void exportLog(ExportFormat format);
    LogFindings logCheck() const;
    void showLogCheck();
    void selectLogLine(int row);
    QString sheetKey() const;
    void render();
    void paintBox(QLineEdit* box, const BoxView& view);
    void sessionEnding();
    // Quit asked for (F10, the menu, its label, the close box) while a handler runs.
    void quitAsked();
    void createControls();
    void paintDesignColours();
    void showLogFileCaption();
    void showTitle(const QString& title);
    void setValueText(QLabel* label, const QString& text);
    QSize screenSize() const;
    int screenDpi() const;
    void chooseSettingsPath();
    void readSettings();
    void applyOverrideFile();
    void ShowMessage(const QString& text);
    // A modal box owned by `owner`, with its own caption.
    void ShowMessageOwned(QWidget* owner, const QString& caption, const QString& text);
    SheetFields sheetFields(bool fromBoxes) const;
    bool choosePrinter(QPrinter& printer);
    using PrintJob = bool (*)(PrintSurface&, const SheetFields&, const QStringList&, QString*);
    void printLog(PrintJob print, const SheetFields& fields);

    // Steps whose behaviour arrives with later work.
    void SwitchOffDragFullWindows() { }
    void CreateDialogs();
    void FinishLayout();
    void RefreshDupeAndSummary();

    // LogBookUi
    void showStatus(const QString& text) override;
    void showMessage(const QString& text) override { ShowMessage(text); }
    void errorCue() override;
    void letEventsRun() override;
    // EntryUi
    void dupeCue() override;
    void setEntryFocus(EntryFocus box) override;
    void focusMainWindow() override;
    void clearLogSelection() override;
    int selectedLogRow() override;
    void refreshDupeAndSummary() override { RefreshDupeAndSummary(); }
    void refreshDupeDisplay() override;
    // The first tick after a new or empty logbook.
    void openSettingsDialog() override { ShowSettingsDialog(); }
    void sendMorse(const QString& text, int speed) override { m_cues.sendMorse(text, speed); }
    void playSoundCue(const QString& name) override { m_cues.PlaySoundCue(name); }
    void clockText(const QString& time) override;
    void scrollLogTo(int firstRow) override;
    bool dialogClosed() override { return m_dialogClosed; }
    void showEntryBandMode(const QString& band, const QString& mode) override;
    void showEntryPoints(const QString& points) override;
    void showRunningTotal(qint64 total) override;
    void showNextSerial(int serial) override;
    void scrollToLastLines() override;
    void requestSettingsDialog() override { m_entry.setSettingsOpenPending(true); }
    void logFileNameChanged() override { showLogFileCaption(); }
    void rebuildSummary() override { }
    // SettingsFormHost
    void setDialogClosed(bool closed) override { m_dialogClosed = closed; }
    void clearSettingsOpenPending() override { m_entry.setSettingsOpenPending(false); }
    void logFilePicked(const QString& path) override;
    QString myCallsign() const override;
    void setMyCallsign(const QString& callsign) override;
    void settingsTakenOver() override;
    void dialogFinished() override { FocusMainWindow(); }
    int timeZoneBiasMinutes() const override;
    void applyColourScheme(const ColourScheme& samples) override { ApplyColourScheme(samples); }
    void clearEntry() override { ClearEntry(); }
    // EmailFormHost
    void readEmailSettings() override;
    void writeEmailSettings() override;
    bool checkBeforeSend() override;
    // Loads the settings file, lets `write` change it, and saves it; the operator is told
    // when it cannot be written.
    void updateSettingsFile(const std::function<void(ProfileFile&)>& write);
    // The log's names reach the settings file at once when the log changes.
    void saveLogFileNames();

    StartupEnvironment m_env;
    ContestSettings m_settings;
    DateTimeForms m_forms;
    LogLock m_logLock; // given up last, after everything that writes the log
    bool m_logHeldElsewhere = false;
    vorad::LogBook m_logBook;
    ContactEntry m_entry;
    SilentSink m_silence;
    SoundCues m_cues;
    QString m_settingsPath; // empty when no settings file may be written
    ProfileFile m_startupProfile; // as read at start-up
    QString m_settingsNote; // told once in the status panel
    bool m_shutDownDone = false;
    bool m_quietMessages = false;
    bool m_closeRefused = false;
    bool m_titleInStep = true;
    QString m_title; // the title before the note that the log is not on disk
    QSize m_fitReference { 635, 482 };
    char m_clockSide = '\0';
    bool m_layoutQueued = false;
    int m_placingWindow = 0; // the program itself is sizing the window
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
    bool m_watchMoves = false; // the first placement by the window manager is not a drag
    QSize m_sizeAtLastMove;
    std::deque<std::function<void()>> m_held;
    QTimer* SecondTickTimer = nullptr;
    QTimer* ScrollTimer1 = nullptr;
    QTimer* ScrollTimer2 = nullptr;
    // A click on the log list during an edit is refused once it is plain that it is no double
    // click (which reloads the row).
    QTimer* m_pickRefusal = nullptr;

    DisplayTicks m_ticks;
    EmailContent m_emailContent;
    QStringList m_allowed2, m_wait2, m_summary2; // the whole lists behind the visible ones
    int m_dupeScroll = 0;
    int m_summaryScroll = 0;
    QLineEdit* m_focusBeforeRstTx = nullptr;
    QLineEdit* m_selectWhenPainted = nullptr; // given the focus; its text is selected once shown
    QAction* LogBookDisplay1 = nullptr;
    QAction* DupeDisplay1 = nullptr;
    QAction* ContactSummaryDisplay1 = nullptr;
    bool m_sessionEnded = false;
    // Cues that cannot be heard, told in the status line once the command that gave them ends.
    QStringList m_cueRefusals;
    QString m_statusBeforeCommand; // a status that changed during the command is its own word
    bool m_startedUp = false;

    QLabel* SummaryHeader = nullptr;
    DrumList* SummaryBox = nullptr;
    QLabel* AllowedLabel = nullptr;
    QLabel* WaitLabel = nullptr;
    DrumList* AllowedList = nullptr;
    DrumList* WaitList = nullptr;
    QLabel* CLOCK1 = nullptr;
    QLabel* F5Bottom = nullptr;
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
    TSettingsForm* SettingsForm = nullptr;
    TSmtpSettingsForm* SmtpSettingsForm = nullptr;
    TSoundSettings* SoundSettings = nullptr;
    TColourForm* ColourForm = nullptr;
    TFindingsForm* FindingsForm = nullptr;
    bool m_findingsQueued = false;
    quint64 m_logGeneration = 0; // counts the changes to the log list
    quint64 m_emailGeneration = ~quint64(0); // ... as "Email Log" found it
    QString m_emailSheet; // the station's details as "Email Log" put them on the sheet
};

} // namespace vorad
