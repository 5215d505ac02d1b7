#include "ContestSettings.h"

#include "ProfileFile.h"

namespace vorad {

namespace {

const QString USER = QStringLiteral("USER");
const QString FILES = QStringLiteral("FILES");
const QString WINDOW = QStringLiteral("WINDOW");
const QString TIME = QStringLiteral("TIME");
const QString CONTEST = QStringLiteral("CONTEST");
const QString SETTINGS = QStringLiteral("SETTINGS");
const QString COLOUR = QStringLiteral("COLOUR");
const QString DATA = QStringLiteral("DATA");

// The colour keys in their file order, with the member each one fills.
struct ColourKey
{
    const char* key;
    ColourValue ColourScheme::*member;
};
constexpr ColourKey colourKeys[] = {
    { "GoodQSO", &ColourScheme::goodQSO },
    { "BadQSO", &ColourScheme::badQSO },
    { "EntryBox", &ColourScheme::entryBox },
    { "ListBox", &ColourScheme::listBox },
    { "TitleColour", &ColourScheme::titleColour },
    { "Features", &ColourScheme::features },
    { "TextLabel", &ColourScheme::textLabel },
    { "FunctionT", &ColourScheme::functionT },
    { "FunctionL", &ColourScheme::functionL },
    { "FunctionB", &ColourScheme::functionB },
    { "ColourForm", &ColourScheme::colourForm },
};

struct PointsKey
{
    const char* key;
    int ContestSettings::*member;
};
constexpr PointsKey pointsKeys[] = {
    { "AMPoints", &ContestSettings::amPoints },
    { "FMPoints", &ContestSettings::fmPoints },
    { "SSBPoints", &ContestSettings::ssbPoints },
    { "TVPoints", &ContestSettings::tvPoints },
    { "DigiPoints", &ContestSettings::digiPoints },
    { "CWPoints", &ContestSettings::cwPoints },
};

QString key(const char* k)
{
    return QString::fromLatin1(k);
}

void readTime(const ProfileFile& f, const DateTimeForms& forms, const char* k, QTime& value,
    QStringList* errors)
{
    if (!f.contains(TIME, key(k)))
        return;
    const QString text = f.readString(TIME, key(k), {});
    const QTime t = forms.readTime(text);
    if (t.isValid())
        value = t;
    else if (errors)
        errors->append(QStringLiteral("'%1' is not a valid time").arg(text));
}

void readDate(const ProfileFile& f, const DateTimeForms& forms, const char* k, QDate& value,
    QStringList* errors)
{
    if (!f.contains(TIME, key(k)))
        return;
    const QString text = f.readString(TIME, key(k), {});
    const QDate d = forms.readDate(text);
    if (d.isValid())
        value = d;
    else if (errors)
        errors->append(QStringLiteral("'%1' is not a valid date").arg(text));
}

} // namespace

DateTimeForms DateTimeForms::forLocale(const QLocale& locale)
{
    DateTimeForms forms;
    forms.locale = locale;
    // Probes with two digits in every part, so that no short form can hide a lost digit.
    const QDate probeDate(2026, 12, 28);
    const QTime probeTime(23, 59, 58);

    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (locale.toDate(locale.toString(probeDate, date), date) != probeDate) {
        // A two-digit year reads back a century early: write the year whole.
        if (!date.contains(QLatin1String("yyyy")))
            date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        if (locale.toDate(locale.toString(probeDate, date), date) != probeDate)
            date = QStringLiteral("yyyy-MM-dd");
    }
    forms.dateFormat = date;

    // The zone name of the long form does not always read back, and a UTC time needs none.
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(QLatin1Char('t'));
    time = time.trimmed();
    if (locale.toTime(locale.toString(probeTime, time), time) != probeTime)
        time = QStringLiteral("HH:mm:ss");
    forms.timeFormat = time;
    return forms;
}

QDate DateTimeForms::readDate(const QString& text) const
{
    return locale.toDate(text.trimmed(), dateFormat);
}

QTime DateTimeForms::readTime(const QString& text) const
{
    return locale.toTime(text.trimmed(), timeFormat);
}

void ReadContestSettings(
    const ProfileFile& f, const DateTimeForms& forms, ContestSettings& s, QStringList* errors)
{
    s.logFileName = f.readString(FILES, QStringLiteral("LogFileName"), s.logFileName);
    s.backupLogFileName
        = f.readString(FILES, QStringLiteral("BackupLogFileName"), s.backupLogFileName);
    s.winLogLength = f.readInteger(WINDOW, QStringLiteral("WinLogLength"), s.winLogLength);
    s.posLeft = f.readInteger(WINDOW, QStringLiteral("PosLeft"), s.posLeft);
    s.posTop = f.readInteger(WINDOW, QStringLiteral("PosTop"), s.posTop);
    s.posWidth = f.readInteger(WINDOW, QStringLiteral("PosWidth"), s.posWidth);
    s.posHeight = f.readInteger(WINDOW, QStringLiteral("PosHeight"), s.posHeight);
    s.categoryID = f.readInteger(CONTEST, QStringLiteral("CategoryID"), s.categoryID);
    s.sectionID = f.readInteger(CONTEST, QStringLiteral("SectionID"), s.sectionID);
    readTime(f, forms, "ContestStartTime", s.contestStartTime, errors);
    readTime(f, forms, "ContestFinishTime", s.contestFinishTime, errors);
    readDate(f, forms, "ContestStartDate", s.contestStartDate, errors);
    readDate(f, forms, "ContestFinishDate", s.contestFinishDate, errors);
    s.repeatContactTimeHrs
        = f.readInteger(TIME, QStringLiteral("RepeatContactTimeHrs"), s.repeatContactTimeHrs);
    s.callsign = f.readString(CONTEST, QStringLiteral("Callsign"), s.callsign);
    s.address = f.readString(CONTEST, QStringLiteral("Address"), s.address);
    s.name = f.readString(CONTEST, QStringLiteral("Name"), s.name);
    s.autoRST = f.readBool(CONTEST, QStringLiteral("AutoRST"), s.autoRST);
    s.doublePoints16 = f.readBool(CONTEST, QStringLiteral("DoublePoints16"), s.doublePoints16);
    s.winUTCOffset = f.readString(TIME, QStringLiteral("WinUTCOffset"), s.winUTCOffset);
    s.dupeSoundFile = f.readString(SETTINGS, QStringLiteral("DupeSoundFile"), s.dupeSoundFile);
    s.errorSoundFile = f.readString(SETTINGS, QStringLiteral("ErrorSoundFile"), s.errorSoundFile);
    s.qsookSoundFile = f.readString(SETTINGS, QStringLiteral("QSOOKSoundFile"), s.qsookSoundFile);
    s.soundEnabled = f.readBool(SETTINGS, QStringLiteral("SoundEnabled"), s.soundEnabled);
    s.cwEnabled = f.readBool(SETTINGS, QStringLiteral("CWEnabled"), s.cwEnabled);
    s.dupeScreen = f.readBool(SETTINGS, QStringLiteral("DupeScreen"), s.dupeScreen);
    s.summaryScreen = f.readBool(SETTINGS, QStringLiteral("SummaryScreen"), s.summaryScreen);
    s.smoothScrolling = f.readBool(SETTINGS, QStringLiteral("SmoothScrolling"), s.smoothScrolling);
    s.logBookFullScreen
        = f.readBool(SETTINGS, QStringLiteral("LogBookFullScreen"), s.logBookFullScreen);
    s.dupeLinked = f.readBool(SETTINGS, QStringLiteral("DupeLinked"), s.dupeLinked);
    for (const ColourKey& c : colourKeys) {
        const int v = f.readInteger(COLOUR, key(c.key), static_cast<int>(s.colours.*c.member));
        s.colours.*c.member = static_cast<ColourValue>(v) & 0xFFFFFFu;
    }
    for (const PointsKey& p : pointsKeys)
        s.*p.member = f.readInteger(CONTEST, key(p.key), s.*p.member);
}

void WriteContestSettings(ProfileFile& f, const DateTimeForms& forms, const ContestSettings& s)
{
    f.writeString(USER, QStringLiteral("Last"), QStringLiteral("DOVavovivProgramRunTime"));
    f.writeString(FILES, QStringLiteral("LogFileName"), s.logFileName);
    f.writeString(FILES, QStringLiteral("BackupLogFileName"), s.backupLogFileName);
    f.writeInteger(WINDOW, QStringLiteral("WinLogLength"), s.winLogLength);
    f.writeInteger(WINDOW, QStringLiteral("PosLeft"), s.posLeft);
    f.writeInteger(WINDOW, QStringLiteral("PosTop"), s.posTop);
    f.writeInteger(WINDOW, QStringLiteral("PosWidth"), s.posWidth);
    f.writeInteger(WINDOW, QStringLiteral("PosHeight"), s.posHeight);
    f.writeString(TIME, QStringLiteral("ContestStartTime"), forms.timeText(s.contestStartTime));
    f.writeString(TIME, QStringLiteral("ContestFinishTime"), forms.timeText(s.contestFinishTime));
    f.writeString(TIME, QStringLiteral("ContestStartDate"), forms.dateText(s.contestStartDate));
    f.writeString(TIME, QStringLiteral("ContestFinishDate"), forms.dateText(s.contestFinishDate));
    f.writeInteger(TIME, QStringLiteral("RepeatContactTimeHrs"), s.repeatContactTimeHrs);
    f.writeString(CONTEST, QStringLiteral("CategoryText"), s.categoryText);
    f.writeInteger(CONTEST, QStringLiteral("CategoryID"), s.categoryID);
    f.writeString(CONTEST, QStringLiteral("SectionText"), s.sectionText);
    f.writeInteger(CONTEST, QStringLiteral("SectionID"), s.sectionID);
    f.writeBool(CONTEST, QStringLiteral("AutoRST"), s.autoRST);
    f.writeBool(CONTEST, QStringLiteral("DoublePoints16"), s.doublePoints16);
    f.writeString(CONTEST, QStringLiteral("Callsign"), s.callsign);
    f.writeString(CONTEST, QStringLiteral("Address"), s.address);
    f.writeString(CONTEST, QStringLiteral("Name"), s.name);
    f.writeString(TIME, QStringLiteral("WinUTCOffset"), s.winUTCOffset);
    f.writeString(SETTINGS, QStringLiteral("DupeSoundFile"), s.dupeSoundFile);
    f.writeString(SETTINGS, QStringLiteral("ErrorSoundFile"), s.errorSoundFile);
    f.writeString(SETTINGS, QStringLiteral("QSOOKSoundFile"), s.qsookSoundFile);
    f.writeBool(SETTINGS, QStringLiteral("SoundEnabled"), s.soundEnabled);
    f.writeBool(SETTINGS, QStringLiteral("CWEnabled"), s.cwEnabled);
    f.writeBool(SETTINGS, QStringLiteral("DupeScreen"), s.dupeScreen);
    f.writeBool(SETTINGS, QStringLiteral("SummaryScreen"), s.summaryScreen);
    f.writeBool(SETTINGS, QStringLiteral("LogBookFullScreen"), s.logBookFullScreen);
    f.writeBool(SETTINGS, QStringLiteral("DupeLinked"), s.dupeLinked);
    f.writeBool(SETTINGS, QStringLiteral("SmoothScrolling"), s.smoothScrolling);
    for (const ColourKey& c : colourKeys)
        f.writeInteger(COLOUR, key(c.key), static_cast<int>(s.colours.*c.member));
    for (const PointsKey& p : pointsKeys)
        f.writeInteger(CONTEST, key(p.key), s.*p.member);
}

void ReadEmailSettings(const ProfileFile& f, ContestSettings& s)
{
    s.kHostName = f.readString(DATA, QStringLiteral("KHostName"), s.kHostName);
    s.kFrom = f.readString(DATA, QStringLiteral("KFrom"), s.kFrom);
    s.kTo = f.readString(DATA, QStringLiteral("KTo"), s.kTo);
    s.kTop = f.readInteger(WINDOW, QStringLiteral("KTop"), s.kTop);
    s.kLeft = f.readInteger(WINDOW, QStringLiteral("KLeft"), s.kLeft);
    s.kWidth = f.readInteger(WINDOW, QStringLiteral("KWidth"), s.kWidth);
    s.kHeight = f.readInteger(WINDOW, QStringLiteral("KHeight"), s.kHeight);
}

void WriteEmailSettings(ProfileFile& f, const ContestSettings& s)
{
    f.writeString(DATA, QStringLiteral("KHostName"), s.kHostName);
    f.writeString(DATA, QStringLiteral("KFrom"), s.kFrom);
    f.writeString(DATA, QStringLiteral("KTo"), s.kTo);
    f.writeInteger(WINDOW, QStringLiteral("KTop"), s.kTop);
    f.writeInteger(WINDOW, QStringLiteral("KLeft"), s.kLeft);
    f.writeInteger(WINDOW, QStringLiteral("KWidth"), s.kWidth);
    f.writeInteger(WINDOW, QStringLiteral("KHeight"), s.kHeight);
}

} // namespace vorad
