#include "DupeDisplays.h"

#include <QAction>
#include <QLabel>
#include <QTimer>

#include "ContactEntry.h"
#include "ContestSettings.h"
#include "DrumList.h"
#include "LogBook.h"
#include "MainControls.h"
#include "MainLayout.h"
#include "QZMainForm.h"

namespace vorad {

DupeDisplays::DupeDisplays(TQZMainForm& form, MainControls& controls,
    const ContestSettings& settings, LogBook& logBook, const ContactEntry& entry)
    : m_form(form)
    , c(controls)
    , m_settings(settings)
    , m_logBook(logBook)
    , m_entry(entry)
{ }

void DupeDisplays::createControls(
    QWidget* client, const QFont& base, const QFont& courier, const QFont& terminal)
{
    // Item heights of the visible lists at the design size.
    constexpr int DupeItemHeight = 6;
    constexpr int SummaryItemHeight = 14;
    auto label = [&](const char* name, const QString& text, int left, int top) {
        return PlacedLabel(client, name, text, { left, top }, base);
    };
    c.SummaryBox = new DrumList(DrumList::Style::Plain, SummaryItemHeight, client);
    c.SummaryBox->setObjectName(QStringLiteral("SummaryBox"));
    c.SummaryBox->setFont(courier);
    c.SummaryBox->setGeometry(8, 32, 233, 70);
    c.AllowedLabel = label("AllowedLabel", QStringLiteral("Repeat Allowed:"), 416, 8);
    c.WaitLabel = label("WaitLabel", QStringLiteral("Time Wait:"), 520, 8);
    c.AllowedList = new DrumList(DrumList::Style::Dupe, DupeItemHeight, client);
    c.AllowedList->setObjectName(QStringLiteral("AllowedList"));
    c.AllowedList->setGeometry(416, 24, 100, 84);
    c.WaitList = new DrumList(DrumList::Style::Dupe, DupeItemHeight, client);
    c.WaitList->setObjectName(QStringLiteral("WaitList"));
    c.WaitList->setGeometry(516, 24, 100, 84);
    for (DrumList* l : { c.AllowedList, c.WaitList })
        l->setFont(terminal);
    c.AllowedList->setEntryColour(QColor(0, 255, 0));
    c.WaitList->setEntryColour(QColor(255, 0, 0));
    c.SummaryBox->setEntryColour(QColor(255, 255, 255));
}

void DupeDisplays::startDrums(bool turning)
{
    ScrollTimer1 = new QTimer(&m_form);
    ScrollTimer1->setObjectName(QStringLiteral("ScrollTimer1"));
    ScrollTimer1->setInterval(100);
    QObject::connect(ScrollTimer1, &QTimer::timeout, &m_form, &TQZMainForm::ScrollTimer1Timer);
    ScrollTimer2 = new QTimer(&m_form);
    ScrollTimer2->setObjectName(QStringLiteral("ScrollTimer2"));
    ScrollTimer2->setInterval(100);
    QObject::connect(ScrollTimer2, &QTimer::timeout, &m_form, &TQZMainForm::ScrollTimer2Timer);
    if (turning) {
        ScrollTimer1->start();
        ScrollTimer2->start();
    }
}

void DupeDisplays::RefreshDupeAndSummary()
{
    // A hidden dupe display is rebuilt when it is shown again.
    if (m_ticks.dupe)
        RefreshDupeDisplay();
    RefreshSummary();
}

void DupeDisplays::refreshDupeDisplay()
{
    if (!m_ticks.dupe)
        return;
    RefreshDupeDisplay();
    RefreshSummary();
}

void DupeDisplays::RefreshDupeDisplay()
{
    m_form.letEventsRun();
    if (m_ticks.dupe)
        showDupeControls(true);
    const QDateTime finish(m_settings.contestFinishDate, m_settings.contestFinishTime, Qt::UTC);
    const EntryRow& row = m_entry.row();
    DupeLists lists = BuildDupeLists(m_logBook.lines(), row.date.text, row.time.text, finish,
        m_settings.repeatContactTimeHrs, m_entry.outsideContestWindow());
    m_allowed2 = std::move(lists.allowed);
    m_wait2 = std::move(lists.wait);
    fillDupeLists();
    if (!m_ticks.dupe) {
        showDupeControls(false);
        ArrangeDisplays();
    }
}

void DupeDisplays::clearDupeLists()
{
    c.AllowedList->setEntries({});
    c.WaitList->setEntries({});
}

void DupeDisplays::fillDupeLists()
{
    c.AllowedList->setEntries(VisibleEntries(m_allowed2, c.AllowedList->rows()));
    c.WaitList->setEntries(VisibleEntries(m_wait2, c.WaitList->rows()));
}

void DupeDisplays::showDupeControls(bool on)
{
    for (QWidget* w : { static_cast<QWidget*>(c.AllowedList), static_cast<QWidget*>(c.WaitList),
             static_cast<QWidget*>(c.AllowedLabel), static_cast<QWidget*>(c.WaitLabel) })
        w->setVisible(on);
}

void DupeDisplays::RefreshSummary()
{
    qint64 total = 0;
    const auto tally = TallyBands(m_logBook.lines(), &total);
    m_logBook.setRunningTotal(total);
    m_form.showRunningTotal(total);
    m_form.setValueText(c.SummaryHeader, SummaryHeading);
    m_summary2 = SummaryRows(tally);
    c.SummaryBox->setEntries(VisibleEntries(m_summary2, c.SummaryBox->rows()));
    m_form.letEventsRun();
    if (!m_ticks.summary) {
        c.SummaryBox->hide();
        c.SummaryHeader->hide();
        ArrangeDisplays();
    }
}

void DupeDisplays::ToggleDupeDisplay()
{
    showDupeControls(!m_ticks.dupe);
    const char side = vorad::ToggleDupe(m_ticks);
    if (m_ticks.dupe && m_form.dialogClosed())
        RefreshDupeDisplay();
    updateTicks();
    placeClock(side);
    m_form.LayoutMainWindow();
    m_form.letEventsRun();
}

void DupeDisplays::ToggleSummary()
{
    const char side = vorad::ToggleSummary(m_ticks);
    c.SummaryBox->setVisible(m_ticks.summary);
    c.SummaryHeader->setVisible(m_ticks.summary);
    updateTicks();
    placeClock(side);
    m_form.LayoutMainWindow();
    m_form.letEventsRun();
}

void DupeDisplays::ToggleLogBookFullScreen()
{
    const char side = vorad::ToggleLogBookFullScreen(m_ticks);
    showDupeControls(m_ticks.dupe);
    if (m_ticks.dupe && m_form.dialogClosed())
        RefreshDupeDisplay();
    c.SummaryBox->setVisible(m_ticks.summary);
    c.SummaryHeader->setVisible(m_ticks.summary);
    updateTicks();
    placeClock(side);
    // Laid out as the two panels' own toggles would lay it out, one after the other.
    for (int pass = 0; pass < 2; ++pass) {
        m_form.LayoutMainWindow();
        m_form.letEventsRun();
    }
    m_form.LayoutMainWindow();
}

void DupeDisplays::ArrangeDisplays()
{
    const char side = vorad::ArrangeDisplays(m_ticks);
    updateTicks();
    placeClock(side);
}

void DupeDisplays::updateTicks()
{
    c.LogBookDisplay1->setChecked(m_ticks.fullScreen);
    c.DupeDisplay1->setChecked(m_ticks.dupe);
    c.ContactSummaryDisplay1->setChecked(m_ticks.summary);
}

void DupeDisplays::placeClock(char side)
{
    m_clockSide = side;
    QLabel* clock = c.CLOCK1;
    if (side == '\0') {
        clock->hide();
        return;
    }
    clock->setText(m_entry.row().time.text);
    QFont impact = clock->font();
    impact.setPointSize(48);
    clock->setFont(impact);
    PaintWidget(clock, 0xFFFF, m_settings.colours.colourForm);
    const QSize size = clock->fontMetrics().size(Qt::TextSingleLine, QStringLiteral("00:00:00"));
    clock->setGeometry(
        QRect(ClockPosition(side, size, c.SummaryBox->geometry(), c.AllowedList->geometry(),
                  c.WaitList->width(), c.AllowedLabel->geometry()),
            size));
    clock->show();
    clock->raise();
}

void DupeDisplays::clockText(const QString& time)
{
    if (c.CLOCK1->isVisible() && c.CLOCK1->text() != time)
        c.CLOCK1->setText(time);
}

void DupeDisplays::ScrollTimer1Timer()
{
    const int allowedRows = c.AllowedList->rows();
    const int waitRows = c.WaitList->rows();
    if (m_settings.smoothScrolling) {
        if (m_allowed2.size() > allowedRows - 1)
            c.AllowedList->creep();
        if (m_wait2.size() > waitRows - 1)
            c.WaitList->creep();
    }
    if (++m_dupeScroll < c.WaitList->textHeight())
        return;
    m_dupeScroll = 0;
    TurnDrum(m_allowed2, allowedRows);
    TurnDrum(m_wait2, waitRows);
    fillDupeLists();
    c.AllowedList->update();
    c.WaitList->update();
}

void DupeDisplays::ScrollTimer2Timer()
{
    const int rows = c.SummaryBox->rows();
    if (m_settings.smoothScrolling && m_summary2.size() > rows - 1)
        c.SummaryBox->creep();
    if (++m_summaryScroll < c.SummaryBox->textHeight())
        return;
    m_summaryScroll = 0;
    TurnDrum(m_summary2, rows);
    c.SummaryBox->setEntries(VisibleEntries(m_summary2, rows));
    c.SummaryBox->update();
}

} // namespace vorad
