#include "ContactEntry.h"

#include "BandMode.h"
#include "CallHistory.h"
#include "Clock.h"
#include "ContestSettings.h"
#include "LogBook.h"
#include "LogLine.h"

namespace vorad {

ContactEntry::ContactEntry(
    ContestSettings& settings, LogBook& logBook, LogBookUi& logUi, const Clock& clock, EntryUi& ui)
    : m_settings(settings)
    , m_logBook(logBook)
    , m_logUi(logUi)
    , m_clock(clock)
    , m_ui(ui)
{
    normalColours();
}

void ContactEntry::reset()
{
    m_repeatShown = false;
    m_editPending = false;
    m_record.reset();
}

void ContactEntry::setUtcOffset(int offsetSeconds, bool fromStationFile)
{
    m_offsetSeconds = offsetSeconds;
    m_offsetFromStationFile = fromStationFile;
}

int ContactEntry::clockOffsetSeconds(const QDateTime& local) const
{
    // The station file gives whole hours; the minutes part stays the system's.
    return m_offsetFromStationFile ? m_offsetSeconds + local.offsetFromUtc() % 3600
                                   : local.offsetFromUtc();
}

int ContactEntry::clockOffsetSeconds() const
{
    return clockOffsetSeconds(m_clock.localNow());
}

QDateTime ContactEntry::utcNow() const
{
    const QDateTime local = m_clock.localNow();
    return QDateTime(local.date(), local.time(), Qt::UTC).addSecs(-clockOffsetSeconds(local));
}

void ContactEntry::setStatus(const QString& text, ColourRole textColour, ColourRole background)
{
    m_row.status = { text, textColour, background };
}

void ContactEntry::inverseSentReport()
{
    m_row.rstTx.textColour = ColourRole::ListBox;
    m_row.rstTx.background = ColourRole::EntryBox;
}

void ContactEntry::normalColours()
{
    for (BoxView* b : { &m_row.band, &m_row.mode, &m_row.callsign, &m_row.name, &m_row.rstRx,
             &m_row.time, &m_row.date, &m_row.points }) {
        b->textColour = ColourRole::EntryBox;
        b->background = ColourRole::ListBox;
    }
    inverseSentReport();
    m_row.timeStatus.textColour = ColourRole::Features;
    m_receivedRefused = false;
    m_callsignRefused = false;
}

void ContactEntry::updateClockBoxes()
{
    const QString text = FormatClock(utcNow());
    m_row.time.text = text.left(8);
    m_row.date.text = text.mid(9, 10);
}

void ContactEntry::resumeClock()
{
    // The boxes show the current time again at once, so that the next step never takes the
    // time of the contact that was on show.
    m_repeatShown = false;
    if (!m_editPending)
        updateClockBoxes();
}

void ContactEntry::CallsignNEnter()
{
    ContactRecord::set(m_record.callsign, m_row.callsign.text, ContactRecord::CallsignMax);
}

void ContactEntry::NormaliseCallsign()
{
    if (m_record.lastCallsign.isEmpty())
        m_record.lastCallsign = QStringLiteral("VK6AAA");
    QString call;
    // A logged contact may still be corrected once the contest is over; a new one may not.
    const bool refused = m_outside && !m_editPending;
    if (refused) {
        ClearEntry();
    } else if (!m_row.callsign.text.isEmpty()) {
        const NormalisedCallsign n
            = NormaliseCallsignText(m_row.callsign.text, m_record.lastCallsign);
        if (n.completion == NormalisedCallsign::VkPrefix)
            setStatus(QStringLiteral("  VK prefix has been automatically added to callsign..."),
                ColourRole::TitleColour, ColourRole::ColourForm);
        else if (n.completion == NormalisedCallsign::PreviousPrefix)
            setStatus(
                QStringLiteral("  Previous prefix has been automatically added to callsign..."),
                ColourRole::TitleColour, ColourRole::ColourForm);
        call = n.callsign;
        if (!call.isEmpty()) {
            // An edit that keeps its callsign keeps its own contact's name, not the newest.
            const QString ownName = m_editPending && StripSpaces(m_record.callsign) == call
                ? m_row.name.text
                : QString();
            m_row.callsign.text = call;
            m_record.lastCallsign = call;
            m_record.callsign = call;
            // Stamped with the clock as it is now, not as the last tick left it.
            if (!m_repeatShown && !m_editPending)
                updateClockBoxes();
            ContactRecord::set(m_record.date, m_row.date.text, ContactRecord::DateMax);
            ContactRecord::set(m_record.time, m_row.time.text, ContactRecord::TimeMax);
            ContactRecord::set(m_record.mode, m_row.mode.text, ContactRecord::ModeMax);
            ContactRecord::set(m_record.band, m_row.band.text, ContactRecord::BandMax);
            ContactRecord::set(m_record.rstSent, m_row.rstTx.text, ContactRecord::RstMax);
            // A report refused with the last station must not pass for this one's: the commit
            // would take the same text for a second Enter and drop the contact.
            if (!m_repeatShown)
                m_record.rstReceived.clear();
            m_record.name.clear();
            m_row.name.text.clear();
            const bool repeatShownBefore = m_repeatShown;
            if (ScoreContact() && !refused) {
                m_ui.setEntryFocus(EntryFocus::Name);
                // A repeat shown just now keeps the logged contact's name, even an empty one.
                const bool repeatNow = m_repeatShown && !repeatShownBefore;
                if (!ownName.isEmpty() && m_row.name.text.isEmpty())
                    m_row.name.text = ownName;
                else if (!repeatNow && !m_callsignRefused && m_row.name.text.isEmpty())
                    fillKnownName();
            }
            if (m_callsignRefused)
                m_ui.setEntryFocus(EntryFocus::RstRx);
            call = m_row.callsign.text;
        }
    }
    m_row.callsign.text = call;
    if (call.isEmpty()) {
        m_row.status.text = QStringLiteral("  Please type in a callsign for the log first.....");
        m_ui.setEntryFocus(EntryFocus::Callsign);
    }
}

void ContactEntry::fillKnownName()
{
    QString name = LastLoggedName(m_logBook.lines(), m_logBook.stations(), m_record.callsign);
    if (name.isEmpty() && m_history)
        name = m_history->name(m_record.callsign);
    m_row.name.text = FilterEntryText(name, EntryKind::Name).left(NameBoxLength);
}

void ContactEntry::NameStep()
{
    QString& name = m_row.name.text;
    if (!name.isEmpty()) {
        name[0] = name.at(0).toUpper().unicode() <= 0xFF ? name.at(0).toUpper() : name.at(0);
        ContactRecord::set(m_record.name, name, ContactRecord::NameMax);
    }
    if (!m_editPending) {
        m_row.rstTx.text = RenewSentReport(m_row.rstTx.text, m_logBook.serialCounter());
        FormatSentReport();
        ContactRecord::set(m_record.rstSent, m_row.rstTx.text, ContactRecord::RstMax);
        inverseSentReport();
        resumeClock();
    }
    m_ui.setEntryFocus(EntryFocus::RstRx);
}

void ContactEntry::CommitEntry()
{
    bool committed = false;
    QString refusal;
    if (!m_editPending) {
        // Stamped and judged at this moment: while a repeat was on show the clock, and so the
        // ticks' judgement of the contest window, stood still.
        resumeClock();
        judgeContestWindow();
    }
    // A report that does not read keeps the contact in the row: a typo must not cost it.
    QString unread;
    // Nor does an ENTER too many after the name, before the report is typed.
    const bool noReport = !m_editPending && !m_outside && m_row.rstRx.text.isEmpty()
        && !m_row.callsign.text.isEmpty() && !m_repeatShown && !m_callsignRefused;
    // A contact still in the row when the contest window closes is not logged.
    if (!m_editPending && !m_outside && !m_row.rstRx.text.isEmpty()
        && m_row.rstRx.text != m_record.rstReceived) {
        const QString typed = m_row.rstRx.text;
        FormatReceivedReport();
        if (m_row.rstRx.text.isEmpty() && !m_receivedRefused) {
            m_row.rstRx.text = typed;
            unread = typed;
        } else {
            ContactRecord::set(m_record.rstReceived, m_row.rstRx.text, ContactRecord::RstMax);
        }
        if (unread.isEmpty() && !m_row.rstRx.text.isEmpty()) {
            updateClockBoxes();
            fillRecordFromRow();
            if (StripSpaces(m_record.band).isEmpty() || StripSpaces(m_record.mode).isEmpty()) {
                // A contact without them could never be scored, checked or sent in.
                refusal
                    = QStringLiteral("  No band or mode selected - the contact is not logged...");
                m_ui.errorCue();
            } else if (!m_receivedRefused && ScoreContact()) {
                m_logBook.AppendContact(m_record, m_settings, m_logUi);
                m_logBook.setSerialCounter(m_logBook.serialCounter() + 1);
                m_record.rstReceived.clear();
                committed = true;
            }
        }
    }
    if (m_editPending) {
        const QString typed = m_row.rstRx.text;
        FormatReceivedReport();
        if (m_row.rstRx.text.isEmpty() && !typed.isEmpty()) {
            m_row.rstRx.text = typed;
            unread = typed;
        }
    }
    if (m_editPending && unread.isEmpty()) {
        ContactRecord::set(m_record.callsign, m_row.callsign.text, ContactRecord::CallsignMax);
        ContactRecord::set(m_record.rstReceived, m_row.rstRx.text, ContactRecord::RstMax);
        fillRecordFromRow();
        ContactRecord::set(m_record.name, m_row.name.text, ContactRecord::NameMax);
        // The line brought into the row, whatever the list shows selected now.
        m_logBook.ReplaceContact(m_record, m_editRow, m_settings, m_logUi);
        m_editPending = false;
        m_row.rstRx.text.clear();
        committed = true;
    }
    if (!unread.isEmpty() || noReport) {
        m_ui.errorCue();
        refusal = noReport
            ? QStringLiteral("  Please type in the received report for the log first.....")
            : UnreadReportText(unread);
        m_ui.setEntryFocus(EntryFocus::RstRx);
    } else if (!m_editPending) {
        ClearEntry();
    }
    if (!refusal.isEmpty())
        m_row.status.text = refusal;
    // Only the commit's rebuild waits for the options dialogs: the minute's does not.
    if (m_ui.dialogClosed())
        m_ui.refreshDupeAndSummary();
    m_ui.focusMainWindow();
    // The operator watching the radio hears that the contact is in the log.
    if (committed && m_settings.soundEnabled) {
        if (m_settings.cwEnabled)
            m_ui.sendMorse(m_settings.callsign.mid(3, 3), 20);
        else
            m_ui.playSoundCue(m_settings.qsookSoundFile);
    }
}

void ContactEntry::fillRecordFromRow()
{
    ContactRecord::set(m_record.date, m_row.date.text, ContactRecord::DateMax);
    ContactRecord::set(m_record.time, m_row.time.text, ContactRecord::TimeMax);
    ContactRecord::set(m_record.mode, m_row.mode.text, ContactRecord::ModeMax);
    ContactRecord::set(m_record.band, m_row.band.text, ContactRecord::BandMax);
    ContactRecord::set(m_record.points, m_row.points.text, ContactRecord::PointsMax);
    ContactRecord::set(m_record.rstSent, m_row.rstTx.text, ContactRecord::RstMax);
}

void ContactEntry::ClearEntry()
{
    m_editPending = false;
    m_editRow = -1;
    m_row.callsign.text.clear();
    m_row.name.text.clear();
    m_row.rstRx.text.clear();
    resumeClock();
    m_row.rstTx.text = QStringLiteral("    ") + QString::number(m_logBook.serialCounter());
    FormatSentReport();
    m_ui.clearLogSelection();
    normalColours();
    m_repeatAllowedShown = false;
    m_row.status.textColour = ColourRole::TitleColour;
    m_row.status.background = ColourRole::ColourForm;
    m_marker100km = false;
    m_row.f5Text = ColourRole::FunctionL;
    m_row.f5Background = ColourRole::FunctionB;
    RefreshPoints();
    if (m_outside) {
        m_row.status.text = QStringLiteral("  Check the contest start and finish times...");
        m_ui.errorCue();
        m_ui.showMessage(OutsideWindowMessage());
    } else if (!m_logBook.fileInStep()) {
        // Never "ready" as after a good write while contacts are only in memory.
        m_row.status.text = QStringLiteral("  LogBook NOT on disk - contacts kept in memory...");
    } else {
        m_row.status.text = QStringLiteral("  Ready for new log entry...");
    }
    m_ui.refreshDupeDisplay();
    m_ui.setEntryFocus(EntryFocus::Callsign);
    m_ui.letEventsRun();
}

void ContactEntry::FormatSentReport()
{
    const FormattedReport r = FormatReport(m_row.rstTx.text, ReportBox::Sent, m_row.mode.text,
        m_settings.autoRST, false, m_logBook.serialCounter());
    if (r.sentTooLong) {
        m_ui.errorCue();
        m_ui.showMessage(
            QStringLiteral("   Error in RST Sent - more than 6 characters!  \r    RST Sent "
                           "has been truncated - please edit   \r        this entry "
                           "again if incorrect.          "));
    }
    m_row.rstTx.text = r.text;
}

void ContactEntry::FormatReceivedReport()
{
    m_row.rstRx.text = FormatReport(m_row.rstRx.text, ReportBox::Received, m_row.mode.text,
        m_settings.autoRST, m_row.rstTx.text.isEmpty())
                           .text;
}

bool ContactEntry::ScoreContact()
{
    ContactRecord& r = m_record;
    ContactRecord::set(r.band, StripSpaces(r.band), ContactRecord::BandMax);
    ContactRecord::set(r.mode, StripSpaces(r.mode), ContactRecord::ModeMax);
    ContactRecord::set(r.callsign, StripSpaces(r.callsign), ContactRecord::CallsignMax);
    if (m_repeatShown || m_editPending)
        return true;

    int points = 0;
    bool known = ModePoints(m_settings, r.mode, &points);
    if (!known)
        known = PointsValue(r.points, &points);
    if (known) {
        if (m_settings.doublePoints16 && InEarlyMorning(m_clock.localNow().time()))
            points *= 2;
        if (IsAlwaysDoubledBand(r.band))
            points *= 2;
        if (m_marker100km)
            points *= 2;
    }
    auto showPoints = [&] {
        if (known) {
            ContactRecord::set(r.points, QString::number(points), ContactRecord::PointsMax);
            m_row.points.text = r.points;
        }
    };
    showPoints();

    const QString own
        = r.callsign.contains(QLatin1Char('/')) ? QString() : m_settings.callsign.left(3);
    if (r.callsign.left(3) == own) {
        if (IsSameAreaHfBand(r.band)) {
            points = 0;
            known = true;
            showPoints();
        }
        m_ui.letEventsRun();
        if (known && points == 0) {
            m_ui.errorCue();
            m_row.status.text = QStringLiteral(
                " You will get NO points for this contact as it is in the same call area.");
            for (BoxView* b : { &m_row.band, &m_row.mode, &m_row.callsign, &m_row.rstTx })
                b->textColour = ColourRole::BadQSO;
            m_row.rstTx.background = ColourRole::ListBox;
            m_callsignRefused = true;
            m_ui.setEntryFocus(EntryFocus::Name);
        }
    }

    // Only the newest contact with the station on this band and mode counts.
    const int match = m_logBook.stations().newest(r.callsign, r.band, r.mode);
    if (match >= 0) {
        if (m_outside) {
            ClearEntry();
            return true;
        }
        const QString& line = m_logBook.lines().at(match);
        const Elapsed e = ElapsedSeconds(LogLineColumns(line, 60, 10), LogLineColumns(line, 51, 5),
            m_row.date.text, m_row.time.text);
        if (!e.valid) {
            // An older match says nothing of the newest: the damaged line is shown instead.
            showDamagedMatch(line);
            return false;
        }
        if (e.yearMismatch)
            setStatus(QStringLiteral("  Year does not match. You can not add contacts to a "
                                     "different year logbook..."),
                ColourRole::TitleColour, ColourRole::ColourForm);
        if (e.seconds < qint64(m_settings.repeatContactTimeHrs) * 3600) {
            showRefusedRepeat(line, e.seconds);
            return false;
        }
        showAllowedRepeat(line, e.seconds);
        return true;
    }
    return true;
}

void ContactEntry::showLoggedContact(const LogFields& f, ColourRole colour)
{
    m_row.band.text = f.band;
    m_row.mode.text = f.mode;
    m_row.callsign.text = f.callsign;
    m_row.name.text = f.name;
    m_row.rstRx.text = f.rstReceived;
    m_row.time.text = f.time;
    m_row.date.text = f.date;
    m_row.points.text = f.points;
    for (BoxView* b : { &m_row.band, &m_row.mode, &m_row.rstTx, &m_row.callsign, &m_row.name,
             &m_row.rstRx, &m_row.time, &m_row.date, &m_row.points })
        b->textColour = colour;
    m_row.rstTx.background = ColourRole::ListBox;
    m_row.timeStatus.textColour = colour;
}

void ContactEntry::showRefusedRepeat(const QString& line, qint64 elapsed)
{
    if (m_settings.soundEnabled)
        m_ui.dupeCue();
    showRefusal(line, RepeatRefusedText(elapsed, m_settings.repeatContactTimeHrs),
        QStringLiteral(
            "  Station already worked previously and repeat contact not allowed yet..."));
}

void ContactEntry::showDamagedMatch(const QString& line)
{
    m_ui.errorCue();
    showRefusal(line, QStringLiteral(" Last worked: time or date unreadable "),
        QStringLiteral("  The last contact with this station has a damaged time or date - "
                       "please edit it..."));
}

void ContactEntry::showRefusal(
    const QString& line, const QString& timeStatus, const QString& status)
{
    const LogFields f = ParseLogLine(line);
    showLoggedContact(f, ColourRole::BadQSO);
    m_row.rstTx.text = RightJustified7(f.rstSent);
    m_receivedRefused = true;
    m_callsignRefused = true;
    m_repeatShown = true;
    m_row.timeStatus.text = timeStatus;
    setStatus(status, ColourRole::ColourForm, ColourRole::TitleColour);
    m_repeatAllowedShown = false;
    m_ui.setEntryFocus(EntryFocus::RstRx);
}

void ContactEntry::showAllowedRepeat(const QString& line, qint64 elapsed)
{
    const LogFields f = ParseLogLine(line);
    showLoggedContact(f, ColourRole::GoodQSO);
    if (!m_repeatAllowedShown) {
        // The logged reports, so that the commit needs a received report of its own.
        m_row.rstTx.text = RightJustified7(f.rstSent);
        ContactRecord::set(m_record.rstReceived, f.rstReceived, ContactRecord::RstMax);
    } else {
        FormatSentReport();
    }
    ContactRecord::set(m_record.rstSent, m_row.rstTx.text, ContactRecord::RstMax);
    m_row.timeStatus.text = RepeatAllowedText(elapsed);
    m_repeatAllowedShown = true;
    m_ui.setEntryFocus(EntryFocus::RstRx);
    setStatus(QStringLiteral("  This station has been worked already. Repeat contact allowed..."),
        ColourRole::TitleColour, ColourRole::ColourForm);
    m_repeatShown = true;
}

void ContactEntry::EditContact()
{
    const QStringList& lines = m_logBook.lines();
    if (lines.isEmpty()) {
        m_ui.errorCue();
        m_ui.showMessage(QStringLiteral(" There is nothing in the logbook to EDIT! "));
        return;
    }
    const int selected = m_ui.selectedLogRow();
    if (selected < 0 || selected >= lines.size()) {
        m_ui.errorCue();
        m_ui.showMessage(QStringLiteral(" You have not selected a logbook entry to EDIT! \r"
                                        "      Please double click on a log entry  OR    \r"
                                        "           select a log entry and hit F2.       "));
        return;
    }
    const LogFields f = ParseLogLine(lines.at(selected));
    normalColours();
    showLoggedContact(f, ColourRole::EntryBox);
    m_row.rstTx.text = RightJustified7(f.rstSent);
    // The colours of a logged contact, not the inverse ones of a new entry.
    m_row.rstTx.textColour = ColourRole::EntryBox;
    m_row.rstTx.background = ColourRole::ListBox;
    m_row.timeStatus.textColour = ColourRole::Features;
    if (m_ui.dialogClosed())
        m_ui.setEntryFocus(EntryFocus::Name);
    m_editRow = selected;
    ContactRecord::set(m_record.callsign, f.callsign, ContactRecord::CallsignMax);
    m_repeatShown = true;
    m_editPending = true;
}

void ContactEntry::DeleteContact()
{
    if (!m_editPending) {
        m_ui.errorCue();
        m_ui.showMessage(QStringLiteral(" You have not selected a logbook entry to DELETE! \r"
                                        "  Please EDIT a contact first - then delete it.   "));
        return;
    }
    const int selected = m_editRow;
    if (selected >= 0 && selected < m_logBook.lines().size()) {
        // Only the newest serial given is given again. An allowed repeat logged straight from
        // its report keeps the serial it was first sent with, so the last line's serial is not
        // always the newest: counting on from it would send earlier serials again.
        const int serial = selected == m_logBook.lines().size() - 1
            ? vorad::NextSerialNumber({ m_logBook.lines().at(selected) }) - 1
            : 0;
        m_logBook.RemoveContact(selected);
        m_ui.scrollLogTo(static_cast<int>(m_logBook.lines().size()) - m_settings.winLogLength - 1);
        // A log that was not read holds serials this run has not seen: none is given again.
        if (m_logBook.loaded() && serial > 0 && serial == m_logBook.serialCounter() - 1)
            m_logBook.setSerialCounter(serial);
        m_logBook.WriteLogBook(m_settings, m_logUi);
        // The total shows what the file now holds, not what it held before the delete.
        m_logUi.showRunningTotal(m_logBook.RecountTotal());
    }
    ClearEntry();
    m_ui.refreshDupeAndSummary();
}

namespace {

const QString OutOfTimeClick = QStringLiteral(" You can not work stations when out of time....");

} // namespace

bool ContactEntry::refuseClickOutsideTime()
{
    // An edit is never refused: the guard would empty the callsign that the commit writes back.
    if (!m_outside || m_editPending)
        return false;
    m_row.callsign.text.clear();
    m_ui.setEntryFocus(EntryFocus::Callsign);
    m_ui.errorCue();
    m_row.status.text = OutOfTimeClick;
    return true;
}

void ContactEntry::NameNMouseDown()
{
    if (refuseClickOutsideTime())
        return;
    if (m_row.callsign.text.isEmpty()) {
        m_ui.setEntryFocus(EntryFocus::Callsign);
        m_ui.errorCue();
        m_row.status.text = QStringLiteral(" Please use the ENTER key to move between boxes....");
        return;
    }
    // A new contact shows its sent report in inverse colours; an edited one does not.
    const bool newContact = m_row.rstTx.background == ColourRole::EntryBox;
    // A callsign corrected in an edit is checked before the name, as its ENTER would.
    const bool unchecked = m_editPending && m_row.callsign.text != m_record.callsign;
    if (m_row.name.text.isEmpty() || newContact || unchecked)
        NormaliseCallsign();
    else if (m_row.rstRx.text.isEmpty())
        NameStep();
}

void ContactEntry::RSTRxNMouseDown()
{
    if (refuseClickOutsideTime())
        return;
    if (m_row.callsign.text.isEmpty()) {
        m_ui.setEntryFocus(EntryFocus::Callsign);
        return;
    }
    if (m_row.rstTx.background == ColourRole::EntryBox)
        NameStep();
}

void ContactEntry::CallsignNMouseDown()
{
    if (refuseClickOutsideTime())
        return;
    if (!m_editPending && (m_repeatShown || m_repeatAllowedShown || m_callsignRefused)) {
        // What the row shows (an earlier contact, its serial, a refusal) belongs to the call
        // on show: another call starts a contact of its own, checked afresh.
        const QString call = m_row.callsign.text;
        ClearEntry();
        m_row.callsign.text = call;
    }
    CallsignNEnter();
    m_ui.setEntryFocus(EntryFocus::Callsign);
}

LinePick LinePickFor(bool doubleClick, bool onLine, bool editPending)
{
    LinePick pick;
    if (doubleClick) {
        // Off the lines it picks none: the edit, corrections and all, stays as it is.
        pick.refuse = !onLine && editPending;
        pick.select = onLine;
        pick.edit = !pick.refuse;
    } else {
        pick.refuseUnlessDouble = editPending;
        pick.select = onLine && !editPending;
    }
    return pick;
}

void ContactEntry::SettingsTakenOver()
{
    FormatSentReport();
    // Without the doubling the preview adds.
    int points = 0;
    if (ModePoints(m_settings, StripSpaces(m_row.mode.text), &points))
        m_row.points.text = QString::number(points);
}

bool ContactEntry::RefuseLinePick()
{
    if (!m_editPending)
        return false;
    m_ui.errorCue();
    m_row.status.text = QStringLiteral(
        "  Finish the edit (Enter) or clear it (F1) before picking another line...");
    return true;
}

void ContactEntry::BandUp()
{
    m_row.band.text = vorad::BandUp(m_row.band.text);
    RefreshPoints();
}

void ContactEntry::BandDown()
{
    m_row.band.text = vorad::BandDown(m_row.band.text);
    RefreshPoints();
}

void ContactEntry::SelectBand(const QString& band)
{
    m_row.band.text = band;
    RefreshPoints();
}

void ContactEntry::SelectMode(const QString& mode)
{
    m_row.mode.text = mode;
    RefreshPoints();
    FormatSentReport();
}

void ContactEntry::NextMode()
{
    m_row.mode.text = vorad::NextMode(m_row.mode.text);
    RefreshPoints();
}

void ContactEntry::ChangeModeCommand()
{
    NextMode();
    FormatSentReport();
}

void ContactEntry::RefreshPoints()
{
    m_row.points.text = vorad::RefreshPoints(m_settings, m_row.band.text, m_row.mode.text,
        m_row.points.text, m_marker100km, m_clock.localNow().time());
}

void ContactEntry::Toggle100km()
{
    m_marker100km = !m_marker100km;
    m_row.f5Background = m_marker100km ? ColourRole::FunctionL : ColourRole::FunctionB;
    m_row.f5Text = m_marker100km ? ColourRole::FunctionB : ColourRole::FunctionL;
    m_row.points.background = m_marker100km ? ColourRole::EntryBox : ColourRole::ListBox;
    m_row.points.textColour = m_marker100km ? ColourRole::ListBox : ColourRole::EntryBox;
    RefreshPoints();
}

void ContactEntry::SecondTickTimerTimer()
{
    // The displays are rebuilt before the dialog opens: the rebuild lets window events run,
    // which would hand the keyboard to a dialog just shown.
    const bool openSettings = m_settingsOpenPending;
    m_settingsOpenPending = false;
    if (!m_repeatShown && !m_editPending) {
        updateClockBoxes();
        m_ui.clockText(m_row.time.text);

        const QStringView minute = QStringView(m_row.time.text).mid(3, 2);
        if (minute != m_lastMinute) {
            m_lastMinute = minute.toString();
            m_ui.refreshDupeAndSummary();
        }
        judgeContestWindow();
    }
    if (openSettings)
        m_ui.openSettingsDialog();
}

void ContactEntry::judgeContestWindow()
{
    const QDateTime finish(m_settings.contestFinishDate, m_settings.contestFinishTime, Qt::UTC);
    if (finish != m_finishFor) {
        m_finishFor = finish;
        const QString text = FormatClock(finish);
        m_finishTime = text.left(8);
        m_finishDate = text.mid(9, 10);
    }
    if (QStringView(m_row.date.text).right(4) == QStringView(m_finishDate).right(4)) {
        const qint64 left
            = ElapsedSeconds(m_row.date.text, m_row.time.text, m_finishDate, m_finishTime).seconds;
        if (left >= 86402 || left < 0) {
            m_outside = true;
            m_row.timeStatus = { QStringLiteral(" CONTEST TIME IS OVER!  "), ColourRole::ColourForm,
                ColourRole::TitleColour };
        } else {
            m_outside = false;
            m_row.timeStatus
                = { ContestTimeLeftText(left), ColourRole::EntryBox, ColourRole::ColourForm };
            m_row.status.textColour = ColourRole::TitleColour;
            m_row.status.background = ColourRole::ColourForm;
        }
    } else {
        m_row.status.textColour = ColourRole::TitleColour;
        m_row.status.background = ColourRole::ColourForm;
        m_row.timeStatus.text = QStringLiteral(" Contest time left: DIFFERENT LOG YEAR");
    }
}

} // namespace vorad
