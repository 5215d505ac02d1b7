#include "ContestSettings.h"

#include "ProfileFile.h"
#include "RigRules.h"

#include <QFile>

#include <algorithm>

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
const QString RIG = QStringLiteral("RIG");

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
// A contact's points are doubled up to three times; one digit each keeps that to two digits.
constexpr int MaxPoints = 9;
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

// A number held to [lo, hi] before anything counts with it; a value beyond adds its message.
// A value that is no number keeps `value`, hexadecimal included as readInteger takes it.
void readRanged(const ProfileFile& f, const QString& section, const QString& k, int& value, int lo,
    int hi, QStringList* errors)
{
    if (!f.contains(section, k))
        return;
    const QString text = f.readString(section, k, {});
    const qint64 n = WideInteger(text).value_or(f.readInteger(section, k, value));
    value = static_cast<int>(std::clamp<qint64>(n, lo, hi));
    if (value != n && errors)
        errors->append(QStringLiteral("'%1' is out of range for %2: %3 is used")
                           .arg(text, k, QString::number(value)));
}

// A path goes into the file as the file system's own bytes, one Latin-1 character each, so that
// it reads back byte for byte whatever its letters.
QString pathToProfile(const QString& path)
{
    return QString::fromLatin1(QFile::encodeName(path));
}

// Bytes that are valid UTF-8 are the file system's own; older files hold Latin-1 text.
QString pathFromProfile(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return QByteArrayView(bytes).isValidUtf8() ? QFile::decodeName(bytes) : text;
}

QString readPath(const ProfileFile& f, const QString& section, const QString& k, const QString& def)
{
    return f.contains(section, k) ? pathFromProfile(f.readString(section, k, {})) : def;
}

void readRigSettings(const ProfileFile& f, ContestSettings& s, QStringList* errors)
{
    s.rigEnabled = f.readBool(RIG, QStringLiteral("Enabled"), s.rigEnabled);
    readRanged(f, RIG, QStringLiteral("Model"), s.rigModel, 1, 999999, errors);
    s.rigDevice = readPath(f, RIG, QStringLiteral("Device"), s.rigDevice).trimmed();
    readRanged(f, RIG, QStringLiteral("Speed"), s.rigSpeed, RigSpeedLow, RigSpeedHigh, errors);
}

