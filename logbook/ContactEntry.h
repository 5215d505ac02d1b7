#pragma once

#include <QString>

#include "ContactRecord.h"
#include "EntryRules.h"

namespace vorad {

class CallHistory;
class Clock;
class LogBook;
class LogBookUi;
struct ContestSettings;
struct LogFields;

// Colours by their role in the scheme; the window paints each with the scheme's value.
enum class ColourRole {
    EntryBox,
    ListBox,
    BadQSO,
    GoodQSO,
    TitleColour,
    ColourForm,
    Features,
    FunctionB,
    FunctionL,
};

struct BoxView
{
    QString text;
    ColourRole textColour = ColourRole::EntryBox;
    ColourRole background = ColourRole::ListBox;
};

struct PanelView
{
    QString text;
    ColourRole textColour = ColourRole::TitleColour;
    ColourRole background = ColourRole::ColourForm;
};

enum class EntryFocus { Callsign, Name, RstRx };

// Everything the entry row and the two status lines show.
struct EntryRow
{
    BoxView band, mode, rstTx, callsign, name, rstRx, time, date, points;
    PanelView status;
    PanelView timeStatus { {}, ColourRole::Features, ColourRole::ColourForm };
    // The F5 label's colours follow the 100 km marker.
    ColourRole f5Text = ColourRole::FunctionL;
    ColourRole f5Background = ColourRole::FunctionB;
};

// What the entry rules ask of the window besides the row.
// What a click on a line of the log list does. During an edit no press, drag or release
// may move the selection off the line being edited; a double click picks the line to edit.
struct LinePick
{
    bool refuse = false; // told at once
    bool refuseUnlessDouble = false; // told once it is plain that no double click follows
    bool select = false; // the line clicked becomes the selection
    bool edit = false; // then brought into the entry row
};
LinePick LinePickFor(bool doubleClick, bool onLine, bool editPending);

class EntryUi
{
public:
    virtual ~EntryUi() = default;
    virtual void showMessage(const QString& text) = 0;
    virtual void errorCue() = 0;
    virtual void dupeCue() = 0;
    virtual void letEventsRun() = 0;
    virtual void setEntryFocus(EntryFocus box) = 0;
    virtual void focusMainWindow() = 0;
    virtual void clearLogSelection() = 0;
    virtual int selectedLogRow() = 0;
    virtual void refreshDupeAndSummary() = 0;
    virtual void refreshDupeDisplay() = 0;
    virtual void openSettingsDialog() = 0;
    virtual void sendMorse(const QString& text, int wordsPerMinute) = 0;
    // A cue by name: a built-in sound or a wave file.
    virtual void playSoundCue(const QString& name) { (void)name; }
    virtual void clockText(const QString& time) = 0;
    // Puts that line at the top of the log list.
    virtual void scrollLogTo(int firstRow) { (void)firstRow; }
    // False while one of the options dialogs is shown: the focus is then left alone.
    virtual bool dialogClosed() { return true; }
};

// The rules of the entry row: callsign, name and report steps, the commit, the repeat check and
// scoring, band and mode, and the contest clock. The row is the state; the window shows it.
class ContactEntry
{
public:
    ContactEntry(ContestSettings& settings, LogBook& logBook, LogBookUi& logUi, const Clock& clock,
        EntryUi& ui);

    EntryRow& row() { return m_row; }
    const EntryRow& row() const { return m_row; }
    ContactRecord& record() { return m_record; }

    bool repeatShown() const { return m_repeatShown; }
    bool editPending() const { return m_editPending; }
    void setEditPending(bool on) { m_editPending = on; }
    bool repeatAllowedShown() const { return m_repeatAllowedShown; }
    bool outsideContestWindow() const { return m_outside; }
    bool marker100km() const { return m_marker100km; }
    bool settingsOpenPending() const { return m_settingsOpenPending; }
    void setSettingsOpenPending(bool on) { m_settingsOpenPending = on; }
    // The UTC offset applied by the clock; set at start-up (system or station file).
    void setUtcOffset(int offsetSeconds, bool fromStationFile);
    // Local wall time minus the contest clock's UTC: what turns a logged time into the local
    // time the points were scored at.
    int clockOffsetSeconds() const;

