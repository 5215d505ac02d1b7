#include <algorithm>

#include <csignal>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include "LogFileStore.h"
#include "PasswordVault.h"
#include "QZMainForm.h"
#include "SummarySheet.h"
#include "TestClock.h"
#include "TestDesktop.h"
#include "TestFiles.h"
#include "TestWindow.h"
#include "net/MailPeer.h"
#include "net/TestCa.h"

using namespace vorad;

namespace {

// The dialog's 15 s wait for the server, shortened through its own setting: a silent server
// is given up as it would be, only sooner.
constexpr int AbortMs = 500;
// ... and its ten minutes for the verdict on the message.
constexpr int FinalMs = 1000;
// Any longer without a turn of the event loop, and the operator sees a frozen window.
constexpr qint64 FrozenMs = 1000;

const QString SentText = QStringLiteral("     Log Sent to contest manager...");
const QString NotSent = QStringLiteral("     Log not sent: ");

// 3,000 contacts, a contest's worth: the attachment alone is thousands of lines, so a DATA cut
// off is cut off inside the message, and a slow line takes its time over it.
QByteArray records(int count)
{
    QByteArray log;
    for (int i = 1; i <= count; ++i)
        log += QStringLiteral("\"08-15-2026\",\"%1:%2\",\"2m\",\"FM\",\"VK%3\",\"59%4\",\"59012\","
                              "1,\"Peter\"\r\n")
                   .arg((9 + i / 60) % 24, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .arg(i, 4, 10, QLatin1Char('0'))
                   .arg(i, 3, 10, QLatin1Char('0'))
                   .toLatin1();
    return log;
}

// A server that takes the envelope and says to go ahead with the message.
const QByteArray ToGoAhead = "send 220 vorad.test\\r\\n\nread\nsend 250 hello\\r\\n\nread\n"
                             "send 250 sender ok\\r\\n\nread\nsend 250 recipient ok\\r\\n\nread\n"
                             "send 354 go ahead\\r\\n\n";

// Runs `work`, and `watch` on a 10 ms timer meanwhile.
void watching(const std::function<void()>& watch, const std::function<void()>& work)
{
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, watch);
    tick.start();
    work();
}

// The longest the event loop went without running a 10 ms timer while `work` ran.
qint64 longestGap(const std::function<void()>& work)
{
    QElapsedTimer clock;
    qint64 longest = 0;
    clock.start();
    watching([&] { longest = std::max(longest, clock.restart()); }, work);
    return std::max(longest, clock.elapsed());
}

// Counts the paints of a widget.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

// A keyring in memory that answers at the next turn of the event loop, as a real one would.
struct MemoryVault : PasswordVault
{
    QHash<QString, QString> kept;
    QString keepError; // when set, keep fails with it

    static void later(const Done& done, VaultAnswer answer)
    {
        QTimer::singleShot(0, [done, answer] { done(answer); });
    }
    void read(const QString& account, Done done) override
    {
        VaultAnswer a;
        a.kind = kept.contains(account) ? VaultAnswer::Found : VaultAnswer::Missing;
        a.password = kept.value(account);
        later(done, a);
    }
    void keep(const QString& account, const QString& password, Done done) override
    {
        VaultAnswer a;
        a.kind = keepError.isEmpty() ? VaultAnswer::Found : VaultAnswer::Failed;
        a.error = keepError;
        if (keepError.isEmpty())
            kept.insert(account, password);
        later(done, a);
    }
    void forget(const QString& account, Done done) override
    {
        kept.remove(account);
        later(done, VaultAnswer { VaultAnswer::Found, {}, {} });
    }
};

const QString Password = QStringLiteral("fake-pw-1");

} // namespace