// A settings file that never had a rig keeps no rig keys: nothing changes for a station
// without one.
void writeRigSettings(ProfileFile& f, const ContestSettings& s)
{
    const ContestSettings first;
    if (!f.contains(RIG, QStringLiteral("Enabled")) && s.rigEnabled == first.rigEnabled
        && s.rigModel == first.rigModel && s.rigDevice == first.rigDevice
        && s.rigSpeed == first.rigSpeed)
        return;
    f.writeBool(RIG, QStringLiteral("Enabled"), s.rigEnabled);
    f.writeInteger(RIG, QStringLiteral("Model"), s.rigModel);
    f.writeString(RIG, QStringLiteral("Device"), pathToProfile(s.rigDevice));
    f.writeInteger(RIG, QStringLiteral("Speed"), s.rigSpeed);
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
    s.logFileName = readPath(f, FILES, QStringLiteral("LogFileName"), s.logFileName);
    s.backupLogFileName
        = readPath(f, FILES, QStringLiteral("BackupLogFileName"), s.backupLogFileName);
    s.mirrorFolder = readPath(f, FILES, QStringLiteral("MirrorFolder"), s.mirrorFolder);
    s.callHistoryFile = readPath(f, FILES, QStringLiteral("CallHistoryFile"), s.callHistoryFile);
    readRanged(f, WINDOW, QStringLiteral("WinLogLength"), s.winLogLength, 1, 1000, errors);
    readRanged(f, WINDOW, QStringLiteral("PosLeft"), s.posLeft, -10000, 10000, errors);
    readRanged(f, WINDOW, QStringLiteral("PosTop"), s.posTop, -10000, 10000, errors);
    readRanged(f, WINDOW, QStringLiteral("PosWidth"), s.posWidth, 100, 10000, errors);
    readRanged(f, WINDOW, QStringLiteral("PosHeight"), s.posHeight, 100, 10000, errors);
    readRanged(
        f, CONTEST, QStringLiteral("CategoryID"), s.categoryID, -1, s.ListChoices - 1, errors);
    readRanged(f, CONTEST, QStringLiteral("SectionID"), s.sectionID, -1, s.ListChoices - 1, errors);
    // Only a text typed over the list is shown from its text; a choice is its index.
    s.categoryText = f.readString(CONTEST, QStringLiteral("CategoryText"), s.categoryText);
    s.sectionText = f.readString(CONTEST, QStringLiteral("SectionText"), s.sectionText);
    // Older files kept the first items' texts beside an id of 1 that nobody chose; an id
    // without a text beside it is the operator's own.
    const ContestSettings first;
    auto unchosen = [&](const char* key, const QString& text, const QString& firstText) {
        return f.contains(CONTEST, QString::fromLatin1(key))
            && text.trimmed() == firstText.trimmed();
    };
    if (s.categoryID == 1 && unchosen("CategoryText", s.categoryText, first.categoryText))
        s.categoryID = 0;
    if (s.sectionID == 1 && unchosen("SectionText", s.sectionText, first.sectionText))
        s.sectionID = 0;
    readTime(f, forms, "ContestStartTime", s.contestStartTime, errors);
    readTime(f, forms, "ContestFinishTime", s.contestFinishTime, errors);
    readDate(f, forms, "ContestStartDate", s.contestStartDate, errors);
    readDate(f, forms, "ContestFinishDate", s.contestFinishDate, errors);
    readRanged(
        f, TIME, QStringLiteral("RepeatContactTimeHrs"), s.repeatContactTimeHrs, 0, 99, errors);
    s.callsign = f.readString(CONTEST, QStringLiteral("Callsign"), s.callsign);
    s.address = f.readString(CONTEST, QStringLiteral("Address"), s.address);
    s.name = f.readString(CONTEST, QStringLiteral("Name"), s.name);
    s.autoRST = f.readBool(CONTEST, QStringLiteral("AutoRST"), s.autoRST);
    s.doublePoints16 = f.readBool(CONTEST, QStringLiteral("DoublePoints16"), s.doublePoints16);
    s.winUTCOffset = f.readString(TIME, QStringLiteral("WinUTCOffset"), s.winUTCOffset);
    s.dupeSoundFile = readPath(f, SETTINGS, QStringLiteral("DupeSoundFile"), s.dupeSoundFile);
    s.errorSoundFile = readPath(f, SETTINGS, QStringLiteral("ErrorSoundFile"), s.errorSoundFile);
    s.qsookSoundFile = readPath(f, SETTINGS, QStringLiteral("QSOOKSoundFile"), s.qsookSoundFile);
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
        readRanged(f, CONTEST, key(p.key), s.*p.member, 0, MaxPoints, errors);
    readRigSettings(f, s, errors);
}

void WriteLogFileNames(ProfileFile& f, const ContestSettings& s)
{
    f.writeString(FILES, QStringLiteral("LogFileName"), pathToProfile(s.logFileName));
    f.writeString(FILES, QStringLiteral("BackupLogFileName"), pathToProfile(s.backupLogFileName));
    // Only once one is named: a settings file that never had one stays as it was.
    if (!s.callHistoryFile.isEmpty() || f.contains(FILES, QStringLiteral("CallHistoryFile")))
        f.writeString(FILES, QStringLiteral("CallHistoryFile"), pathToProfile(s.callHistoryFile));
}