    // The entry handlers.
    void CallsignNEnter();
    void NormaliseCallsign();
    void NameStep();
    void CommitEntry();
    void ClearEntry();
    void FormatSentReport();
    // F2: the selected log line into the row for correction; F3 during it: the line deleted.
    void EditContact();
    void DeleteContact();
    // A click in the name or received-report box: the ENTER step it stands for, or a refusal.
    void NameNMouseDown();
    void RSTRxNMouseDown();
    // A click in the callsign box puts the focus there: a logged callsign can be corrected.
    void CallsignNMouseDown();
    // Another line picked (a click in the log list, a row of the log check) during an edit is
    // refused: the edit belongs to the line brought into the row. True when refused.
    bool RefuseLinePick();
    // After the settings' OK: a change of "Auto 599 RST" shows at once, and the points box
    // shows the mode's new value.
    void SettingsTakenOver();
    void FormatReceivedReport();
    bool ScoreContact();

    void BandUp();
    void BandDown();
    // A band or mode chosen for the row (the radio's, or the operator's by another road than
    // F7, F8 and F6): the points follow, and for a mode the sent report.
    void SelectBand(const QString& band);
    void SelectMode(const QString& mode);
    void NextMode();
    void ChangeModeCommand(); // F6: the next mode, then the sent report for it
    void RefreshPoints();
    void Toggle100km();

    // One tick of the contest clock.
    void SecondTickTimerTimer();
    QDateTime utcNow() const;

    // Start-up: a fresh entry (flags clear, record reset).
    void reset();
    // Where names come from for a station the log has none for; none: the log alone.
    void setCallHistory(const CallHistory* history) { m_history = history; }

private:
    // The mouse guard outside the contest window: true when the click was refused.
    bool refuseClickOutsideTime();
    void normalColours();
    // Date, time, mode, band, points and sent report, from their boxes.
    void fillRecordFromRow();
    void showLoggedContact(const LogFields& fields, ColourRole colour);
    void showRefusedRepeat(const QString& line, qint64 elapsed);
    void showAllowedRepeat(const QString& line, qint64 elapsed);
    void showDamagedMatch(const QString& line);
    // The refused contact's logged line on show, and the row held until the next callsign.
    void showRefusal(const QString& line, const QString& timeStatus, const QString& status);
    void updateClockBoxes();
    // The time left to the finish, and whether the row's time is inside the contest window.
    void judgeContestWindow();
    void resumeClock();
    void setStatus(const QString& text, ColourRole textColour, ColourRole background);
    void inverseSentReport();
    // The name box of a station just accepted: the name last logged with it, or the call
    // history's, as far as the box takes it.
    void fillKnownName();

    ContestSettings& m_settings;
    LogBook& m_logBook;
    LogBookUi& m_logUi;
    const Clock& m_clock;
    EntryUi& m_ui;
    const CallHistory* m_history = nullptr;

    EntryRow m_row;
    ContactRecord m_record;
    bool m_repeatShown = false;
    bool m_editPending = false;
    bool m_repeatAllowedShown = false;
    bool m_outside = false;
    bool m_marker100km = false;
    bool m_settingsOpenPending = false;
    // The states the row shows by colour, kept as flags so that equal scheme colours can never
    // let a refused contact through.
    bool m_receivedRefused = false;
    bool m_callsignRefused = false;
    // The line brought in by EditContact: the commit and the delete act on it, never on what
    // the list happens to show selected.
    int m_editRow = -1;

    int clockOffsetSeconds(const QDateTime& local) const;
    int m_offsetSeconds = 0;
    bool m_offsetFromStationFile = false;
    QString m_lastMinute;
    QString m_finishTime;
    QString m_finishDate;
    QDateTime m_finishFor; // the finish moment m_finishTime/m_finishDate were made from
};

} // namespace vorad
