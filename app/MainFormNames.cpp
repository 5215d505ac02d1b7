#include "MainFormNames.h"

#include <QLabel>
#include <QString>
#include <QWidget>

#include "ControlNames.h"

namespace vorad {

namespace {

// The entry row says what ENTER does in each box; the labels that show a value are named by
// what they show.
constexpr ControlName MainWindowNames[] = {
    { "BandN", "Band", "F7 steps the band down, F8 up" },
    { "ModeN", "Mode", "F6 changes the mode" },
    { "RSTTxN", "Sent report", "Enter completes the sent report and goes back to the box before" },
    { "CallsignN", "Callsign", "Enter checks the callsign and moves on to the name" },
    { "NameN", "Name", "Enter stores the name and moves on to the received report" },
    { "RSTRxN", "Received report", "Enter completes the report and logs the contact" },
    { "TimeUTC", "Time UTC" },
    { "DateN", "Date" },
    { "PointsN", "Points", "Points of the contact being entered" },
    { "LogBook", "Log book", "F2 edits the selected contact, F3 deletes it" },
    { "AllowedList", "Repeat allowed", "Stations that may be worked again on this band and mode" },
    { "WaitList", "Time wait", "Stations to wait for on this band and mode, with the time left" },
    { "SummaryBox", "QSO summary", "Contacts on each band and mode" },
    { "SummaryHeader", "QSO summary heading", nullptr, Shown::Value },
    { "MyCallsign", "Station callsign", nullptr, Shown::Value },
    { "TimeZoneLabel", "Time zone", nullptr, Shown::Value },
    { "PointsTotal", "Points total", nullptr, Shown::Value },
    { "TopIndexLabel", "Log columns", nullptr, Shown::Value },
    { "CLOCK1", "Clock", nullptr, Shown::Value },
    { "StatusPanel", "Status", nullptr, Shown::Status },
    { "TimeStatusPanel", "Time left", nullptr, Shown::Status },
    { "PartialCheck", "Partial callsign check", nullptr, Shown::Value },
};

} // namespace

void NameMainWindowControls(QWidget* window)
{
    NameControls(window, MainWindowNames);
    // Each function key is read by its caption (its own text, which a command may change) and
    // told as the key that runs it.
    for (int n = 1; n <= 10; ++n) {
        const QString key = QStringLiteral("F%1").arg(n);
        if (auto* top = window->findChild<QLabel*>(key + QLatin1String("Top")))
            top->setAccessibleName(QStringLiteral("Key %1").arg(key));
        if (auto* caption = window->findChild<QLabel*>(key + QLatin1String("Bottom"))) {
            caption->setAccessibleDescription(QStringLiteral("Function key %1").arg(key));
            if (caption->text().trimmed().isEmpty())
                caption->setAccessibleName(QStringLiteral("%1 not in use").arg(key));
        }
    }
}

} // namespace vorad