void WriteContestSettings(ProfileFile& f, const DateTimeForms& forms, const ContestSettings& s)
{
    f.writeString(USER, QStringLiteral("Last"), QStringLiteral("DOVavovivProgramRunTime"));
    WriteLogFileNames(f, s);
    // A file that never named a mirror folder is left without the key.
    if (!s.mirrorFolder.isEmpty() || f.contains(FILES, QStringLiteral("MirrorFolder")))
        f.writeString(FILES, QStringLiteral("MirrorFolder"), pathToProfile(s.mirrorFolder));
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
    f.writeString(SETTINGS, QStringLiteral("DupeSoundFile"), pathToProfile(s.dupeSoundFile));
    f.writeString(SETTINGS, QStringLiteral("ErrorSoundFile"), pathToProfile(s.errorSoundFile));
    f.writeString(SETTINGS, QStringLiteral("QSOOKSoundFile"), pathToProfile(s.qsookSoundFile));
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
    writeRigSettings(f, s);
}

void ReadEmailSettings(const ProfileFile& f, ContestSettings& s, QStringList* errors)
{
    s.kHostName = f.readString(DATA, QStringLiteral("KHostName"), s.kHostName);
    s.kFrom = f.readString(DATA, QStringLiteral("KFrom"), s.kFrom);
    s.kTo = f.readString(DATA, QStringLiteral("KTo"), s.kTo);
    readRanged(f, DATA, QStringLiteral("KPort"), s.kPort, 1, 65535, errors);
    int security = static_cast<int>(s.kSecurity);
    readRanged(f, DATA, QStringLiteral("KSecurity"), security, 0, 2, errors);
    s.kSecurity = static_cast<MailSecurity>(security);
    s.kUser = f.readString(DATA, QStringLiteral("KUser"), s.kUser);
    s.kRememberPassword
        = f.readBool(DATA, QStringLiteral("KRememberPassword"), s.kRememberPassword);
    readRanged(f, DATA, QStringLiteral("KAttachCabrillo"), s.kAttachCabrillo, -1, 1, errors);
    readRanged(f, WINDOW, QStringLiteral("KTop"), s.kTop, -10000, 10000, errors);
    readRanged(f, WINDOW, QStringLiteral("KLeft"), s.kLeft, -10000, 10000, errors);
    readRanged(f, WINDOW, QStringLiteral("KWidth"), s.kWidth, -1, 10000, errors);
    readRanged(f, WINDOW, QStringLiteral("KHeight"), s.kHeight, -1, 10000, errors);
}

void WriteEmailSettings(ProfileFile& f, const ContestSettings& s)
{
    f.writeString(DATA, QStringLiteral("KHostName"), s.kHostName);
    f.writeString(DATA, QStringLiteral("KFrom"), s.kFrom);
    f.writeString(DATA, QStringLiteral("KTo"), s.kTo);
    f.writeInteger(DATA, QStringLiteral("KPort"), s.kPort);
    f.writeInteger(DATA, QStringLiteral("KSecurity"), static_cast<int>(s.kSecurity));
    f.writeString(DATA, QStringLiteral("KUser"), s.kUser);
    f.writeBool(DATA, QStringLiteral("KRememberPassword"), s.kRememberPassword);
    f.writeInteger(DATA, QStringLiteral("KAttachCabrillo"), s.kAttachCabrillo);
    f.writeInteger(WINDOW, QStringLiteral("KTop"), s.kTop);
    f.writeInteger(WINDOW, QStringLiteral("KLeft"), s.kLeft);
    f.writeInteger(WINDOW, QStringLiteral("KWidth"), s.kWidth);
    f.writeInteger(WINDOW, QStringLiteral("KHeight"), s.kHeight);
}

MailSecurity ProposedSecurity(int port, MailSecurity chosen)
{
    if (port == 587)
        return MailSecurity::StartTls;
    if (port == 465)
        return MailSecurity::Tls;
    return chosen;
}

bool AttachesCabrillo(const ContestSettings& s)
{
    if (s.kAttachCabrillo >= 0)
        return s.kAttachCabrillo == 1;
    return IsOwnCallsign(s.callsign);
}

bool IsOwnCallsign(const QString& callsign)
{
    const QString own = callsign.trimmed();
    return !own.isEmpty() && own != QLatin1String("MYCALL");
}

} // namespace vorad
