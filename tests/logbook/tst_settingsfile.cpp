#include <sys/stat.h>

#include <QTemporaryDir>
#include <QTest>

#include "ContestSettings.h"
#include "LogFileStore.h"
#include "ProfileFile.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

QStringList keysInOrder(const QByteArray& bytes)
{
    QStringList keys;
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            keys.append(QString::fromLatin1(line.left(eq)));
        else if (line.startsWith('['))
            keys.append(QString::fromLatin1(line.trimmed()));
    }
    return keys;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsWhatItDoesNotKnow()
    {
        ProfileFile f;
        f.parse("; station "
                "notes\r\n[OTHER]\r\nKeep=me\r\n[contest]\r\ncallsign=VK3ABC\r\nExtra=1\r\n\r\n");
        QCOMPARE(f.readString("CONTEST", "Callsign", "x"), QStringLiteral("VK3ABC"));
        f.writeString("CONTEST", "Callsign", "VK3XYZ");
        f.writeString("CONTEST", "Name", "Peter");
        f.writeString("NEW", "Key", "v");
        QCOMPARE(f.serialise(),
            QByteArray("; station "
                       "notes\r\n[OTHER]\r\nKeep=me\r\n[contest]\r\ncallsign=VK3XYZ\r\nExtra=1\r\n"
                       "Name=Peter\r\n\r\n[NEW]\r\nKey=v\r\n"));
    }

    void readsTypedValues_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("integer");
        QTest::addColumn<bool>("boolean");
        QTest::newRow("number") << QByteArray("42") << 42 << true;
        QTest::newRow("zero") << QByteArray("0") << 0 << false;
        QTest::newRow("negative") << QByteArray("-3") << -3 << true;
        QTest::newRow("spaces") << QByteArray("  7  ") << 7 << true;
        QTest::newRow("garbage gives the default") << QByteArray("seven") << 5 << true;
        QTest::newRow("empty gives the default") << QByteArray("") << 5 << true;
    }

    void readsTypedValues()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, integer);
        QFETCH(bool, boolean);
        ProfileFile f;
        f.parse("[S]\nK=" + value + "\n");
        QCOMPARE(f.readInteger("S", "K", 5), integer);
        QCOMPARE(f.readBool("S", "K", true), boolean);
    }

    void garbageFileGivesDefaults()
    {
        ProfileFile f;
        QByteArray junk(5000, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = static_cast<char>((i * 37) % 256);
        f.parse(junk + "\n[[[\n=x\n[TIME\nWinLogLength=9\n");
        ContestSettings s;
        QStringList errors;
        ReadContestSettings(f, DateTimeForms(), s, &errors);
        QCOMPARE(s.callsign, QStringLiteral("MYCALL"));
        QCOMPARE(s.winLogLength, 5);
        QVERIFY(errors.isEmpty());
    }

    void valuesWithLineBreaksStayOneKey()
    {
        ProfileFile f;
        f.writeString("CONTEST", "Address", "1 Main St\r\nTown");
        ProfileFile back;
        back.parse(f.serialise());
        QCOMPARE(back.readString("CONTEST", "Address", {}), QStringLiteral("1 Main St  Town"));
    }

    void firstShutDownWritesEveryKeyInOrder()
    {
        ContestSettings s;
        s.contestStartDate = QDate(2026, 8, 15);
        s.contestFinishDate = QDate(2026, 8, 16);
        s.winUTCOffset = QStringLiteral("UTC +8");
        ProfileFile f;
        WriteContestSettings(f, DateTimeForms::forLocale(QLocale::c()), s);
        const QByteArray bytes = f.serialise();
        QCOMPARE(keysInOrder(bytes),
            (QStringList { "[USER]", "Last", "[FILES]", "LogFileName", "BackupLogFileName",
                "[WINDOW]", "WinLogLength", "PosLeft", "PosTop", "PosWidth", "PosHeight", "[TIME]",
                "ContestStartTime", "ContestFinishTime", "ContestStartDate", "ContestFinishDate",
                "RepeatContactTimeHrs", "WinUTCOffset", "[CONTEST]", "CategoryText", "CategoryID",
                "SectionText", "SectionID", "AutoRST", "DoublePoints16", "Callsign", "Address",
                "Name", "AMPoints", "FMPoints", "SSBPoints", "TVPoints", "DigiPoints", "CWPoints",
                "[SETTINGS]", "DupeSoundFile", "ErrorSoundFile", "QSOOKSoundFile", "SoundEnabled",
                "CWEnabled", "DupeScreen", "SummaryScreen", "LogBookFullScreen", "DupeLinked",
                "SmoothScrolling", "[COLOUR]", "GoodQSO", "BadQSO", "EntryBox", "ListBox",
                "TitleColour", "Features", "TextLabel", "FunctionT", "FunctionL", "FunctionB",
                "ColourForm" }));
        for (const char* line : { "Last=DOVavovivProgramRunTime", "ContestStartTime=08:00:00",
                 "ContestFinishTime=07:59:59", "ContestStartDate=15 Aug 2026", "GoodQSO=32768",
                 "BadQSO=255", "EntryBox=65535", "ListBox=0", "TitleColour=65535", "Features=255",
                 "TextLabel=16777215", "FunctionT=16777215", "FunctionL=65535", "FunctionB=8421504",
                 "ColourForm=8388608", "CWPoints=2", "WinUTCOffset=UTC +8",
                 "CategoryText= HF operation on bands below 50MHz Single Operator section",
                 "SectionText=(a) Transmitting Phone (FM,SSB)" })
            QVERIFY2(bytes.contains(QByteArray(line) + "\r\n"), line);
    }

    // The call history is kept once named, and emptied when no longer named.
    void callHistoryFileKept()
    {
        const DateTimeForms forms = DateTimeForms::forLocale(QLocale::c());
        ContestSettings s;
        s.callHistoryFile = QString::fromLatin1("/data/Ren\xe9/names.txt");
        ProfileFile f;
        WriteContestSettings(f, forms, s);
        ProfileFile back;
        back.parse(f.serialise());
        ContestSettings r;
        ReadContestSettings(back, forms, r, nullptr);
        QCOMPARE(r.callHistoryFile, s.callHistoryFile);
        r.callHistoryFile.clear();
        WriteContestSettings(back, forms, r);
        QVERIFY(back.contains(QStringLiteral("FILES"), QStringLiteral("CallHistoryFile")));
        ContestSettings none;
        none.callHistoryFile = QStringLiteral("kept when the key is missing");
        ProfileFile emptied;
        emptied.parse(back.serialise());
        ReadContestSettings(emptied, forms, none, nullptr);
        QVERIFY(none.callHistoryFile.isEmpty());
    }

    void roundTripKeepsEveryValue()
    {
        ContestSettings s;
        s.logFileName = QStringLiteral("/data/contest/VK3.LOG");
        s.winLogLength = 9;
        s.contestStartTime = QTime(0, 30, 5);
        s.contestStartDate = QDate(2027, 8, 14);
        s.contestFinishDate = QDate(2027, 8, 15);
        s.callsign = QStringLiteral("VK3ABC");
        s.autoRST = true;
        s.cwPoints = 4;
        s.colours.badQSO = 0x123456;
        s.dupeScreen = true;
        const DateTimeForms forms
            = DateTimeForms::forLocale(QLocale(QLocale::English, QLocale::Australia));
        ProfileFile f;
        WriteContestSettings(f, forms, s);
        ProfileFile back;
        back.parse(f.serialise());
        ContestSettings r;
        QStringList errors;
        ReadContestSettings(back, forms, r, &errors);
        QVERIFY(errors.isEmpty());
        QCOMPARE(r.logFileName, s.logFileName);
        QCOMPARE(r.winLogLength, 9);
        QCOMPARE(r.contestStartTime, s.contestStartTime);
        QCOMPARE(r.contestFinishTime, QTime(7, 59, 59));
        QCOMPARE(r.contestStartDate, s.contestStartDate);
        QCOMPARE(r.callsign, s.callsign);
        QVERIFY(r.autoRST);
        QCOMPARE(r.cwPoints, 4);
        QCOMPARE(r.colours.badQSO, 0x123456u);
        QVERIFY(r.dupeScreen);
    }

    // Whatever the machine's forms, what is written reads back.
    void dateAndTimeFormsReadBack_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char* name :
            { "C", "en_AU", "en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "ar_EG" })
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void dateAndTimeFormsReadBack()
    {
        QFETCH(QString, locale);
        const DateTimeForms forms = DateTimeForms::forLocale(QLocale(locale));
        for (const QDate d : { QDate(2026, 8, 15), QDate(2031, 1, 2), QDate(2099, 12, 31) })
            QCOMPARE(forms.readDate(forms.dateText(d)), d);
        for (const QTime t : { QTime(8, 0, 0), QTime(7, 59, 59), QTime(23, 1, 2), QTime(0, 0, 0) })
            QCOMPARE(forms.readTime(forms.timeText(t)), t);
    }

    void unreadableDateKeepsTheDefault()
    {
        ProfileFile f;
        f.parse(
            "[TIME]\nContestStartDate=31/31/31\nContestStartTime=25:99\nRepeatContactTimeHrs=3\n");
        ContestSettings s;
        s.contestStartDate = QDate(2026, 8, 15);
        QStringList errors;
        ReadContestSettings(f, DateTimeForms::forLocale(QLocale::c()), s, &errors);
        QCOMPARE(errors,
            (QStringList { "'25:99' is not a valid time", "'31/31/31' is not a valid date" }));
        QCOMPARE(s.contestStartDate, QDate(2026, 8, 15));
        QCOMPARE(s.contestStartTime, QTime(8, 0, 0));
        QCOMPARE(s.repeatContactTimeHrs, 3); // the rest is still read
    }

    void numbersAreHeldToTheirRange_data()
    {
        QTest::addColumn<QString>("entry"); // section/key=value
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("log length") << "WINDOW/WinLogLength=-2147483648" << 1
                                    << "'-2147483648' is out of range for WinLogLength: 1 is used";
        QTest::newRow("width") << "WINDOW/PosWidth=99999999" << 10000
                               << "'99999999' is out of range for PosWidth: 10000 is used";
        QTest::newRow("repeat hours") << "TIME/RepeatContactTimeHrs=-5" << 0
                                      << "'-5' is out of range for RepeatContactTimeHrs: 0 is used";
        QTest::newRow("points") << "CONTEST/CWPoints=2147483647" << 9
                                << "'2147483647' is out of range for CWPoints: 9 is used";
        QTest::newRow("e-mail dialog")
            << "WINDOW/KWidth=-2" << -1 << "'-2' is out of range for KWidth: -1 is used";
        QTest::newRow("mail port")
            << "DATA/KPort=70000" << 65535 << "'70000' is out of range for KPort: 65535 is used";
        QTest::newRow("mail security")
            << "DATA/KSecurity=-1" << 0 << "'-1' is out of range for KSecurity: 0 is used";
        QTest::newRow("rig speed") << "RIG/Speed=99999999" << 460800
                                   << "'99999999' is out of range for Speed: 460800 is used";
        QTest::newRow("rig model")
            << "RIG/Model=-3" << 1 << "'-3' is out of range for Model: 1 is used";
    }

    // A station without a rig gets no rig keys; one that set its rig keeps every key.
    void rigKeysOnlyOnceTheRigIsSet()
    {
        const DateTimeForms forms;
        ContestSettings s;
        ProfileFile none;
        WriteContestSettings(none, forms, s);
        QVERIFY(!none.serialise().contains("[RIG]"));

        s.rigEnabled = true;
        s.rigModel = 1035;
        s.rigDevice = QStringLiteral("/dev/ttyUSB0");
        s.rigSpeed = 38400;
        ProfileFile f;
        WriteContestSettings(f, forms, s);
        QVERIFY(f.serialise().contains("[RIG]\r\nEnabled=1\r\nModel=1035\r\nDevice="));
        ProfileFile back;
        back.parse(f.serialise());
        ContestSettings r;
        QStringList errors;
        ReadContestSettings(back, forms, r, &errors);
        QVERIFY(errors.filter("Speed").isEmpty() && errors.filter("Model").isEmpty());
        QVERIFY(r.rigEnabled);
        QCOMPARE(r.rigModel, 1035);
        QCOMPARE(r.rigDevice, s.rigDevice);
        QCOMPARE(r.rigSpeed, 38400);

        // Turned off again, the keys stay, and say so.
        r.rigEnabled = false;
        r.rigModel = 2;
        r.rigDevice = ContestSettings().rigDevice;
        r.rigSpeed = 9600;
        WriteContestSettings(back, forms, r);
        QCOMPARE(back.readString("RIG", "Enabled", {}), QStringLiteral("0"));
        QCOMPARE(back.readString("RIG", "Device", {}), QStringLiteral("localhost:4532"));
    }

    void numbersAreHeldToTheirRange()
    {
        QFETCH(QString, entry);
        QFETCH(int, value);
        QFETCH(QString, message);
        const QString section = entry.section('/', 0, 0);
        const QString key = entry.section('/', 1).section('=', 0, 0);
        ProfileFile f;
        f.parse(('[' + section + "]\n" + entry.section('/', 1)).toLatin1());
        ContestSettings s;
        QStringList errors;
        ReadContestSettings(f, DateTimeForms(), s, &errors);
        ReadEmailSettings(f, s, &errors);
        QCOMPARE(errors, QStringList { message });
        WriteContestSettings(f, DateTimeForms(), s); // what the program holds, out again
        WriteEmailSettings(f, s);
        QCOMPARE(f.readInteger(section, key, 0), value);
    }

    // 587 and 465 propose their security; "Attach the Cabrillo log" follows the callsign
    // until the operator sets it; the mail keys read back as written.
    void mailRoad_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("proposed"); // MailSecurity, from None
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<int>("attach"); // the key
        QTest::addColumn<bool>("attached");
        QTest::newRow("submission") << 587 << 1 << "VK3ABC" << -1 << true;
        QTest::newRow("implicit TLS") << 465 << 2 << "" << -1 << false;
        QTest::newRow("plain") << 25 << 0 << "MYCALL" << -1 << false;
        QTest::newRow("untied by the operator") << 2525 << 0 << "VK3ABC" << 0 << false;
        QTest::newRow("tied without a callsign") << 25 << 0 << "" << 1 << true;
    }
    void mailRoad()
    {
        QFETCH(int, port);
        QFETCH(int, proposed);
        QFETCH(QString, callsign);
        QFETCH(int, attach);
        QFETCH(bool, attached);
        QCOMPARE(int(ProposedSecurity(port, MailSecurity::None)), proposed);
        ContestSettings s;
        s.callsign = callsign;
        s.kPort = port;
        s.kSecurity = ProposedSecurity(port, MailSecurity::None);
        s.kUser = QStringLiteral("vk3abc@example.net");
        s.kRememberPassword = true;
        s.kAttachCabrillo = attach;
        QCOMPARE(AttachesCabrillo(s), attached);
        ProfileFile f;
        WriteEmailSettings(f, s);
        ContestSettings back;
        back.callsign = callsign;
        QStringList errors;
        ReadEmailSettings(f, back, &errors);
        QVERIFY(errors.isEmpty());
        QCOMPARE(back.kPort, port);
        QCOMPARE(back.kSecurity, s.kSecurity);
        QCOMPARE(back.kUser, s.kUser);
        QVERIFY(back.kRememberPassword);
        QCOMPARE(AttachesCabrillo(back), attached);
    }

    void pathsReadBackByteForByte_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("Polish") << QString::fromUtf8("/tmp/łukasz/Kontest/QZVHF.LOG");
        QTest::newRow("last byte 0xA0, no space") << QString::fromUtf8("/tmp/città");
        QTest::newRow("ASCII") << "/data/contest/VK3.LOG";
    }

    void pathsReadBackByteForByte()
    {
        QFETCH(QString, path);
        ContestSettings s;
        s.logFileName = s.backupLogFileName = s.dupeSoundFile = path;
        s.errorSoundFile = s.qsookSoundFile = path;
        ProfileFile f;
        WriteContestSettings(f, DateTimeForms(), s);
        QVERIFY(f.serialise().contains("\r\nLogFileName=" + QFile::encodeName(path) + "\r\n"));
        ProfileFile back;
        back.parse(f.serialise());
        ContestSettings r;
        ReadContestSettings(back, DateTimeForms(), r, nullptr);
        for (const QString& p : { r.logFileName, r.backupLogFileName, r.dupeSoundFile,
                 r.errorSoundFile, r.qsookSoundFile })
            QCOMPARE(p, path);
        back.parse("[FILES]\r\nLogFileName=/tmp/caf\xe9/QZVHF.LOG\r\n"); // as older files wrote it
        ReadContestSettings(back, DateTimeForms(), r, nullptr);
        QCOMPARE(r.logFileName, QString::fromUtf8("/tmp/café/QZVHF.LOG"));
    }

    // The mirror folder reads back byte for byte; cleared, the file says so.
    void mirrorFolderReadsBack_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("none") << QString();
        QTest::newRow("a stick") << "/media/op/STICK/contest";
        QTest::newRow("Latin-1 name") << QString::fromUtf8("/mnt/partage/équipe");
    }
    void mirrorFolderReadsBack()
    {
        QFETCH(QString, folder);
        ProfileFile f;
        f.parse("[FILES]\r\nMirrorFolder=/media/old\r\n");
        ContestSettings s;
        s.mirrorFolder = folder;
        WriteContestSettings(f, DateTimeForms(), s);
        ProfileFile back;
        back.parse(f.serialise());
        ContestSettings r;
        ReadContestSettings(back, DateTimeForms(), r, nullptr);
        QCOMPARE(r.mirrorFolder, folder);
        // A file that never had one gets none.
        ProfileFile fresh;
        WriteContestSettings(fresh, DateTimeForms(), ContestSettings());
        QVERIFY(!fresh.serialise().contains("MirrorFolder"));
    }

    void loadTellsWhatItRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size"); // -1: nothing is written there
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("whole");
        QTest::newRow("missing") << "none.ini" << -1 << true << true;
        QTest::newRow("below a file") << "file/x.ini" << -1 << false << true;
        QTest::newRow("the limit") << "s.ini" << int(ProfileFile::ReadLimit) << true << true;
        QTest::newRow("5 MiB") << "s.ini" << (5 << 20) << true << false;
        // Neither waited for nor read: the start would hang on a FIFO.
        QTest::newRow("a FIFO") << "fifo" << -1 << false << true;
        QTest::newRow("a link to a FIFO") << "link" << -1 << false << true;
        // A drive not mounted: its settings are neither taken for new nor replaced by new ones.
        QTest::newRow("a link that leads nowhere") << "dangling" << -1 << false << true;
    }

    void loadTellsWhatItRead()
    {
        QFETCH(QString, name);
        QFETCH(int, size);
        QFETCH(bool, ok);
        QFETCH(bool, whole);
        QTemporaryDir dir;
        const QByteArray head = "[S]\r\nK=7\r\n";
        QVERIFY(writeFile(dir.filePath("file"), "x"));
        QVERIFY(size < 0 || writeFile(dir.filePath(name), head.leftJustified(size, ';')));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0644), 0);
        QVERIFY(QFile::link(dir.filePath("fifo"), dir.filePath("link")));
        QVERIFY(QFile::link(dir.filePath("stick/DOVavoviv.ini"), dir.filePath("dangling")));
        ProfileFile f;
        QString error;
        QCOMPARE(f.load(dir.filePath(name), &error), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (name == "fifo" || name == "link")
            QCOMPARE(error, NotRegularFileReason());
        QCOMPARE(f.missing(), name == "none.ini");
        QCOMPARE(f.readWhole(), whole);
        QCOMPARE(f.readInteger("S", "K", 0), size < 0 ? 0 : 7);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
