#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "LogFileStore.h"
#include "QZMainForm.h"
#include "SettingsRules.h"
#include "TestClock.h"
#include "TestDesktop.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

const QByteArray rec
    = "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\",1,\"Peter\"\r\n";

} // namespace

class TestSettingsForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<TestClock> m_clock;
    QStringList m_messages;
    QString m_chosenFile;

    QString file(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    StartupEnvironment environment(const QByteArray& ini = "[CONTEST]\r\nCallsign=VK6XYZ\r\n")
    {
        writeFile(file("QZVHF.LOG"), rec);
        writeFile(file("DOVavoviv.ini"), ini);
        StartupEnvironment env;
        DesktopOf(env).screen = [] { return QSize(1024, 768); }; // the window keeps its size
        env.settingsPath = file("DOVavoviv.ini");
        env.workingDir = m_dir->path();
        env.locale = QLocale::c();
        env.clock = m_clock;
        env.store = std::make_shared<LogFileStore>();
        env.store->setSyncEnabled(false);
        DesktopOf(env).messages = [this](const QString& m) { m_messages.append(m); };
        DesktopOf(env).files
            = [this](const QString&, const QString&, bool) { return m_chosenFile; };
        env.tickIntervalMs = 3600 * 1000;
        env.mirrorMode = LogMirror::Mode::Inline; // each copy is on disk as the log's write ends
        return env;
    }

    std::unique_ptr<TQZMainForm> start()
    {
        auto form = std::make_unique<TQZMainForm>(environment());
        form->show();
        form->ShowSettingsDialog();
        return form;
    }

    template <typename T> static T* child(TQZMainForm& form, const char* name)
    {
        T* c = form.settingsForm().findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    static QLineEdit* box(TQZMainForm& form, const char* name)
    {
        return child<QLineEdit>(form, name);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_shared<TestClock>();
        m_clock->setUtc(QDate(2026, 8, 15), QTime(10, 0), 8 * 3600);
        m_messages.clear();
        m_chosenFile.clear();
    }

    void utcOffsetText_data()
    {
        QTest::addColumn<int>("bias");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTC+9:30") << -570 << "9.5";
        QTest::newRow("UTC+10") << -600 << "10";
        QTest::newRow("UTC+10:30") << -630 << "10.5";
        QTest::newRow("UTC") << 0 << "0";
        QTest::newRow("UTC-3:30 loses its half hour") << 210 << "-3";
        QTest::newRow("UTC+5:45 shows whole hours") << -345 << "5";
    }
    void utcOffsetText()
    {
        QFETCH(int, bias);
        QFETCH(QString, text);
        QCOMPARE(UtcOffsetBoxText(bias), text);
    }

    void offsetBoxShowsTheStandardBias()
    {
        m_clock->setStandardOffset(-210 * 60); // daylight saving in force is not shown
        auto form = start();
        QCOMPARE(box(*form, "UTCOffsetBox")->text(), "-3");
    }

    // Only digits and backspace are typed; a box never holds more than it can.
    void typingFilters_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("keys"); // '<' stands for backspace
        QTest::addColumn<QString>("after");
        QTest::newRow("second digit after") << "CWpoints"
                                            << "7" << 1 << "5"
                                            << "7";
        QTest::newRow("second digit before") << "CWpoints"
                                             << "7" << 0 << "5"
                                             << "5";
        QTest::newRow("letter ignored") << "AMpoints"
                                        << "3" << 1 << "a"
                                        << "3";
        QTest::newRow("backspace works") << "FMpoints"
                                         << "3" << 1 << "<4"
                                         << "4";
        QTest::newRow("repeat time two digits") << "DupeTimeBox"
                                                << "" << 0 << "123"
                                                << "12";
        QTest::newRow("repeat time no sign") << "DupeTimeBox"
                                             << "2" << 1 << "-."
                                             << "2";
        QTest::newRow("callsign upper-cased") << "CallsignBox"
                                              << "" << 0 << "vk3/p"
                                              << "VK3/P";
    }
    void typingFilters()
    {
        QFETCH(QString, boxName);
        QFETCH(QString, before);
        QFETCH(int, cursor);
        QFETCH(QString, keys);
        QFETCH(QString, after);
        auto form = start();
        QLineEdit* b = box(*form, boxName.toLatin1().constData());
        b->setText(before);
        b->setFocus();
        b->setCursorPosition(cursor);
        for (QChar k : keys) {
            if (k == '<')
                QTest::keyClick(b, Qt::Key_Backspace);
            else
                QTest::keyClicks(b, QString(k));
        }
        QCOMPARE(b->text(), after);
    }

    // OK checks every number box before it takes anything over, the log file included.
    void okRefusesABadBoxAndTakesNothing_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty repeat time") << "DupeTimeBox"
                                           << ""
                                           << "'' is not a valid integer value";
        QTest::newRow("pasted letters") << "SSBpoints"
                                        << "x"
                                        << "'x' is not a valid integer value";
        QTest::newRow("last box empty") << "CWpoints"
                                        << ""
                                        << "'' is not a valid integer value";
    }
    void okRefusesABadBoxAndTakesNothing()
    {
        QFETCH(QString, boxName);
        QFETCH(QString, text);
        QFETCH(QString, message);
        auto form = start();
        const ContestSettings before = form->settings();
        writeFile(file("OTHER.LOG"), {});
        child<QComboBox>(*form, "LogFileNameBox")->setEditText(file("OTHER.LOG"));
        box(*form, "NameBox")->setText("Anne");
        box(*form, "AMpoints")->setText("5");
        box(*form, "CallsignBox")->setText("VK2QQ");
        box(*form, boxName.toLatin1().constData())->setText(text);
        form->settingsForm().OKButtonClick();
        QCOMPARE(m_messages.value(0), message);
        QVERIFY(form->settingsForm().isVisible());
        QCOMPARE(form->settings().name, before.name);
        QCOMPARE(form->settings().amPoints, before.amPoints);
        QCOMPARE(form->settings().logFileName, before.logFileName);
        QCOMPARE(form->findChild<QLabel*>("MyCallsign")->text(), "VK6XYZ");
    }

    // OK takes the boxes over; the points box shows the mode's points without doubling.
    void okTakesOver_data()
    {
        QTest::addColumn<int>("modeSteps"); // F6 presses from FM
        QTest::addColumn<QString>("points");
        QTest::newRow("FM shows FM points") << 0 << "3";
        QTest::newRow("SSB shows SSB points") << 1 << "4";
        QTest::newRow("CW shows CW points") << 4 << "7";
        QTest::newRow("Phone shows FM points") << 5 << "3";
    }
    void okTakesOver()
    {
        QFETCH(int, modeSteps);
        QFETCH(QString, points);
        auto form = start();
        for (int i = 0; i < modeSteps; ++i)
            form->ChangeMode();
        box(*form, "FMpoints")->setText("3");
        box(*form, "SSBpoints")->setText("4");
        box(*form, "CWpoints")->setText("7");
        box(*form, "DupeTimeBox")->setText("6");
        box(*form, "NameBox")->setText("Anne");
        box(*form, "CallsignBox")->setText("VK2QQ");
        child<QComboBox>(*form, "SectionBox")->setCurrentIndex(2);
        child<QCheckBox>(*form, "SmoothScrollSelect")->setChecked(false);
        form->settingsForm().OKButtonClick();
        QVERIFY(m_messages.isEmpty());
        QVERIFY(!form->settingsForm().isVisible());
        const ContestSettings& s = form->settings();
        QCOMPARE(s.fmPoints, 3);
        QCOMPARE(s.repeatContactTimeHrs, 6);
        QCOMPARE(s.name, "Anne");
        QCOMPARE(s.sectionID, 2);
        QCOMPARE(s.categoryID, 0);
        QCOMPARE(s.smoothScrolling, false);
        QCOMPARE(form->findChild<QLabel*>("MyCallsign")->text(), "VK2QQ");
        QCOMPARE(form->findChild<QLineEdit*>("PointsN")->text(), points);
    }

    // The two switches are taken over on the click, and Cancel does not undo them; nothing
    // else typed is kept, by the shut-down either (it saves what the boxes show).
    void switchesAtOnceCancelKeepsThem_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("Escape") << 2;
        QTest::newRow("quit with the dialog open") << 3;
    }
    void switchesAtOnceCancelKeepsThem()
    {
        QFETCH(int, how);
        auto form = start();
        QVERIFY(!form->settings().autoRST);
        QTest::mouseClick(child<QCheckBox>(*form, "AutoRST"), Qt::LeftButton);
        QTest::mouseClick(child<QCheckBox>(*form, "DoublePoints"), Qt::LeftButton);
        QVERIFY(form->settings().autoRST);
        QVERIFY(!form->settings().doublePoints16);
        box(*form, "NameBox")->setText("Anne");
        box(*form, "CallsignBox")->setText("VK2QQ");
        child<QComboBox>(*form, "CategoryBox")->setCurrentIndex(3);
        if (how == 0)
            QTest::mouseClick(child<QWidget>(*form, "CancelButton"), Qt::LeftButton);
        else if (how == 1)
            form->settingsForm().close();
        else if (how == 2)
            QTest::keyClick(box(*form, "NameBox"), Qt::Key_Escape);
        QCOMPARE(form->settingsForm().isVisible(), how == 3);
        QVERIFY(form->settings().autoRST);
        QVERIFY(!form->settings().doublePoints16);
        QVERIFY(form->settings().name.startsWith('<'));
        form->close();
        const QByteArray ini = readAll(file("DOVavoviv.ini"));
        for (const char* kept : { "\r\nCallsign=VK6XYZ\r\n", "\r\nAutoRST=1\r\n",
                 "CategoryText= HF operation on bands below 50MHz Single Operator section\r\n" })
            QVERIFY2(ini.contains(kept), kept);
    }

    // The shut-down saves what the dialog's boxes hold, whether or when the dialog was built:
    // a station file's callsign only once the dialog has shown it, and a saved choice as its
    // item.
    void shutDownSavesTheBoxesAsFilled_data()
    {
        QTest::addColumn<int>("use");
        QTest::addColumn<QByteArray>("callsign");
        QTest::newRow("never built") << 0 << QByteArray("VK6XYZ");
        QTest::newRow("built by Open Log, cancelled") << 1 << QByteArray("VK6XYZ");
        QTest::newRow("built by a print") << 2 << QByteArray("VK6XYZ");
        QTest::newRow("shown and cancelled") << 3 << QByteArray("VK4QQ");
    }
    void shutDownSavesTheBoxesAsFilled()
    {
        QFETCH(int, use);
        QFETCH(QByteArray, callsign);
        writeFile(file("QZ.INI"), "VK4QQ\r\n");
        StartupEnvironment env = environment("[CONTEST]\r\nCallsign=VK6XYZ\r\nCategoryID=2\r\n"
                                             "CategoryText=my own words\r\nSectionID=-1\r\n"
                                             "SectionText=typed over\r\n");
        DesktopOf(env).printers = [](QPrinter&) { return false; };
        TQZMainForm form(env);
        if (use == 1)
            form.OpenLog1Click();
        else if (use == 2)
            form.PrintText();
        else if (use == 3) {
            form.ShowSettingsDialog();
            form.settingsForm().CancelButtonClick();
        }
        form.close();
        const QByteArray ini = readAll(file("DOVavoviv.ini"));
        for (const QByteArray& kept : { "\r\nCallsign=" + callsign + "\r\n",
                 QByteArray("\r\nCategoryText= VHF operation on and above 50MHz Single Operator "
                            "section\r\n"),
                 QByteArray("\r\nSectionText=typed over\r\n") })
            QVERIFY2(ini.contains(kept), kept.constData());
    }

    // A picked log is in use at once with its own backup, whether OK or Cancel follows; a typed
    // one is loaded by OK exactly as a picked one.
    void logFileChosenOrTyped_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("backup");
        QTest::newRow("picked .log") << false << "Contest2004.log"
                                     << "Contest2004.BAK";
        QTest::newRow("picked .TXT") << false << "A.TXT"
                                     << "A.BAK";
        QTest::newRow("typed") << true << "RUN2.LOG"
                               << "RUN2.BAK";
    }
    void logFileChosenOrTyped()
    {
        QFETCH(bool, typed);
        QFETCH(QString, name);
        QFETCH(QString, backup);
        auto form = start();
        const QString path = m_dir->filePath(name);
        writeFile(path, rec + rec);
        if (typed) {
            child<QComboBox>(*form, "LogFileNameBox")->setEditText(path);
            form->settingsForm().OKButtonClick();
        } else {
            m_chosenFile = path;
            child<QComboBox>(*form, "LogFileNameBox")->showPopup();
            QCOMPARE(box(*form, "BackupFileNameBox")->text(), m_dir->filePath(backup));
            form->settingsForm().CancelButtonClick();
        }
        QCOMPARE(form->settings().logFileName, path);
        QCOMPARE(form->settings().backupLogFileName, m_dir->filePath(backup));
        QCOMPARE(form->logBook().lines().size(), 2);
        QVERIFY(form->windowTitle().startsWith("Vandrel Contest Program 1.50      "));
    }

    // The mirror folder row: chosen by its button or typed; a folder whose copy would be the
    // log is refused and nothing is taken over; a good one gets the whole log at OK.
    void mirrorFolderRow_data()
    {
        QTest::addColumn<QString>("folder"); // under the test's folder; "." is the log's own
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<bool>("refused");
        QTest::newRow("a folder of its own, chosen") << "stick" << true << false;
        QTest::newRow("a folder of its own, typed") << "stick" << false << false;
        QTest::newRow("the log's own folder") << "." << false << true;
        QTest::newRow("a link to the log's own folder") << "link" << true << true;
        QTest::newRow("a file, not a folder") << "plain" << false << true;
    }
    void mirrorFolderRow()
    {
        QFETCH(QString, folder);
        QFETCH(bool, chosen);
        QFETCH(bool, refused);
        auto form = start();
        QVERIFY(QDir().mkpath(file("stick")));
        QVERIFY(QFile::link(m_dir->path(), file("link")));
        QVERIFY(writeFile(file("plain"), "x"));
        const QString path = QDir::cleanPath(m_dir->filePath(folder));
        QLineEdit* mirrorBox = box(*form, "MirrorFolderBox");
        QCOMPARE(mirrorBox->accessibleName(), "Mirror folder");
        QCOMPARE(child<QPushButton>(*form, "MirrorFolderButton")->accessibleName(),
            "Choose the mirror folder");
        QCOMPARE(mirrorBox->geometry().top(), 452);
        QVERIFY(form->settingsForm().height() >= mirrorBox->geometry().bottom());
        box(*form, "NameBox")->setText("Anne");
        if (chosen) {
            m_chosenFile = path;
            child<QPushButton>(*form, "MirrorFolderButton")->click();
            QCoreApplication::sendPostedEvents();
            QCOMPARE(mirrorBox->text(), path);
        } else {
            mirrorBox->setText(path);
        }
        form->settingsForm().OKButtonClick();
        if (refused) {
            QCOMPARE(m_messages.size(), 1);
            QVERIFY(m_messages.first().startsWith(
                QStringLiteral(" The mirror folder %1 can not be used: \r ").arg(path)));
            QVERIFY(form->settingsForm().isVisible());
            QCOMPARE(form->settings().mirrorFolder, QString());
            QCOMPARE(form->settings().name, ContestSettings().name);
            QCOMPARE(readAll(file("QZVHF.LOG")), rec);
            return;
        }
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(form->settings().mirrorFolder, path);
        QCOMPARE(readAll(file("stick/QZVHF.LOG")), rec);
        QVERIFY(form->ShutDown());
        ProfileFile saved;
        saved.parse(readAll(file("DOVavoviv.ini")));
        QCOMPARE(saved.readString("FILES", "MirrorFolder", {}), path);
    }

    // At start-up a mirror copy holding more than the log is named in the status line, kept
    // aside, and not loaded: the worker's word comes once the log is ready.
    void newerMirrorAtStartUp()
    {
        QVERIFY(QDir().mkpath(file("stick")));
        writeFile(file("stick/QZVHF.LOG"), rec + rec);
        StartupEnvironment env
            = environment("[CONTEST]\r\nCallsign=VK6XYZ\r\n[FILES]\r\nMirrorFolder="
                + file("stick").toLatin1() + "\r\n");
        env.mirrorMode = LogMirror::Mode::Worker;
        TQZMainForm form(std::move(env));
        form.mirror().waitIdle();
        QCoreApplication::sendPostedEvents(&form.mirror()); // the worker's word, as the loop has it
        QCOMPARE(form.logBook().lines().size(), 1);
        const QStringList kept = QDir(file("stick")).entryList({ "QZVHF.newer-*.LOG" });
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(file("stick/") + kept.first()), rec + rec);
        QCOMPARE(form.findChild<QLabel*>("StatusPanel")->text(),
            QStringLiteral("  Mirror copy %1 is newer than the log: it was not loaded; it is "
                           "kept as %2")
                .arg(file("stick/QZVHF.LOG"), file("stick/") + kept.first()));
        QCOMPARE(readAll(file("stick/QZVHF.LOG")), rec);
    }

    // Shown again while open (the menu, or a new log picked), it keeps what was typed.
    void showingAgainKeepsWhatWasTyped()
    {
        auto form = start();
        box(*form, "NameBox")->setText("Anne");
        box(*form, "CWpoints")->setText("5");
        form->ShowSettingsDialog();
        m_chosenFile = file("NEW.LOG");
        child<QComboBox>(*form, "LogFileNameBox")->showPopup();
        form->SecondTickTimerTimer(); // the new, empty log asks for the dialog
        QCOMPARE(box(*form, "NameBox")->text(), "Anne");
        QCOMPARE(box(*form, "CWpoints")->text(), "5");
        QVERIFY(!form->entry().settingsOpenPending());
    }

    // A session that ends during a start-up message, before the dialog exists, still saves.
    void sessionEndsBeforeTheDialogExists()
    {
        StartupEnvironment env
            = environment("[CONTEST]\r\nCallsign=VK6XYZ\r\n[TIME]\r\nContestStartDate=garbage\r\n");
        DesktopOf(env).messages = [](const QString&) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* form = qobject_cast<TQZMainForm*>(w))
                    form->ShutDown(true);
            }
        };
        TQZMainForm form(env);
        const QByteArray ini = readAll(file("DOVavoviv.ini"));
        QVERIFY(ini.contains("Last="));
        QVERIFY(ini.contains("Callsign=VK6XYZ\r\n"));
    }

    // The category and section saved are what the dialog, and so the summary sheet, show at
    // the next start; a number beyond the lists is held to them. The first run saves the same
    // whether its dialog was built or not.
    void savedChoiceIsShown_data()
    {
        QTest::addColumn<QByteArray>("contest");
        QTest::addColumn<QString>("shown"); // category | section
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("built");
        const QString first = " HF operation on bands below 50MHz Single Operator section|";
        auto row = [](const char* tag, const char* contest, const QString& shown,
                       const char* message = "") {
            QTest::newRow(tag) << QByteArray(contest) << shown << QString(message) << true;
            QTest::addRow("%s, no dialog the first time", tag)
                << QByteArray(contest) << shown << QString(message) << false;
        };
        row("saved ids", "CategoryID=3\r\nSectionID=2",
            " VHF operation on and above 50MHz Multi-operator|(c)");
        row("beyond the list", "SectionID=7", first + "(d)",
            "'7' is out of range for SectionID: 3 is used");
        row("an id nobody chose, in older files",
            "SectionText=(a) Transmitting Phone (FM,SSB)\r\nSectionID=1", first + "(a)");
        row("an id of 1 alone", "SectionID=1", first + "(b)");
        row("typed over the list", "CategoryID=-1\r\nCategoryText=Club", "Club|(a)");
    }
    void savedChoiceIsShown()
    {
        QFETCH(QByteArray, contest);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QFETCH(bool, built);
        for (int run = 0; run < 2; ++run) { // what the first run saves, the next one shows
            TQZMainForm form(
                environment(run ? readAll(file("DOVavoviv.ini")) : "[CONTEST]\r\n" + contest));
            if (run || built) {
                const TSettingsForm& dialog = form.settingsForm();
                QVERIFY(shown.startsWith(dialog.categoryText() + '|'));
                QVERIFY(dialog.sectionText().startsWith(shown.section('|', 1)));
            }
            QCOMPARE(m_messages.value(0), run ? QString() : message);
            m_messages.clear();
            form.close();
        }
    }

    // The sound dialog: what it shows, what OK and Cancel take over.
    void soundDialog_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("steps"); // t: tick CW, p: pick a wave for Error, c: clear Dupe
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("kept"); // cwEnabled, soundEnabled, dupe, error after it
        QTest::newRow("CW set opens greyed, unticked at once")
            << QByteArray("[SETTINGS]\r\nCWEnabled=1\r\n") << "t" << false << "0 1 DUPE ERROR";
        QTest::newRow("a picked file and Cancel")
            << QByteArray() << "p" << false << "0 1 DUPE ERROR";
        QTest::newRow("CW ticked and Cancel") << QByteArray() << "t" << false << "1 1 DUPE ERROR";
        QTest::newRow("sound off stays off")
            << QByteArray("[SETTINGS]\r\nSoundEnabled=0\r\n") << "" << true << "0 0 DUPE ERROR";
        QTest::newRow("a cleared box and a picked file, OK")
            << QByteArray() << "cp" << true << "0 1  /tmp/beep.wav";
    }

    void soundDialog()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, steps);
        QFETCH(bool, ok);
        QFETCH(QString, kept);
        auto form
            = std::make_unique<TQZMainForm>(environment("[CONTEST]\r\nCallsign=VK6XYZ\r\n" + ini));
        form->show();
        m_chosenFile = QStringLiteral("/tmp/beep.wav");
        TSoundSettings& dialog = form->soundForm();
        dialog.ShowForm();
        auto* cw = dialog.findChild<QCheckBox*>("CWEnabled");
        auto* dupe = dialog.findChild<QComboBox*>("DupeSoundFile");
        auto* error = dialog.findChild<QComboBox*>("ErrorSoundFile");
        QCOMPARE(dupe->isEnabled(), !form->settings().cwEnabled);
        for (QChar step : steps) {
            if (step == 't') {
                cw->click();
                QCOMPARE(dupe->isEnabled(), !cw->isChecked());
            } else if (step == 'p') {
                error->showPopup();
            } else {
                dupe->setEditText(QString());
            }
        }
        ok ? dialog.OKButtonClick() : dialog.CancelButtonClick();
        const ContestSettings& s = form->settings();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(int(s.cwEnabled))
                     .arg(int(s.soundEnabled))
                     .arg(s.dupeSoundFile, s.errorSoundFile),
            kept);
        dialog.ShowForm();
        QCOMPARE(error->currentText(), s.errorSoundFile);
    }
};

QTEST_MAIN(TestSettingsForm)
#include "tst_settingsform.moc"