// Hostile mail servers met through the e-mail dialog as the operator uses it: "Email Log"
// from the menu, a click on "Send", and after each failure a retry against a server that works.
class TestSmtpSettingsForm : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folderBefore;
    MailPeer m_store;
    std::unique_ptr<TQZMainForm> m_form;
    QStringList m_messages;
    QStringList m_questions;
    int m_cases = 0;
    qint64 m_hostileBytes = 0;
    qint64 m_longestGap = 0;
    QByteArray m_longestGapRow;
    int m_told = 0;
    int m_errorBoxes = 0; // exceptions that got as far as the error box; a crash ends the run
    int m_sent = 0;
    int m_secureSent = 0;
    std::shared_ptr<MemoryVault> m_vault = std::make_shared<MemoryVault>();

    QString file(const QString& name) const { return m_dir.filePath(name); }
    TSmtpSettingsForm& dialog() { return m_form->emailForm(); }
    QPushButton* button(const char* name) { return dialog().findChild<QPushButton*>(name); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    QLineEdit* box(const char* name) { return dialog().findChild<QLineEdit*>(name); }
    void emailLog() { m_form->findChild<QAction*>(QStringLiteral("EmailLog1"))->trigger(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir().mkpath(file(QStringLiteral("store")));
        QVERIFY(m_store.start(QStringLiteral("store"), file(QStringLiteral("store"))));
        m_folderBefore = QDir::currentPath();
        QDir::setCurrent(m_dir.path()); // where "Email Log" writes the attachment
        writeFile(file(QStringLiteral("QZVHF.LOG")), records(3000));
        writeFile(file(QStringLiteral("DOVavoviv.ini")),
            "[CONTEST]\r\nCallsign=VK6XYZ\r\nName=Anne Smith\r\nAddress=1 Main St Perth\r\n"
            "[DATA]\r\nKHostName=127.0.0.1\r\nKFrom=op@example.net\r\nKTo=cm@example.org\r\n");
        auto clock = std::make_shared<TestClock>();
        clock->setUtc(QDate(2026, 8, 16), QTime(10, 0), 8 * 3600);
        StartupEnvironment env = TestEnvironment(m_dir.path(), clock);
        DesktopOf(env).messages = [this](const QString& m) { m_messages.append(m); };
        DesktopOf(env).questions = [this](const QString& q) {
            m_questions.append(q);
            return true;
        };
        env.watchSessionEnd = true; // SIGTERM during a send, as a logout sends it
        env.vault = m_vault;
        m_form = std::make_unique<TQZMainForm>(env);
    }

    void cleanupTestCase()
    {
        qInfo("hostile mail server campaign: %d cases run, %lld bytes of hostile input sent, "
              "longest event-loop gap %lld ms (%s), %d failures told, %d crashes (error boxes), "
              "%d retries sent",
            m_cases, m_hostileBytes, m_longestGap, m_longestGapRow.constData(), m_told,
            m_errorBoxes, m_sent);
        m_form.reset();
        QDir::setCurrent(m_folderBefore);
    }

    // A row that failed half-way leaves the dialog as it was: the next starts from "Quit".
    void cleanup()
    {
        for (int i = 0; i < 2 && dialog().isVisible() && !m_form->sessionEnded(); ++i)
            click("QuitButton");
        dialog().setAbortInterval(TSmtpSettingsForm::AbortIntervalMs);
        dialog().setFinalReplyInterval(TSmtpSettingsForm::FinalReplyIntervalMs);
        // The plain road of the other tests: no account, no security.
        box("UserEdit")->clear();
        box("PasswordEdit")->clear();
        dialog().findChild<QComboBox*>(QStringLiteral("SecurityBox"))->setCurrentIndex(0);
        dialog().findChild<QCheckBox*>(QStringLiteral("RememberBox"))->setChecked(false);
    }

    void portProposesSecurity_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("security"); // the box's item after typing, from None
        QTest::newRow("587") << "587" << 1;
        QTest::newRow("465") << "465" << 2;
        QTest::newRow("2525") << "2525" << 0;
    }

    void portProposesSecurity()
    {
        QFETCH(QString, port);
        QFETCH(int, security);
        emailLog();
        box("PortEdit")->selectAll();
        QTest::keyClicks(box("PortEdit"), port);
        QCOMPARE(dialog().findChild<QComboBox*>(QStringLiteral("SecurityBox"))->currentIndex(),
            security);
    }

    // A signed-in send over STARTTLS as the operator makes it: the password typed or from the
    // keyring, kept there when ticked, asked for when missing; the Cabrillo log goes second.
    void accountSend_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("inKeyring"); // before the dialog is shown
        QTest::addColumn<QString>("keepError");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("keptAfter");
        const QString refused = NotSent
            + "The server refused the user name or password (535 5.7.8 Authentication "
              "credentials invalid): check both";
        QTest::newRow("asked at Send")
            << "" << false << false << ""
            << "     Password needed: type it in the Password box, then Send." << false;
        QTest::newRow("typed, not remembered")
            << Password << false << false << "" << SentText << false;
        QTest::newRow("typed and remembered")
            << Password << true << false << "" << SentText << true;
        QTest::newRow("from the keyring") << "" << true << true << "" << SentText << true;
        QTest::newRow("wrong password, not kept")
            << "fake-pw-wrong" << true << false << "" << refused << false;
        QTest::newRow("the keyring refuses it")
            << Password << true << false << "locked"
            << SentText + " (the keyring did not keep the password: locked)" << false;
    }

    void accountSend()
    {
        QFETCH(QString, typed);
        QFETCH(bool, remember);
        QFETCH(bool, inKeyring);
        QFETCH(QString, keepError);
        QFETCH(QString, status);
        QFETCH(bool, keptAfter);
        TestCa ca(m_dir.path());
        if (!QFileInfo::exists(ca.path("server.pem"))
            && !(ca.makeAuthority("mailca", "Test CA")
                && ca.makeCert("server", "mailca", "IP:127.0.0.1", 30)))
            QSKIP("openssl could not make the test's certificates");
        ca.trustOnly("mailca");
        const QString folder
            = file(QStringLiteral("tls-%1").arg(QTest::currentDataTag()).replace(' ', '_'));
        QDir().mkpath(folder);
        MailPeer peer;
        if (!peer.startWith({ VORAD_TESTS_DIR "/net/tls_peer.py", "starttls", ca.path("server.pem"),
                ca.path("server.key"), folder }))
            QSKIP("no aiosmtpd");
        const QString account = MailAccount("op", "127.0.0.1", peer.port);
        m_vault->kept.clear();
        if (inKeyring)
            m_vault->kept.insert(account, Password);
        m_vault->keepError = keepError;

        // The operator fills the account in and leaves; the next showing reads the keyring.
        emailLog();
        dialog().setServicePort(QString::number(peer.port));
        dialog().findChild<QComboBox*>(QStringLiteral("SecurityBox"))->setCurrentIndex(1);
        box("UserEdit")->setText("op");
        dialog().findChild<QCheckBox*>(QStringLiteral("RememberBox"))->setChecked(remember);
        click("QuitButton");
        emailLog();
        QVERIFY(runUntil([&] { return !inKeyring || !box("PasswordEdit")->text().isEmpty(); }));
        if (!typed.isEmpty())
            QTest::keyClicks(box("PasswordEdit"), typed);
        click("EmailButton");
        QVERIFY(runUntil([&] { return dialog().statusText().startsWith(status); }));
        QCOMPARE(dialog().statusText(), status);
        QCOMPARE(m_vault->kept.value(account), keptAfter ? Password : QString());
        const QStringList mails = QDir(folder).entryList({ QStringLiteral("*.eml") });
        QCOMPARE(mails.size(), status.startsWith(SentText) ? 1 : 0);
        if (!mails.isEmpty()) {
            const QByteArray mail = readAll(folder + QLatin1Char('/') + mails.first());
            const qsizetype csv = mail.indexOf("filename=\"VK6XYZ_VHF.CSV\"");
            QVERIFY(csv > 0);
            QVERIFY(mail.indexOf("filename=\"VK6XYZ_VHF.cbr\"") > csv);
            ++m_secureSent;
        }
        QVERIFY(runUntil([&] { return !dialog().client().Connected(); }));
        click("QuitButton");
        // Not in the settings file, the log, its exports or anything else the program wrote.
        for (QDirIterator it(m_dir.path(), QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QByteArray bytes = readAll(it.next());
            for (const QByteArray& form : { Password.toLatin1(), Password.toLatin1().toBase64(),
                     QByteArray("\0op\0" + Password.toLatin1()).toBase64() })
                QVERIFY2(!bytes.contains(form), qPrintable(it.filePath()));
        }
    }

    // Each peer ends its script by staying connected and silent; the client going ends it.
    void hostileServer_data()
    {
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<QString>("status"); // the status line once the send has ended
        QTest::addColumn<QString>("got"); // what the peer read outside a message, "|" between

        const QByteArray greet = "send 220 vorad.test\\r\\n\nread\nsend 250 hello\\r\\n\n";
        const QByteArray envelope
            = greet + "read\nsend 250 sender ok\\r\\n\nread\nsend 250 recipient ok\\r\\n\n";
        const QByteArray data = envelope + "read\nsend 354 go ahead\\r\\n\n";
        const QString helo = "HELO Vandrel";
        const QString toData = "HELO Vandrel|MAIL FROM:<op@example.net>|RCPT TO:<cm@example.org>|"
                               "DATA";
        const QString tooLong
            = NotSent + "500 The server sent a reply line longer than 4094 characters";
        // Whatever ends the send without the server's acceptance says that the log did not go.
        const QString silent = NotSent + "no reply from the server for 0.5 s";
        const QString closed = NotSent + "the connection was closed (last: ";

        QTest::newRow("endless greeting")
            << QByteArray("sendfor 60 220-welcome\\r\\n\n") << silent + " (last: 220-welcome)"
            << "";
        QTest::newRow("reply that never ends")
            << QByteArray("send 220 hi\\r\\n\nread\nsendfor 60 250-more\\r\\n\n")
            << silent + " (last: 250-more)" << helo;
        QTest::newRow("line that never ends")
            << QByteArray("send 220 hi\\r\\n\nread\nsendfor 60 250 x\n") << tooLong << helo;
        QTest::newRow("lines without CR LF")
            << QByteArray("send 220 hi\\n250 ok\\n220 again\\r\nsleep 60\n") << silent << "";
        QTest::newRow("binary greeting")
            << QByteArray("send \\x00\\x01\\x1b[2J\\xff\\xfe\\x7f\\r\\n\nsleep 60\n")
            << NotSent + QString::fromLatin1("\0\x01\x1b[2J\xff\xfe\x7f", 9) << "";
        QTest::newRow("binary noise after HELO")
            << greet.left(greet.indexOf("send 250")) + "sendnoise 200000\nsleep 60\n"
            << tooLong << helo;
        // Given up at the dialog's own time-out, long before the greeting comes.
        QTest::newRow("greeting after 60 s")
            << QByteArray("sleep 60\nsend 220 late\\r\\n\n") << silent << "";
        QTest::newRow("silent after HELO") << QByteArray("send 220 hi\\r\\n\nread\nsleep 60\n")
                                           << silent + " (last: 220 hi)" << helo;
        QTest::newRow("silent after MAIL") << greet + "read\nsleep 60\n"
                                           << silent + " (last: 250 hello)"
                                           << "HELO Vandrel|MAIL FROM:<op@example.net>";
        QTest::newRow("reset after HELO")
            << QByteArray("send 220 hi\\r\\n\nread\nreset\n") << closed + "220 hi)" << helo;
        QTest::newRow("silent after DATA") << envelope + "read\nsleep 60\n"
                                           << silent + " (last: 250 recipient ok)" << toData;
        // The verdict on the message is waited for longer than a reply to a command.
        QTest::newRow("silent after the message")
            << data + "readto .\nsleep 60\n"
            << NotSent + "no reply from the server for 1 s (last: 354 go ahead)" << toData + "|.";
        // A consent that comes before the message is no consent to it.
        QTest::newRow("acceptance before the message")
            << envelope + "read\nsend 354 go ahead\\r\\n250 accepted\\r\\n\nreadto .\nsleep 60\n"
            << NotSent + "no reply from the server for 1 s (last: 250 accepted)" << toData + "|.";
        // Refused, or answered without a code: not one line of the message may follow. The
        // connection stays, so "Quit" says goodbye.
        QTest::newRow("DATA refused") << envelope + "read\nsend 554 no thanks\\r\\n\nsleep 60\n"
                                      << NotSent + "554 no thanks" << toData + "|QUIT";
        QTest::newRow("DATA answered without a code")
            << envelope + "read\nsend go ahead\\r\\n\nsleep 60\n"
            << NotSent + "go ahead" << toData + "|QUIT";
        QTest::newRow("hang-up at the go-ahead") << data + "shutdown\n"
                                                 << closed + "354 go ahead)" << toData;
        QTest::newRow("reset in the middle of DATA") << data + "read\nread\nread\nreset\n"
                                                     << closed + "354 go ahead)" << toData;
    }

    void hostileServer()
    {
        QFETCH(QByteArray, steps);
        QFETCH(QString, status);
        QFETCH(QString, got);
        const QString script
            = file(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), '_'));
        QVERIFY(writeFile(script, steps));
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), script));
        ++m_cases;
        m_messages.clear();

        emailLog();
        QVERIFY(dialog().isVisible());
        QVERIFY(button("EmailButton")->isEnabled());
        dialog().setServicePort(QString::number(peer.port));
        dialog().setAbortInterval(AbortMs);
        dialog().setFinalReplyInterval(FinalMs);
        PaintCounter painted;
        dialog().findChild<QWidget*>(QStringLiteral("StatusPanel"))->installEventFilter(&painted);
        const qint64 gap = longestGap([&] { click("EmailButton"); });
        dialog().findChild<QWidget*>(QStringLiteral("StatusPanel"))->removeEventFilter(&painted);
        if (gap > m_longestGap) {
            m_longestGap = gap;
            m_longestGapRow = QTest::currentDataTag();
        }
        QVERIFY2(gap < FrozenMs, qPrintable(QStringLiteral("frozen for %1 ms").arg(gap)));
        QVERIFY(!dialog().sending());
        QCoreApplication::processEvents(); // the completions still posted
        QCOMPARE(dialog().statusText(), status);
        ++m_told;
        QVERIFY(!button("EmailButton")->isEnabled());
        QVERIFY(button("QuitButton")->isEnabled());

        // The operator tries again without restarting: "Quit", "Email Log", "Send".
        dialog().setAbortInterval(TSmtpSettingsForm::AbortIntervalMs);
        dialog().setFinalReplyInterval(TSmtpSettingsForm::FinalReplyIntervalMs);
        click("QuitButton");
        QVERIFY(!dialog().isVisible());
        emailLog();
        QVERIFY(button("EmailButton")->isEnabled());
        dialog().setServicePort(QString::number(m_store.port));
        click("EmailButton");
        QCOMPARE(dialog().statusText(), SentText);
        ++m_sent;
        QVERIFY(runUntil([&] { return !dialog().client().Connected(); })); // the goodbye
        click("QuitButton");
        QVERIFY(!dialog().isVisible());
        QCOMPARE(QDir(file(QStringLiteral("store"))).entryList({ QStringLiteral("*.eml") }).size(),
            m_sent);

        for (const QString& m : std::as_const(m_messages))
            if (m != EmailAttentionText)
                ++m_errorBoxes;
        QCOMPARE(m_messages, QStringList({ EmailAttentionText, EmailAttentionText }));
        QVERIFY(peer.finish());
        m_hostileBytes += peer.sent;
        // A flood of reply lines is shown, not painted line by line: a paint per 2 KB at most,
        // where a paint per line would be one per ten bytes or so.
        if (peer.sent > 1'000'000)
            QVERIFY2(
                painted.paints < peer.sent / 2000, qPrintable(QString::number(painted.paints)));
        QCOMPARE(QString::fromLatin1(readAll(script + QStringLiteral(".got"))).trimmed(),
            got.replace(QLatin1Char('|'), QLatin1Char('\n')));
    }

    // Mail readers take "a; b" in the header for one address: the header separates them with
    // commas, the envelope has one recipient each.
    void recipientsHeader()
    {
        emailLog();
        auto* to = dialog().findChild<QLineEdit*>(QStringLiteral("ToEdit"));
        to->setText(QStringLiteral("cm@example.org; log@example.org"));
        dialog().setServicePort(QString::number(m_store.port));
        click("EmailButton");
        QCOMPARE(dialog().statusText(), SentText);
        QVERIFY(runUntil([&] { return !dialog().client().Connected(); }));
        click("QuitButton");
        to->setText(QStringLiteral("cm@example.org"));
        const QString stored = file(QStringLiteral("store/%1").arg(m_sent + 1));
        QCOMPARE(readAll(stored + QStringLiteral(".env")),
            "op@example.net\ncm@example.org\nlog@example.org\n");
        QStringList addresses;
        for (const QJsonValue& a :
            parseMail(stored + QStringLiteral(".eml"))["to_addresses"].toArray())
            addresses.append(a.toString());
        QCOMPARE(addresses, QStringList({ "cm@example.org", "log@example.org" }));
    }

    // A refusal ends the send when it comes, not when the silence limit runs out.
    void refusalEndsTheSend()
    {
        const QString script = file(QStringLiteral("refusal"));
        QVERIFY(
            writeFile(script, "send 220 vorad.test\\r\\n\nread\nsend 550 go away\\r\\n\nread\n"));
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), script));
        emailLog();
        dialog().setServicePort(QString::number(peer.port));
        dialog().setAbortInterval(60000);
        bool stillSending = false;
        QTimer guard; // ends with the test, so it never reaches the next one
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            stillSending = dialog().sending();
            if (stillSending)
                dialog().close();
        });
        guard.start(5000);
        click("EmailButton");
        QVERIFY(!stillSending);
        QCOMPARE(dialog().statusText(), NotSent + "550 go away");
        click("QuitButton"); // the goodbye the peer waits for
        QVERIFY(peer.finish());
    }

    // A slow line, or a slow verdict: the limit is on silence, not on the whole send.
    void slowServer_data()
    {
        QTest::addColumn<QByteArray>("steps");
        // The verdict is waited for at length; on the slow lines it follows the last bytes at
        // once, before or after the wait begins.
        QTest::addColumn<bool>("thinks");
        const QByteArray verdict = "send 250 accepted\\r\\n\nread\nsend 221 bye\\r\\n\n";
        // A narrow window read at 100 kB/s: the send takes several silence limits.
        QTest::newRow("slow line")
            << "rcvbuf 16384\n" + ToGoAhead + "throttle 100000\nreadto .\n" + verdict << false;
        // Room is told only after more than a limit's worth has gone: the bytes acknowledged
        // meanwhile keep the send going.
        QTest::newRow("slower line")
            << "rcvbuf 4096\n" + ToGoAhead + "throttle 20000\nreadto .\n" + verdict << false;
        QTest::newRow("verdict after 2 s") << ToGoAhead + "readto .\nsleep 2\n" + verdict << true;
    }

    void slowServer()
    {
        QFETCH(QByteArray, steps);
        QFETCH(bool, thinks);
        const QString script
            = file(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), '_'));
        QVERIFY(writeFile(script, steps));
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), script));
        emailLog();
        dialog().setServicePort(QString::number(peer.port));
        auto* timer = dialog().findChild<QTimer*>(QStringLiteral("SmtpAbortTimer"));
        QCOMPARE(timer->interval(), 15000);
        // A drained write comes every quarter second or so here: a second is a silence.
        dialog().setAbortInterval(1000); // the verdict keeps its ten minutes
        int longest = 0;
        watching([&] { longest = std::max(longest, timer->isActive() ? timer->interval() : 0); },
            [&] { click("EmailButton"); });
        QCOMPARE(dialog().statusText(), SentText);
        if (thinks)
            QCOMPARE(longest, 600000);
        QVERIFY(runUntil([&] { return !dialog().client().Connected(); }));
        click("QuitButton");
        QVERIFY(peer.finish());
        QCOMPARE(QString::fromLatin1(readAll(script + QStringLiteral(".got"))).trimmed(),
            QStringLiteral("HELO Vandrel\nMAIL FROM:<op@example.net>\nRCPT TO:<cm@example.org>\n"
                           "DATA\n.\nQUIT"));
        // The whole message, up to its closing boundary.
        QVERIFY(readAll(script + QStringLiteral(".data")).trimmed().endsWith("--"));
    }

    // A line that dies with the end of the message still on it is told at the silence limit:
    // the long wait is for a server that has taken the whole message.
    void lineDiesBeforeTheEnd()
    {
        const QString script = file(QStringLiteral("stalled"));
        QVERIFY(writeFile(script, "rcvbuf 4096\n" + ToGoAhead + "stall 5\n"));
        // Small enough for the "." to get into the system's buffer, too big for the peer's.
        const QString attachment = file(QStringLiteral("small.csv"));
        QVERIFY(writeFile(attachment, records(200)));
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), script));
        emailLog();
        dialog().setAttachmentPath(attachment);
        dialog().findChild<QCheckBox*>(QStringLiteral("CabrilloBox"))->setChecked(false);
        dialog().setServicePort(QString::number(peer.port));
        dialog().setAbortInterval(1000);
        dialog().setFinalReplyInterval(20000);
        bool stranded = false; // the "." written, part of the message not taken
        watching(
            [&] {
                stranded = stranded
                    || (dialog().client().AwaitingAcceptance()
                        && dialog().client().socket().BytesUnacknowledged() > 0);
            },
            [&] { click("EmailButton"); });
        QVERIFY(stranded);
        QCOMPARE(dialog().statusText(),
            NotSent + "no reply from the server for 1 s (last: 354 go ahead)");
        QVERIFY(peer.finish());
    }

    // What the port box takes as a port is the port the send goes to.
    void portAsTyped_data()
    {
        QTest::addColumn<QString>("prefix"); // before the server's port number
        QTest::newRow("plus sign") << "+";
        QTest::newRow("leading zero") << "0";
    }

    void portAsTyped()
    {
        QFETCH(QString, prefix);
        emailLog();
        QLineEdit* port = box("PortEdit");
        port->clear();
        QTest::keyClicks(port, prefix + QString::number(m_store.port));
        QVERIFY(port->hasAcceptableInput());
        click("EmailButton");
        QVERIFY(runUntil([&] { return !dialog().sending(); }));
        QCOMPARE(dialog().statusText(), SentText);
        ++m_sent;
        QVERIFY(runUntil([&] { return !dialog().client().Connected(); }));
    }

    // "Email Log" writes the Cabrillo log beside the CSV file: a file of that name the operator
    // already has there (an entry finished by hand, another contest's) is not replaced unasked,
    // and not touched at all when the attachment is not wanted.
    void emailCabrilloKeepsAFileThere_data()
    {
        QTest::addColumn<bool>("attach");
        QTest::newRow("attachment ticked") << true;
        QTest::newRow("attachment unticked") << false;
    }

    void emailCabrilloKeepsAFileThere()
    {
        QFETCH(bool, attach);
        auto* tick = dialog().findChild<QCheckBox*>(QStringLiteral("CabrilloBox"));
        emailLog();
        if (tick->isChecked() != attach)
            tick->click();
        click("QuitButton");
        const QString cbr = file(QStringLiteral("VK6XYZ_VHF.cbr"));
        const QByteArray mine = "START-OF-LOG: 3.0\r\nCALLSIGN: VK6XYZ\r\nSOAPBOX: finished by "
                                "hand\r\nEND-OF-LOG:\r\n";
        QVERIFY(writeFile(cbr, mine));
        m_questions.clear();
        emailLog();
        const QByteArray after = readAll(cbr);
        const bool asked = !m_questions.isEmpty();
        if (!tick->isChecked())
            tick->click();
        click("QuitButton");
        if (attach)
            QVERIFY2(after == mine || asked, "replaced without a question");
        else
            QCOMPARE(after, mine);
    }

    // A Cabrillo log that could not be written is not blamed on a missing callsign.
    void cabrilloNotWrittenIsToldAsSuch()
    {
        emailLog();
        click("QuitButton");
        const QString cbr = dialog().cabrilloPath();
        QVERIFY(QFile::remove(cbr));
        QVERIFY(QDir().mkdir(cbr)); // in the way of the file
        m_messages.clear();
        emailLog();
        QDir().rmdir(cbr);
        QCOMPARE(m_messages.filter(QStringLiteral("could not be written")).size(), 1);
        QVERIFY(dialog().attachesCabrillo());
        dialog().setServicePort(QString::number(m_store.port));
        click("EmailButton");
        QVERIFY2(!dialog().statusText().contains(QLatin1String("set your callsign")),
            qPrintable(dialog().statusText()));
    }

    // The keyring's password belongs to the account it was kept for: typed over with another
    // user name, the box no longer offers it for the send.
    void keptPasswordStaysWithItsAccount()
    {
        TestCa ca(m_dir.path());
        if (!QFileInfo::exists(ca.path("server.pem"))
            && !(ca.makeAuthority("mailca", "Test CA")
                && ca.makeCert("server", "mailca", "IP:127.0.0.1", 30)))
            QSKIP("openssl could not make the test's certificates");
        ca.trustOnly("mailca");
        const QString folder = file(QStringLiteral("tls-other-account"));
        QDir().mkpath(folder);
        MailPeer peer;
        if (!peer.startWith({ VORAD_TESTS_DIR "/net/tls_peer.py", "starttls", ca.path("server.pem"),
                ca.path("server.key"), folder }))
            QSKIP("no aiosmtpd");
        m_vault->kept.clear();
        m_vault->keepError.clear();
        m_vault->kept.insert(MailAccount("op", "127.0.0.1", peer.port), Password);

        emailLog();
        dialog().setServicePort(QString::number(peer.port));
        dialog().findChild<QComboBox*>(QStringLiteral("SecurityBox"))->setCurrentIndex(1);
        box("UserEdit")->setText("op");
        dialog().findChild<QCheckBox*>(QStringLiteral("RememberBox"))->setChecked(true);
        click("QuitButton");
        emailLog();
        QVERIFY(runUntil([&] { return !box("PasswordEdit")->text().isEmpty(); }));
        box("UserEdit")->selectAll();
        QTest::keyClicks(box("UserEdit"), QStringLiteral("op2"));
        click("EmailButton");
        QVERIFY(runUntil([&] { return !dialog().sending(); }));
        const QString status = dialog().statusText();
        QVERIFY(runUntil([&] { return !dialog().client().Connected(); }));
        QCOMPARE(status,
            QStringLiteral("     Password needed: type it in the Password box, then "
                           "Send."));
    }

    // A secure connection to a port that never answers says what to check, as one refused
    // does.
    void silentSecurePort_data()
    {
        QTest::addColumn<int>("security");
        QTest::newRow("TLS") << 2;
        QTest::newRow("STARTTLS") << 1;
    }

    void silentSecurePort()
    {
        QFETCH(int, security);
        const QString script = file(QStringLiteral("silent-%1").arg(security));
        QVERIFY(writeFile(script, "sleep 60\n"));
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), script));
        emailLog();
        dialog().setServicePort(QString::number(peer.port));
        dialog().findChild<QComboBox*>(QStringLiteral("SecurityBox"))->setCurrentIndex(security);
        dialog().setAbortInterval(AbortMs);
        click("EmailButton");
        QVERIFY(runUntil([&] { return !dialog().sending(); }));
        QVERIFY2(dialog().statusText().contains(QLatin1String("port")),
            qPrintable(dialog().statusText()));
    }

    // The close box, "Quit" and SIGTERM stop a send waiting on the verdict at once, and a hang-up
    // ends the wait too. The rows that quit the program come last.
    void stopWhileWaiting_data()
    {
        // "close", "quit", "signal", or nothing: the server ends it
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QByteArray>("end"); // the server's steps after the message
        QTest::addColumn<QString>("status");
        QTest::newRow("close box")
            << "close" << QByteArray("sleep 60\n") << NotSent + "stopped by the operator";
        QTest::newRow("reset by the server")
            << "" << QByteArray("sleep 0.5\nreset\n")
            << NotSent + "the connection was closed (last: 354 go ahead)";
        QTest::newRow("Quit") << "quit" << QByteArray("sleep 60\n") << "";
        QTest::newRow("SIGTERM") << "signal" << QByteArray("sleep 60\n") << "";
    }

    void stopWhileWaiting()
    {
        QFETCH(QString, stop);
        QFETCH(QByteArray, end);
        QFETCH(QString, status);
        const QString script = file(QStringLiteral("stop%1").arg(stop));
        QVERIFY(writeFile(script, ToGoAhead + "readto .\n" + end));
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), script));
        emailLog();
        dialog().setServicePort(QString::number(peer.port));
        // Shortened only so that a send that sits a wait out fails in seconds.
        dialog().setAbortInterval(1000);
        dialog().setFinalReplyInterval(20000);
        QString shown;
        QElapsedTimer sinceStop;
        const auto stopOnce = [&] {
            if (sinceStop.isValid() || !dialog().client().AwaitingAcceptance()
                || !dialog().statusText().startsWith(QLatin1String("     Waiting")))
                return;
            shown = dialog().statusText();
            sinceStop.start();
            if (stop == QLatin1String("signal"))
                ::kill(::getpid(), SIGTERM);
            else if (stop == QLatin1String("close"))
                dialog().close();
            else if (stop == QLatin1String("quit"))
                m_form->findChild<QAction*>(QStringLiteral("QuitFromMenu"))->trigger();
        };
        watching(stopOnce, [&] { click("EmailButton"); });
        QCOMPARE(shown, "     Waiting for the server to accept the log...");
        QVERIFY2(sinceStop.elapsed() < 5000, qPrintable(QString::number(sinceStop.elapsed())));
        QVERIFY(!dialog().sending());
        QVERIFY(!dialog().client().Connected());
        QCOMPARE(m_form->sessionEnded(), stop == QLatin1String("signal"));
        if (!status.isEmpty())
            QCOMPARE(dialog().statusText(), status);
        QVERIFY(peer.finish());
    }
};

QTEST_MAIN(TestSmtpSettingsForm)
#include "tst_smtpsettingsform.moc"
