#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "LogLine.h"
#include "QZMainForm.h"
#include "RigDaemon.h"
#include "SettingsForm.h"
#include "TestClock.h"
#include "TestDesktop.h"
#include "TestFiles.h"

using namespace vorad;

// The window with a radio: a rig control daemon (the library's dummy radio behind it) that
// the tests turn from outside, and kill and start again.
class TestRigWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<TestClock> m_clock;
    QStringList m_messages;

    QString file(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<TQZMainForm> start(const QByteArray& rigIni)
    {
        writeFile(file("QZVHF.LOG"), {});
        writeFile(
            file("DOVavoviv.ini"), "[CONTEST]\r\nCallsign=VK6XYZ\r\nDoublePoints16=0\r\n" + rigIni);
        StartupEnvironment env;
        DesktopOf(env).screen = [] { return QSize(1024, 768); };
        env.settingsPath = file("DOVavoviv.ini");
        env.workingDir = m_dir->path();
        env.locale = QLocale::c();
        env.clock = m_clock;
        env.store = std::make_shared<LogFileStore>();
        env.store->setSyncEnabled(false);
        DesktopOf(env).messages = [this](const QString& m) { m_messages.append(m); };
        env.tickIntervalMs = 3600 * 1000;
        env.rigPollMs = 100;
        auto form = std::make_unique<TQZMainForm>(env);
        if (form->settingsForm().isVisible())
            form->settingsForm().CancelButtonClick();
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("window not active");
        return form;
    }
    static QByteArray daemonIni(const RigDaemon& daemon)
    {
        return "[RIG]\r\nEnabled=1\r\nModel=2\r\nDevice=" + daemon.address().toLatin1()
            + "\r\nSpeed=9600\r\n";
    }

    static QString text(TQZMainForm& form, const char* name)
    {
        return form.findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    }
    static QString status(TQZMainForm& form)
    {
        return form.findChild<QLabel*>(QStringLiteral("StatusPanel"))->text();
    }
    static QWidget* focus() { return QApplication::focusWidget(); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_shared<TestClock>();
        m_clock->setUtc(QDate(2026, 8, 15), QTime(10, 0, 20), 8 * 3600);
        m_messages.clear();
    }

    // Without a rig nothing is linked and the settings file gains no rig keys.
    void offByDefault()
    {
        {
            auto form = start({});
            QVERIFY(!form->settings().rigEnabled);
            QTest::keyClick(focus(), Qt::Key_F8);
            QCOMPARE(text(*form, "BandN"), QStringLiteral("70cm"));
            QVERIFY(!status(*form).contains(QLatin1String("Rig")));
            form->close();
        }
        QVERIFY(!readAll(file("DOVavoviv.ini")).contains("[RIG]"));
    }

    // The boxes follow the radio, the keys tune it, and a contact takes what the boxes show.
    void boxesFollowTheRigAndKeysTuneIt()
    {
        RigDaemon daemon;
        QVERIFY(daemon.start());
        QVERIFY(daemon.set({ "F", "14200000", "M", "USB", "0" }));
        auto form = start(daemonIni(daemon));
        QTRY_COMPARE_WITH_TIMEOUT(
            status(*form), QStringLiteral("  Rig connected: Hamlib NET rigctl"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "BandN"), QStringLiteral("20m"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "ModeN"), QStringLiteral("SSB"), 10000);

        QVERIFY(daemon.set({ "F", "7030000", "M", "CW", "0" }));
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "BandN"), QStringLiteral("40m"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "ModeN"), QStringLiteral("CW"), 10000);
        QCOMPARE(text(*form, "PointsN"), QStringLiteral("2"));

        // F8 goes to 30m at its lower edge and a little, in the mode shown.
        QTest::keyClick(focus(), Qt::Key_F8);
        QCOMPARE(text(*form, "BandN"), QStringLiteral("30m"));
        QTRY_VERIFY_WITH_TIMEOUT(daemon.get().contains(QLatin1String("10110000")), 10000);
        QVERIFY(daemon.get().contains(QLatin1String("CW")));
        // F7 back: 40m where the radio last was on it.
        QTest::keyClick(focus(), Qt::Key_F7);
        QTRY_VERIFY_WITH_TIMEOUT(daemon.get().contains(QLatin1String("7030000")), 10000);

        // F6 from CW is Phone, which no one rig mode is: the radio and the box each keep theirs.
        QTest::keyClick(focus(), Qt::Key_F6);
        QCOMPARE(text(*form, "ModeN"), QStringLiteral("Phone"));
        QTest::qWait(500);
        QCOMPARE(text(*form, "ModeN"), QStringLiteral("Phone"));
        QVERIFY(daemon.get().contains(QLatin1String("CW")));
        QTest::keyClick(focus(), Qt::Key_F6);
        QCOMPARE(text(*form, "ModeN"), QStringLiteral("AM"));
        QTRY_VERIFY_WITH_TIMEOUT(daemon.get().contains(QLatin1String("AM")), 10000);
        QTest::qWait(500);
        QCOMPARE(text(*form, "ModeN"), QStringLiteral("AM"));

        // A frequency outside every band leaves the band and says so once.
        QVERIFY(daemon.set({ "F", "12000000" }));
        QTRY_COMPARE_WITH_TIMEOUT(status(*form),
            QStringLiteral("  Rig frequency 12.000 MHz is outside every band: the band stays 40m"),
            10000);
        QCOMPARE(text(*form, "BandN"), QStringLiteral("40m"));

        QVERIFY(daemon.set({ "F", "21250000", "M", "USB", "0" }));
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "BandN"), QStringLiteral("15m"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "ModeN"), QStringLiteral("SSB"), 10000);
        QTest::keyClicks(focus(), "vk3abc");
        QTest::keyClick(focus(), Qt::Key_Return);
        QTest::keyClicks(focus(), "al");
        QTest::keyClick(focus(), Qt::Key_Return);
        QTest::keyClicks(focus(), "12");
        QTest::keyClick(focus(), Qt::Key_Return);
        QCOMPARE(form->logBook().rowCount(), 1);
        const LogFields logged = ParseLogLine(form->logBook().lines().at(0));
        QCOMPARE(logged.band, QStringLiteral("15m"));
        QCOMPARE(logged.mode, QStringLiteral("SSB"));
        QVERIFY(!form->logBook().lines().at(0).contains(QLatin1String("21250")));
        QVERIFY(m_messages.isEmpty());
    }

    // The radio's computer dies: the status line tells, typing goes on, and it is found again.
    void rigLostAndFound()
    {
        RigDaemon daemon;
        QVERIFY(daemon.start());
        auto form = start(daemonIni(daemon));
        QTRY_COMPARE_WITH_TIMEOUT(
            status(*form), QStringLiteral("  Rig connected: Hamlib NET rigctl"), 10000);
        daemon.kill();
        QTRY_VERIFY_WITH_TIMEOUT(status(*form).startsWith(QLatin1String("  Rig lost: ")), 10000);
        QVERIFY(status(*form).endsWith(QLatin1String(" - log by hand; retrying")));
        QTest::keyClicks(focus(), "vk3abc");
        QCOMPARE(text(*form, "CallsignN"), QStringLiteral("VK3ABC"));
        QTest::keyClick(focus(), Qt::Key_F8);
        QCOMPARE(text(*form, "BandN"), QStringLiteral("70cm"));
        QVERIFY(daemon.start());
        QTRY_COMPARE_WITH_TIMEOUT(status(*form), QStringLiteral("  Rig found again"), 10000);
        // The daemon's dummy radio starts afresh: its band is followed again.
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "BandN"), QStringLiteral("2m"), 10000);
    }

    // A radio that takes the connection and never answers: every key is served at once.
    void silentRigNeverHoldsAKey()
    {
        RigDaemon daemon;
        QVERIFY(daemon.start());
        auto form = start(daemonIni(daemon));
        QTRY_COMPARE_WITH_TIMEOUT(
            status(*form), QStringLiteral("  Rig connected: Hamlib NET rigctl"), 10000);
        daemon.pause();
        QTRY_VERIFY_WITH_TIMEOUT(status(*form).startsWith(QLatin1String("  Rig lost: ")), 10000);
        for (const char* call : { "vk3abc", "vk3abd", "vk3abe" }) {
            QTest::keyClick(focus(), Qt::Key_F1);
            QTest::keyClicks(focus(), call);
            QCOMPARE(text(*form, "CallsignN"), QString::fromLatin1(call).toUpper());
            QTest::keyClick(focus(), Qt::Key_F6);
            QTest::qWait(150); // a poll or two on the silent radio meanwhile
        }
        daemon.resume();
        QTRY_COMPARE_WITH_TIMEOUT(status(*form), QStringLiteral("  Rig found again"), 10000);
    }

    // The library's dummy radio in the program itself: its band is followed, and F8 tunes it.
    void dummyRigInTheProgram()
    {
        auto form = start("[RIG]\r\nEnabled=1\r\nModel=1\r\nDevice=\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(
            status(*form).startsWith(QLatin1String("  Rig connected: ")), 10000);
        QVERIFY(status(*form).contains(QLatin1String("Dummy")));
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "BandN"), QStringLiteral("2m"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "ModeN"), QStringLiteral("FM"), 10000);
        QTest::keyClick(focus(), Qt::Key_F8);
        QCOMPARE(text(*form, "BandN"), QStringLiteral("70cm"));
        // The dummy took it: F7 goes back to where it was on 2m, and it stays there.
        QTest::qWait(300);
        QCOMPARE(text(*form, "BandN"), QStringLiteral("70cm"));
        QTest::keyClick(focus(), Qt::Key_F7);
        QTest::qWait(300);
        QCOMPARE(text(*form, "BandN"), QStringLiteral("2m"));
        // The rig is on in the settings: the dialog lists the library's models, this one chosen.
        auto* model = form->settingsForm().findChild<QComboBox*>(QStringLiteral("RigModelBox"));
        QTRY_VERIFY_WITH_TIMEOUT(model->count() > 100, 10000);
        QCOMPARE(model->currentData().toInt(), 1);
    }

    // The dialog's rig rows: the list from the library, the switch taken over on OK.
    void settingsDialogTurnsTheRigOnAndOff()
    {
        RigDaemon daemon;
        QVERIFY(daemon.start());
        auto form = start({});
        form->ShowSettingsDialog();
        TSettingsForm& dialog = form->settingsForm();
        auto* enabled = dialog.findChild<QCheckBox*>(QStringLiteral("RigEnabled"));
        auto* model = dialog.findChild<QComboBox*>(QStringLiteral("RigModelBox"));
        auto* device = dialog.findChild<QLineEdit*>(QStringLiteral("RigDeviceBox"));
        auto* speed = dialog.findChild<QLineEdit*>(QStringLiteral("RigSpeedBox"));
        QVERIFY(enabled && model && device && speed);
        for (QWidget* w : std::initializer_list<QWidget*> { enabled, model, device, speed }) {
            QVERIFY(w->geometry().top() == 372 || w->geometry().top() == 398);
            QVERIFY(w->geometry().left() >= 120);
            QVERIFY(dialog.rect().contains(w->geometry()));
        }
        QCOMPARE(model->accessibleName(), QStringLiteral("Rig model"));
        QVERIFY(!enabled->isChecked());
        QCOMPARE(device->text(), QStringLiteral("localhost:4532"));
        QCOMPARE(speed->text(), QStringLiteral("9600"));
        // The library's list is made only once rig control is ticked.
        QTest::qWait(200);
        QCOMPARE(model->count(), 1);
        QCOMPARE(model->itemText(0), QStringLiteral("Hamlib NET rigctl"));
        enabled->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(model->count() > 100, 10000);
        QCOMPARE(model->itemText(0), QStringLiteral("Hamlib NET rigctl"));
        QCOMPARE(model->currentData().toInt(), 2);
        QVERIFY(model->toolTip().isEmpty());

        device->setText(daemon.address());
        speed->setText(QStringLiteral("99"));
        dialog.OKButtonClick();
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(form->settings().rigSpeed, 300);
        QTRY_COMPARE_WITH_TIMEOUT(
            status(*form), QStringLiteral("  Rig connected: Hamlib NET rigctl"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(text(*form, "BandN"), QStringLiteral("2m"), 10000);

        form->ShowSettingsDialog();
        enabled->setChecked(false);
        dialog.OKButtonClick();
        QCOMPARE(status(*form), QStringLiteral("  Rig control off"));
        form->close();
        const QByteArray ini = readAll(file("DOVavoviv.ini"));
        QVERIFY(ini.contains("[RIG]\r\nEnabled=0\r\nModel=2\r\nDevice="
            + daemon.address().toLatin1() + "\r\nSpeed=300\r\n"));
    }

    // A model the library cannot open, and no daemon at all: told once, logging goes on.
    void noRigToBeFound()
    {
        RigDaemon daemon; // never started: its port is closed
        auto form = start(daemonIni(daemon));
        QTRY_VERIFY_WITH_TIMEOUT(
            status(*form).startsWith(QLatin1String("  Rig not answering: ")), 10000);
        QTest::keyClicks(focus(), "vk3abc");
        QCOMPARE(text(*form, "CallsignN"), QStringLiteral("VK3ABC"));
    }
};

QTEST_MAIN(TestRigWindow)
#include "tst_rigwindow.moc"
