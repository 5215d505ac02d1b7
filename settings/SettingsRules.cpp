#include "SettingsRules.h"

#include <QDir>
#include <QFileInfo>

#include "ContestSettings.h"

namespace vorad {

namespace {

bool digitsOnly(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

int number(const QString& text)
{
    return text.toInt(); // the boxes hold at most two digits, checked before
}

} // namespace

QString UtcOffsetBoxText(int biasMinutes)
{
    // C++ division truncates toward zero and the remainder takes the sign of the dividend.
    QString text = QString::number(-(biasMinutes / 60));
    if (-(biasMinutes % 60) == 30)
        text += QLatin1String(".5");
    return text;
}

QString CheckSettingsBoxes(const SettingsBoxes& boxes)
{
    if (boxes.logFileName.trimmed().isEmpty())
        return QStringLiteral(" Please give the name of the log file. ");
    for (const QString* box : { &boxes.dupeTime, &boxes.amPoints, &boxes.ssbPoints, &boxes.fmPoints,
             &boxes.tvPoints, &boxes.digiPoints, &boxes.cwPoints }) {
        if (!digitsOnly(*box))
            return QStringLiteral("'%1' is not a valid integer value").arg(*box);
    }
    return {};
}

void TakeOverSettings(const SettingsBoxes& boxes, ContestSettings& s)
{
    s.contestStartTime = boxes.startTime;
    s.contestStartDate = boxes.startDate;
    s.contestFinishTime = boxes.finishTime;
    s.contestFinishDate = boxes.finishDate;
    s.repeatContactTimeHrs = number(boxes.dupeTime);
    s.callsign = boxes.callsign;
    s.categoryID = boxes.categoryIndex;
    s.sectionID = boxes.sectionIndex;
    s.categoryText = boxes.categoryText;
    s.sectionText = boxes.sectionText;
    s.name = boxes.name;
    s.address = boxes.address;
    s.amPoints = number(boxes.amPoints);
    s.ssbPoints = number(boxes.ssbPoints);
    s.fmPoints = number(boxes.fmPoints);
    s.tvPoints = number(boxes.tvPoints);
    s.digiPoints = number(boxes.digiPoints);
    s.cwPoints = number(boxes.cwPoints);
    s.doublePoints16 = boxes.doublePoints;
    s.smoothScrolling = boxes.smoothScroll;
    const QString mirror = boxes.mirrorFolder.trimmed();
    s.mirrorFolder = mirror.isEmpty()
        ? QString()
        : QDir::toNativeSeparators(QFileInfo(mirror).absoluteFilePath());
}

const char* const CategoryItems[4] = {
    " HF operation on bands below 50MHz Single Operator section",
    " HF operation on bands below 50MHz Multi-operator section",
    " VHF operation on and above 50MHz Single Operator section",
    " VHF operation on and above 50MHz Multi-operator",
};

const char* const SectionItems[4] = {
    "(a) Transmitting Phone (FM,SSB)",
    "(b) Transmitting CW (CW only)",
    "(c) Transmitting Open (Phone and CW)",
    "(d) Receiving (Phone, CW, Open)",
};

SettingsSnapshot SettingsSnapshotOf(const ContestSettings& settings, const QString& callsign)
{
    auto shown = [](const char* const* items, int id, const QString& text) {
        return id >= 0 && id < 4 ? QString::fromLatin1(items[id]) : text;
    };
    SettingsSnapshot b;
    b.category = shown(CategoryItems, settings.categoryID, settings.categoryText);
    b.section = shown(SectionItems, settings.sectionID, settings.sectionText);
    b.callsign = callsign;
    b.autoRST = settings.autoRST;
    b.doublePoints = settings.doublePoints16;
    return b;
}

} // namespace vorad
