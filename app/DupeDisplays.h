#pragma once

#include <QStringList>

#include "DupeSummary.h"

class QFont;
class QTimer;
class QWidget;

namespace vorad {

class ContactEntry;
class LogBook;
class TQZMainForm;
struct ContestSettings;
struct MainControls;

// The dupe display, the QSO summary and the big clock: their lists, drums, ticks and timers.
class DupeDisplays
{
public:
    DupeDisplays(TQZMainForm& form, MainControls& controls, const ContestSettings& settings,
        LogBook& logBook, const ContactEntry& entry);

    DisplayTicks& ticks() { return m_ticks; }
    const DisplayTicks& ticks() const { return m_ticks; }
    char clockSide() const { return m_clockSide; }
    // The two dupe lists with their captions, and the summary, in `client`.
    void createControls(
        QWidget* client, const QFont& base, const QFont& courier, const QFont& terminal);
    // The drums turn by themselves unless the tests turn them by hand.
    void startDrums(bool turning);

    void RefreshDupeAndSummary();
    // Only while the dupe display is shown.
    void refreshDupeDisplay();
    void RefreshDupeDisplay();
    void RefreshSummary();
    void ToggleDupeDisplay();
    void ToggleSummary();
    void ToggleLogBookFullScreen();
    void ArrangeDisplays();
    void updateTicks();
    // The lists of a log that is going away.
    void clearDupeLists();
    void clockText(const QString& time);
    void ScrollTimer1Timer();
    void ScrollTimer2Timer();

private:
    void fillDupeLists();
    void showDupeControls(bool on);
    void placeClock(char side);

    TQZMainForm& m_form;
    MainControls& c;
    const ContestSettings& m_settings;
    LogBook& m_logBook;
    const ContactEntry& m_entry;
    DisplayTicks m_ticks;
    char m_clockSide = '\0';
    QStringList m_allowed2, m_wait2, m_summary2; // the whole lists behind the visible ones
    int m_dupeScroll = 0;
    int m_summaryScroll = 0;
    QTimer* ScrollTimer1 = nullptr;
    QTimer* ScrollTimer2 = nullptr;
};

} // namespace vorad
