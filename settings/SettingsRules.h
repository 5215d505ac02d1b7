#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace vorad {

struct ContestSettings;

// The UTC offset box: the standard time-zone bias B in minutes (UTC = local + B) as whole
// hours, ".5" added for a half hour east of UTC ("9.5" for -570, "-3" for 210).
QString UtcOffsetBoxText(int biasMinutes);

// What the settings dialog's boxes hold when OK is pressed.
struct SettingsBoxes
{
    QString logFileName;
    QDate startDate;
    QTime startTime;
    QDate finishDate;
    QTime finishTime;
    QString dupeTime;
    QString callsign;
    int categoryIndex = -1;
    int sectionIndex = -1;
    QString categoryText;
    QString sectionText;
    QString name;
    QString address;
    QString amPoints, ssbPoints, fmPoints, tvPoints, digiPoints, cwPoints;
    bool doublePoints = true;
    bool smoothScroll = true;
    QString mirrorFolder;
};

// The message for the first box, in the order OK takes them over, that does not hold a
// number; empty when every box is good. Nothing may be taken over before this is empty.
QString CheckSettingsBoxes(const SettingsBoxes& boxes);

// Takes the boxes over into the settings (dates, times, repeat time, callsign, category and
// section, name and address, points, the two switches, the mirror folder made absolute). The log
// file is the caller's: it is loaded, not merely named. Call only after CheckSettingsBoxes found
// every box good.
void TakeOverSettings(const SettingsBoxes& boxes, ContestSettings& settings);

// The four choices of the settings dialog's category and section lists.
extern const char* const CategoryItems[4];
extern const char* const SectionItems[4];

// What the settings dialog's boxes hold that the shut-down saves and the prints read: filled
// from the settings, they hold these until the dialog is first shown.
struct SettingsSnapshot
{
    QString category;
    QString section;
    QString callsign;
    bool autoRST = false;
    bool doublePoints = false;
};
// A saved choice shows as its item; one typed over the list (no item) as it was typed.
SettingsSnapshot SettingsSnapshotOf(const ContestSettings& settings, const QString& callsign);

} // namespace vorad
