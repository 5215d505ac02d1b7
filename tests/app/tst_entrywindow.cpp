#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "LogFileStore.h"
#include "LogLine.h"
#include "QZMainForm.h"
#include "TestClock.h"
#include "TestFiles.h"

using namespace vorad;

class TestEntryWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<TestClock> m_clock;
    QStringList m_messages;
    std::function<void()> m_eventsHook;
    std::shared_ptr<LogFileStore> m_store;

    QString file(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<TQZMainForm> start(const QByteArray& extraIni = {})
    {
        QFile(file("QZVHF.LOG")).open(QIODevice::WriteOnly);
        QFile ini(file("DOVavoviv.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[CONTEST]\r\nCallsign=VK6XYZ\r\nDoublePoints16=0\r\n" + extraIni);
        ini.close();
        StartupEnvironment env;
        env.settingsPath = file("DOVavoviv.ini");
        env.workingDir = m_dir->path();
        env.locale = QLocale::c();
        env.clock = m_clock;
        env.store = m_store;
        env.store->setSyncEnabled(false);
        env.messageHook = [this](const QString& m) { m_messages.append(m); };
        env.eventsHook = [this] {
            if (m_eventsHook)
                std::exchange(m_eventsHook, nullptr)();
        };
        env.tickIntervalMs = 3600 * 1000; // the tests tick by hand
        auto form = std::make_unique<TQZMainForm>(env);
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("window not active");
        return form;
    }

    static QLineEdit* box(TQZMainForm& form, const char* name)
    {
        return form.findChild<QLineEdit*>(QString::fromLatin1(name));
    }

    static QWidget* focus() { return QApplication::focusWidget(); }

    static void type(const QString& text) { QTest::keyClicks(focus(), text); }
    static void enter() { QTest::keyClick(focus(), Qt::Key_Return); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_shared<TestClock>();
        m_clock->setUtc(QDate(2026, 8, 15), QTime(10, 0, 20), 8 * 3600);
        m_messages.clear();
        m_eventsHook = nullptr;
        m_store = std::make_shared<LogFileStore>();
    }

    // A contact kept in memory after a failed write is on disk when the program ends, and until
    // then the window never looks as after a good write.
    void contactsInMemoryReachTheDiskAtTheEnd_data()
    {
        QTest::addColumn<bool>("sessionEnds");
        QTest::newRow("window closed: the log takes them") << false;
        QTest::newRow("session ends: the log cannot, a rescue file does") << true;
    }

    void contactsInMemoryReachTheDiskAtTheEnd()
    {
        QFETCH(bool, sessionEnds);
        auto form = start();
        m_store->faults().write = true;
        type("vk3abc");
        enter();
        type("al");
        enter();
        type("12");
        enter();
        m_store->faults().write = false;
        QCOMPARE(form->findChild<QLabel*>(QStringLiteral("StatusPanel"))->text(),
            QStringLiteral("  LogBook NOT on disk - contacts kept in memory..."));
        QVERIFY(form->windowTitle().endsWith("[LogBook NOT on disk - kept in memory]"));
        const QStringList memory = form->logBook().lines();
        QCOMPARE(memory.size(), 1);
        QString holder = file("QZVHF.LOG");
        if (sessionEnds) {
            QDir().mkpath(file("QZVHF.LOG.new")); // the rewrite cannot make its new file
            form->ShutDown(true);
            const QStringList rescued = QDir(m_dir->path()).entryList({ "QZVHF-rescue-*.LOG" });
            QCOMPARE(rescued.size(), 1);
            holder = m_dir->filePath(rescued.first());
            QVERIFY(m_messages.constLast().contains(holder));
            QCOMPARE(form->settings().logFileName, holder); // the next start loads it
        } else {
            form->close();
        }
        QCOMPARE(ParseLogFile(readAll(holder)).lines, memory);
    }

    void roadOfOneContact()
    {
        auto form = start();
        QCOMPARE(focus(), box(*form, "CallsignN"));
        type("vk3abc");
        QCOMPARE(box(*form, "CallsignN")->text(), QStringLiteral("VK3ABC"));
        enter();
        QCOMPARE(focus(), box(*form, "NameN"));
        type("peter");
        enter();
        QCOMPARE(box(*form, "NameN")->text(), QStringLiteral("Peter"));
        QCOMPARE(focus(), box(*form, "RSTRxN"));
        m_clock->advance(45);
        type("12");
        enter();

        const QString line = FormatLogLine(
            "2m", "FM", "001", "VK3ABC", "Peter", "012", "10:01", "08-15-2026", "1");
        QCOMPARE(
            form->findChild<QListView*>("LogBook")->model()->index(0, 0).data().toString(), line);
        QCOMPARE(readAll(file("QZVHF.LOG")),
            QByteArray("\"08-15-2026\",\"10:01\",\"2m\",\"FM\",\"VK3ABC\",\"001\",\"012\",1,"
                       "\"Peter\"\r\n"));
        QCOMPARE(box(*form, "RSTTxN")->text(), QStringLiteral("    002"));
        QVERIFY(box(*form, "CallsignN")->text().isEmpty());
        QVERIFY(box(*form, "NameN")->text().isEmpty());
        QVERIFY(box(*form, "RSTRxN")->text().isEmpty());
        QCOMPARE(focus(), box(*form, "CallsignN"));
        QCOMPARE(form->findChild<QLabel*>("PointsTotal")->text(), QStringLiteral("1"));
        QCOMPARE(form->findChild<QLabel*>("StatusPanel")->text(),
            QStringLiteral("  Ready for new log entry..."));
        QVERIFY(m_messages.isEmpty());
    }

    void functionKeysStepBandAndMode()
    {
        auto form = start();
        QTest::keyClick(focus(), Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(box(*form, "BandN")->text(), QStringLiteral("70cm"));
        QTest::keyClick(focus(), Qt::Key_F7);
        QTest::keyClick(focus(), Qt::Key_F7);
        QCOMPARE(box(*form, "BandN")->text(), QStringLiteral("6m"));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(focus(), Qt::Key_F6);
        QCOMPARE(box(*form, "ModeN")->text(), QStringLiteral("CW"));
        QCOMPARE(box(*form, "PointsN")->text(), QStringLiteral("2"));
        QVERIFY(box(*form, "CallsignN")->text().isEmpty()); // F-keys type nothing
    }

    // Keys that arrive while a handler lets events run wait for it, and then go in order. A
    // callsign in the station's own call area lets events run in the middle of the commit.
    void burstOfKeysDuringACommit()
    {
        auto form = start();
        type("vk6abc");
        enter();
        type("al");
        enter();
        type("12");
        m_eventsHook = [] {
            enter(); // a second Enter on the same report
            type("vk2xyz"); // the next callsign, typed ahead
            enter();
        };
        enter();
        QCOMPARE(form->logBook().rowCount(), 1);
        QCOMPARE(ParseLogLine(form->logBook().lines().at(0)).callsign, QStringLiteral("VK6ABC"));
        QCOMPARE(ParseLogLine(form->logBook().lines().at(0)).rstReceived, QStringLiteral("012"));
        QCOMPARE(focus(), box(*form, "NameN"));
        QCOMPARE(box(*form, "CallsignN")->text(), QStringLiteral("VK2XYZ"));
        QCOMPARE(form->entry().record().callsign, QStringLiteral("VK2XYZ"));
        type("bo");
        enter();
        type("7");
        enter();
        QCOMPARE(form->logBook().rowCount(), 2);
        QCOMPARE(ParseLogLine(form->logBook().lines().at(1)).callsign, QStringLiteral("VK2XYZ"));
        QCOMPARE(ParseLogFile(readAll(file("QZVHF.LOG"))).lines, form->logBook().lines());
    }

    // A repeat shown with the logged contact's time, typed through fast, is stamped with the
    // time of its own.
    void fastRepeatIsStampedWithItsOwnTime()
    {
        auto form = start();
        for (const char* k : { "vk3abc", "al", "12" }) {
            type(QString::fromLatin1(k));
            enter();
        }
        m_clock->advance(150 * 60); // no tick in between
        for (const char* k : { "vk3abc", "", "34" }) {
            type(QString::fromLatin1(k));
            enter();
        }
        QCOMPARE(form->logBook().rowCount(), 2);
        QCOMPARE(ParseLogLine(form->logBook().lines().at(1)).time, QStringLiteral("12:30"));
    }

    // Even with every colour of the scheme the same, a refused repeat is never logged.
    void equalColoursCannotLogARefusedRepeat()
    {
        QByteArray colours = "[COLOUR]\r\n";
        for (const char* k : { "GoodQSO", "BadQSO", "EntryBox", "ListBox", "TitleColour",
                 "Features", "TextLabel", "FunctionT", "FunctionL", "FunctionB", "ColourForm" })
            colours += QByteArray(k) + "=255\r\n";
        auto form = start(colours);
        for (const char* k : { "vk3abc", "al", "12", "vk3abc" }) {
            type(QString::fromLatin1(k));
            enter();
        }
        QCOMPARE(focus(), box(*form, "RSTRxN"));
        box(*form, "RSTRxN")->clear();
        type("45");
        enter();
        QCOMPARE(form->logBook().rowCount(), 1);
    }

    // Every key a person can press, in whatever box has the focus, and pastes of what the file
    // cannot hold: nothing crashes and the file stays whole.
    void everyKeyInEveryBox()
    {
        auto form = start();
        QList<int> keys;
        for (int k = 0x20; k <= 0xff; ++k)
            keys.append(k);
        for (int k = Qt::Key_Escape; k <= Qt::Key_PageDown; ++k)
            keys.append(k);
        for (int k = Qt::Key_F1; k <= Qt::Key_F12; ++k)
            keys.append(k);
        const Qt::KeyboardModifiers mods[]
            = { Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier };
        QRandomGenerator rng(42);
        const QString pastes[] = { QString::fromUtf8("VK3,\"AB\"\nC\u20ac\U0001F600"),
            QString::fromUtf8("J\u00f6rg,\"x\""), QString(300, QLatin1Char('9')) };
        for (int round = 0; round < 4000; ++round) {
            const int key = keys.at(rng.bounded(keys.size()));
            if (key == Qt::Key_F10 || key == Qt::Key_Escape)
                continue; // quitting is another test
            if (round % 97 == 0) {
                QApplication::clipboard()->setText(pastes[rng.bounded(3)]);
                QTest::keyClick(focus(), Qt::Key_V, Qt::ControlModifier);
            } else if (round % 5 == 0) {
                enter();
            } else {
                const Qt::KeyboardModifiers mod = mods[rng.bounded(4)];
                const QString text = key < 0x100 && !(mod & (Qt::ControlModifier | Qt::AltModifier))
                    ? QString(QChar(mod & Qt::ShiftModifier ? key : QChar(key).toLower().unicode()))
                    : QString();
                QKeyEvent press(QEvent::KeyPress, key, mod, text);
                QApplication::sendEvent(focus(), &press);
                QKeyEvent release(QEvent::KeyRelease, key, mod, text);
                QApplication::sendEvent(focus(), &release);
            }
            if (round % 50 == 0) {
                m_clock->advance(61);
                form->SecondTickTimerTimer();
            }
            for (const char* name : { "RSTTxN", "CallsignN", "NameN", "RSTRxN" }) {
                const QString t = box(*form, name)->text();
                QVERIFY2(t == FilterEntryText(t, EntryKind::Name), qPrintable(t));
            }
        }
        const QByteArray bytes = readAll(file("QZVHF.LOG"));
        const LoadedLog loaded = ParseLogFile(bytes);
        QCOMPARE(loaded.lines, form->logBook().lines());
        QVERIFY(loaded.problems.isEmpty());
        for (const QByteArray& record : bytes.split('\n')) {
            if (!record.isEmpty())
                QCOMPARE(record.count(','), 8);
        }
        qInfo("%lld contacts logged from random keys",
            static_cast<long long>(form->logBook().rowCount()));
    }
};

QTEST_MAIN(TestEntryWindow)
#include "tst_entrywindow.moc"
