#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <utility>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "MailPeer.h"
#include "SmtpCli.h"
#include "TestCa.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

// Obviously not anyone's: the peer's one account, and a wrong guess at it.
const QString User = QStringLiteral("op");
const QString Password = QStringLiteral("fake-pw-1");
const QString WrongPassword = QStringLiteral("fake-pw-wrong");

// Every way a secret could leak into what the operator or a log sees.
QStringList secretForms()
{
    QStringList forms;
    for (const QString& p : { Password, WrongPassword }) {
        forms << p << QString::fromLatin1(p.toUtf8().toBase64());
        forms << QString::fromLatin1(
            (QByteArray(1, '\0') + User.toUtf8() + QByteArray(1, '\0') + p.toUtf8()).toBase64());
    }
    return forms;
}

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

// A server in memory that answers each line sent with the next of its replies.
class ScriptedStream : public ByteStream
{
public:
    QList<QByteArray> replies;
    QByteArray sent;

    void Connect() override
    {
        m_open = true;
        if (OnSessionConnected)
            OnSessionConnected(0);
        deliver();
    }
    int Send(const char* data, int count) override
    {
        sent.append(data, count);
        deliver();
        return count;
    }
    int Receive(char* buffer, int size) override
    {
        const int n = std::min(size, int(m_pending.size()));
        std::memcpy(buffer, m_pending.constData(), size_t(n));
        m_pending.remove(0, n);
        return n;
    }
    bool IsConnected() const override { return m_open; }
    void Close() override { Abort(); }
    void Abort() override
    {
        if (std::exchange(m_open, false) && OnSessionClosed)
            OnSessionClosed(0);
    }

private:
    void deliver()
    {
        if (replies.isEmpty())
            return;
        m_pending += replies.takeFirst();
        if (OnDataAvailable)
            OnDataAvailable(0);
    }
    bool m_open = false;
    QByteArray m_pending;
};

} // namespace

class TestMailTls : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    TestCa m_ca { m_dir.path() };

    QString path(const QString& name) const { return m_dir.filePath(name); }
    bool makeCert(const QString& base, const QString& ca, const QString& name, int days)
    {
        return m_ca.makeCert(base, ca, name, days);
    }

    void setUp(TSmtpCli& client, int port, QStringList& texts)
    {
        client.Host = QStringLiteral("localhost");
        client.Port = QString::number(port);
        client.SignOn = QStringLiteral("Vandrel");
        client.FromName = client.HdrFrom = QStringLiteral("op@example.net");
        client.RcptName = QStringList { QStringLiteral("cm@example.org") };
        client.HdrTo = QStringLiteral("cm@example.org");
        client.HdrSubject = QStringLiteral("Log");
        client.MailMessage = QStringList { QStringLiteral("Line one"), QStringLiteral(".dot") };
        const QString csv = path(QStringLiteral("LOG.CSV"));
        client.SetEmailFiles({ csv });
        client.OnDisplay = [&texts](const QString& t) { texts << t; };
        client.OnCommand = [&texts](const QString& t) { texts << t; };
        client.OnResponse = [&texts](const QString& t) { texts << t; };
    }

    static void verifyNoSecret(const QStringList& texts)
    {
        const QString all = texts.join(QLatin1Char('\n'));
        for (const QString& secret : secretForms())
            QVERIFY2(!all.contains(secret), qPrintable(all));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_ca.makeAuthority("ca", "Test CA"));
        QVERIFY(m_ca.makeAuthority("other", "Other CA"));
        QVERIFY(makeCert("good", "ca", "localhost", 30));
        QVERIFY(makeCert("expired", "ca", "localhost", -1));
        QVERIFY(makeCert("elsewhere", "ca", "elsewhere.invalid", 30));
        QVERIFY(makeCert("untrusted", "other", "localhost", 30));
        QVERIFY(makeCert("address", "ca", "IP:127.0.0.1", 30));
        QByteArray bytes;
        for (int i = 0; i < 5000; ++i)
            bytes += char(i % 251);
        QVERIFY(writeFile(path("LOG.CSV"), bytes));
        QByteArray log;
        for (int i = 1; i <= 10000; ++i)
            log += QByteArray::number(i) + ",14025,CW,2026-12-10,0012,599,599,K1ABC\r\n";
        QVERIFY(writeFile(path("BIG.CSV"), log));
        m_ca.trustOnly("ca");
    }

    void secureSend_data()
    {
        QTest::addColumn<TSmtpSecurity>("security");
        QTest::addColumn<QStringList>("excluded");
        QTest::addColumn<QString>("auth");
        QTest::addColumn<QString>("log"); // the file attached
        QTest::newRow("STARTTLS, AUTH PLAIN")
            << TSmtpSecurity::StartTls << QStringList() << "> AUTH PLAIN"
            << "LOG.CSV";
        QTest::newRow("TLS, AUTH LOGIN")
            << TSmtpSecurity::Tls << QStringList { "PLAIN" } << "> AUTH LOGIN"
            << "LOG.CSV";
        QTest::newRow("TLS, a log of 10,000 lines")
            << TSmtpSecurity::Tls << QStringList() << "> AUTH PLAIN"
            << "BIG.CSV";
    }

    // A signed-in send over each secure road, read back whole by Python's own parser.
    void secureSend()
    {
        QFETCH(TSmtpSecurity, security);
        QFETCH(QStringList, excluded);
        QFETCH(QString, auth);
        QFETCH(QString, log);
        const QString folder = path(QStringLiteral("send-%1").arg(QTest::currentDataTag()));
        QDir().mkpath(folder);
        MailPeer peer;
        QVERIFY(peer.startWith(QStringList { VORAD_TESTS_DIR "/net/tls_peer.py",
                                   security == TSmtpSecurity::Tls ? "tls" : "starttls",
                                   path("good.pem"), path("good.key"), folder }
            + excluded));
        TSmtpCli client;
        QStringList texts;
        setUp(client, peer.port, texts);
        client.Security = security;
        client.User = User;
        client.Password = Password;
        client.SetEmailFiles({ path(log) });
        QVERIFY2(request(client, [&] { client.Open(); }) == 0,
            qPrintable(texts.join(QLatin1Char('\n'))));
        QVERIFY(client.Secure());
        QCOMPARE(request(client, [&] { client.Mail(); }), 0);
        QCOMPARE(request(client, [&] { client.Quit(); }), 0);
        // The same client again: the last connection's TLS state is gone.
        QCOMPARE(request(client, [&] { client.Open(); }), 0);
        QVERIFY(client.Secure());
        QCOMPARE(request(client, [&] { client.Quit(); }), 0);

        QVERIFY2(texts.filter(auth).size() == 2, qPrintable(texts.join(QLatin1Char('\n'))));
        QVERIFY(texts.contains(QStringLiteral("> EHLO Vandrel")));
        QCOMPARE(texts.contains(QStringLiteral("> STARTTLS")), security == TSmtpSecurity::StartTls);
        verifyNoSecret(texts);
        const QJsonObject mail = parseMail(folder + QStringLiteral("/1.eml"));
        QCOMPARE(mail[QStringLiteral("headers")].toObject()[QStringLiteral("From")].toString(),
            "op@example.net");
        const QJsonArray parts = mail[QStringLiteral("parts")].toArray();
        QCOMPARE(parts.size(), 1);
        QCOMPARE(parts[0].toArray()[0].toString(), "Line one");
        QCOMPARE(parts[0].toArray()[1].toString(), ".dot");
        QCOMPARE(mail[QStringLiteral("attachments")].toArray().size(), 1);
        QCOMPARE(readAll(folder + QStringLiteral("/1.att0")), readAll(path(log)));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("peer"); // a tls_peer.py mode with a certificate, or a script
        QTest::addColumn<QString>("arg");
        QTest::addColumn<TSmtpSecurity>("security");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QByteArray>("got"); // the commands a script peer read, where plain
        const auto starttls = TSmtpSecurity::StartTls;
        const auto tls = TSmtpSecurity::Tls;
        QTest::newRow("wrong password")
            << "starttls"
            << "good" << starttls << WrongPassword
            << "The server refused the user name or password (535" << QByteArray();
        QTest::newRow("untrusted")
            << "tls"
            << "untrusted" << tls << Password << "not signed by an authority this computer trusts"
            << QByteArray();
        QTest::newRow("expired") << "tls"
                                 << "expired" << tls << Password << "certificate has expired"
                                 << QByteArray();
        QTest::newRow("another name") << "starttls"
                                      << "elsewhere" << starttls << Password
                                      << "for another name than 'localhost'" << QByteArray();
        QTest::newRow("no STARTTLS")
            << "script"
            << "send 220 hi\\r\\n\nread\nsend 250-hi\\r\\n250 AUTH PLAIN\\r\\n\nsleep 3\n"
            << starttls << Password << "does not offer STARTTLS" << QByteArray("EHLO Vandrel\n");
        QTest::newRow("STARTTLS refused")
            << "script"
            << "send 220 hi\\r\\n\nread\nsend 250-hi\\r\\n250 STARTTLS\\r\\n\nread\nsend 454 "
               "no\\r\\n\n"
               "sleep 3\n"
            << starttls << Password << "The server refused STARTTLS (454 no)"
            << QByteArray("EHLO Vandrel\nSTARTTLS\n");
        QTest::newRow("hang-up in the TLS handshake")
            << "script"
            << "sleep 0.5\nclose\n"
            << tls << Password << "closed the connection during the secure handshake"
            << QByteArray();
        QTest::newRow("TLS chosen, plain server")
            << "script"
            << "send 220 hi\\r\\n\nsleep 3\n"
            << tls << Password << "The secure handshake with the server failed" << QByteArray();
        QTest::newRow("hang-up after STARTTLS")
            << "script"
            << "send 220 hi\\r\\n\nread\nsend 250-hi\\r\\n250 STARTTLS\\r\\n\nread\nsend 220 "
               "go\\r\\n\n"
               "sleep 0.5\nclose\n"
            << starttls << Password << "closed the connection during the secure handshake"
            << QByteArray();
        QTest::newRow("password without TLS")
            << "script"
            << "send 220 hi\\r\\n\nread\nsend 250-hi\\r\\n250 AUTH PLAIN\\r\\n\nsleep 3\n"
            << TSmtpSecurity::None << Password << "sent over a secure connection only"
            << QByteArray("EHLO Vandrel\n");
        QTest::newRow("EHLO refused, HELO, password without TLS")
            << "script"
            << "send 220 hi\\r\\n\nread\nsend 502 no\\r\\n\nread\nsend 250 ok\\r\\n\nsleep 3\n"
            << TSmtpSecurity::None << Password << "sent over a secure connection only"
            << QByteArray("EHLO Vandrel\nHELO Vandrel\n");
        QTest::newRow("EHLO refused, STARTTLS chosen")
            << "script"
            << "send 220 hi\\r\\n\nread\nsend 500 no\\r\\n\nsleep 3\n"
            << starttls << Password << "does not offer STARTTLS" << QByteArray("EHLO Vandrel\n");
        QTest::newRow("plain session, server wants STARTTLS")
            << "starttls"
            << "good" << TSmtpSecurity::None << QString()
            << "the server wants a secure connection; choose STARTTLS" << QByteArray();
        QTest::newRow("TLS ended before the greeting, connection left open")
            << "notify"
            << "good" << tls << Password << "" << QByteArray();
        QTest::newRow("sign-in refused with the password echoed")
            << "echo"
            << "good" << tls << Password << "The server refused to sign in (501" << QByteArray();
        QTest::newRow("no TLS record after the handshake")
            << "garbage"
            << "good" << tls << Password << "the server sent what it could not have sent"
            << QByteArray();
        QTest::newRow("port not answering")
            << "none"
            << "" << tls << Password << "nothing answers at port" << QByteArray();
    }

    // Each failure ends the send with nothing mailed, and says what to do without the secret.
    void refused()
    {
        QFETCH(QString, peer);
        QFETCH(QString, arg);
        QFETCH(TSmtpSecurity, security);
        QFETCH(QString, password);
        QFETCH(QString, told);
        QFETCH(QByteArray, got);
        const QString folder = path(QStringLiteral("refused-%1").arg(QTest::currentDataTag()));
        QDir().mkpath(folder);
        const QString steps = folder + QStringLiteral("/steps");
        MailPeer server;
        int port = 0;
        if (peer == QLatin1String("script")) {
            writeFile(steps, arg.toLatin1());
            QVERIFY(server.start(QStringLiteral("script"), steps));
            port = server.port;
        } else if (peer != QLatin1String("none")) {
            QVERIFY(server.startWith({ VORAD_TESTS_DIR "/net/tls_peer.py", peer, path(arg + ".pem"),
                path(arg + ".key"), folder }));
            port = server.port;
        } else {
            port = freePort(); // free a moment ago, with no one on it
        }
        TSmtpCli client;
        QStringList texts;
        setUp(client, port, texts);
        client.Security = security;
        if (!password.isEmpty())
            client.User = User;
        client.Password = password;
        int error = request(client, [&] { client.Open(); });
        if (error == 0)
            error = request(client, [&] { client.Mail(); });
        QVERIFY2(error > 0, qPrintable(texts.join(QLatin1Char('\n'))));
        QVERIFY2(client.ErrorMessage().contains(told), qPrintable(client.ErrorMessage()));
        texts << client.ErrorMessage() << client.LastResponse();
        verifyNoSecret(texts);
        QVERIFY(!QFile::exists(folder + QStringLiteral("/1.eml")));
        if (peer == QLatin1String("script")) {
            QVERIFY(server.finish());
            QVERIFY(!readAll(steps + QStringLiteral(".got")).contains("MAIL"));
            if (!got.isEmpty())
                QCOMPARE(readAll(steps + QStringLiteral(".got")), got);
            QVERIFY(readAll(steps + QStringLiteral(".data")).isEmpty());
        }
    }

    void opens_data()
    {
        QTest::addColumn<QString>("mode"); // of tls_peer.py
        QTest::addColumn<QString>("cert");
        QTest::addColumn<QString>("host");
        QTest::addColumn<TSmtpSecurity>("security");
        QTest::addColumn<QString>("user"); // empty: no sign-in, nothing mailed
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("told"); // empty: the secure session opens
        const auto tls = TSmtpSecurity::Tls;
        // A server given by its address is checked against the address its certificate names.
        QTest::newRow("certificate for the address") << "tls"
                                                     << "address"
                                                     << "127.0.0.1" << tls << ""
                                                     << "" << QString();
        QTest::newRow("certificate for a name") << "tls"
                                                << "good"
                                                << "127.0.0.1" << tls << ""
                                                << ""
                                                << "another name than '127.0.0.1'";
        // A reply sent in plain behind the go-ahead to STARTTLS is not taken as one over TLS.
        QTest::newRow("reply forged behind STARTTLS")
            << "inject"
            << "good"
            << "localhost" << TSmtpSecurity::StartTls << ""
            << "" << QString();
        // A password as short as a reply code's digits leaves the replies readable.
        QTest::newRow("password as short as a code") << "tls"
                                                     << "good"
                                                     << "localhost" << tls << "op2"
                                                     << "25" << QString();
    }
    void opens()
    {
        QFETCH(QString, mode);
        QFETCH(QString, cert);
        QFETCH(QString, host);
        QFETCH(TSmtpSecurity, security);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, told);
        const QString folder = path(QStringLiteral("opens-%1").arg(QTest::currentDataTag()));
        QDir().mkpath(folder);
        MailPeer server;
        QVERIFY(server.startWith({ VORAD_TESTS_DIR "/net/tls_peer.py", mode, path(cert + ".pem"),
            path(cert + ".key"), folder }));
        TSmtpCli client;
        QStringList texts;
        setUp(client, server.port, texts);
        client.Host = host;
        client.Security = security;
        client.User = user;
        client.Password = password;
        const int error = request(client, [&] { client.Open(); });
        const QString all = texts.join(QLatin1Char('\n'));
        QVERIFY2((error == 0) == told.isEmpty(), qPrintable(all));
        QCOMPARE(client.Secure(), told.isEmpty());
        QVERIFY2(client.ErrorMessage().contains(told), qPrintable(client.ErrorMessage()));
        QVERIFY2(texts.filter(QStringLiteral("injected")).isEmpty(), qPrintable(all));
        if (!user.isEmpty()) {
            QVERIFY2(request(client, [&] { client.Mail(); }) == 0, qPrintable(all));
            QVERIFY(QFile::exists(folder + QStringLiteral("/1.eml")));
        }
        client.Abort();
    }

    // TLS chosen over a stream without the TLS layer: nothing is mailed in plain.
    void tlsOverAnotherStream()
    {
        ScriptedStream link;
        link.replies = { "220 hi\r\n", "250 hi\r\n" };
        TSmtpCli client;
        QStringList texts;
        setUp(client, 25, texts);
        client.Host = QStringLiteral("127.0.0.1");
        client.Security = TSmtpSecurity::Tls;
        client.setStream(&link);
        QCOMPARE(request(client, [&] { client.Open(); }), 500);
        QVERIFY2(client.ErrorMessage().contains(QLatin1String("cannot be made secure")),
            qPrintable(client.ErrorMessage()));
        QCOMPARE(link.sent, QByteArray("EHLO Vandrel\r\n"));
    }

    void abortWhileWaiting_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<TSmtpSecurity>("security");
        QTest::addColumn<QString>("at"); // the reply after which the operator aborts; empty:
                                         // while the greeting is awaited
        QTest::newRow("plain, before the greeting") << "sleep 3\n"
                                                    << TSmtpSecurity::None << QString();
        QTest::newRow("TLS, in the handshake") << "sleep 3\n" << TSmtpSecurity::Tls << QString();
        QTest::newRow("STARTTLS, in the handshake")
            << "send 220 hi\\r\\n\nread\nsend 250-hi\\r\\n250 STARTTLS\\r\\n\nread\nsend 220 "
               "go\\r\\n\nsleep 3\n"
            << TSmtpSecurity::StartTls << "220 go";
    }

    // The operator's own abort ends the request as on the plain road: no fault is told.
    void abortWhileWaiting()
    {
        QFETCH(QString, steps);
        QFETCH(TSmtpSecurity, security);
        QFETCH(QString, at);
        const QString file = path(QStringLiteral("abort-%1").arg(QTest::currentDataTag()));
        writeFile(file, steps.toLatin1());
        MailPeer server;
        QVERIFY(server.start(QStringLiteral("script"), file));
        TSmtpCli client;
        QStringList texts;
        setUp(client, server.port, texts);
        client.Security = security;
        const auto abortSoon = [&client] {
            QMetaObject::invokeMethod(
                &client, [&client] { client.Abort(); }, Qt::QueuedConnection);
        };
        bool asked = false;
        if (at.isEmpty()) {
            client.OnStateChange = [&] {
                if (!asked && client.State() == smtpWaitingBanner) {
                    asked = true;
                    abortSoon();
                }
            };
        } else {
            client.OnResponse = [&](const QString& t) {
                texts << t;
                if (t == at)
                    abortSoon();
            };
        }
        QCOMPARE(request(client, [&] { client.Open(); }), int(wsa::EINTR_));
        QVERIFY2(client.ErrorMessage().isEmpty(), qPrintable(client.ErrorMessage()));
        QVERIFY(!client.Secure());
        QVERIFY(server.finish());
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"), { "-c", "import aiosmtpd" });
    const bool aiosmtpd = probe.waitForFinished(30000) && probe.exitCode() == 0;
    if (!aiosmtpd || QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty()) {
        qInfo("aiosmtpd or openssl is missing: skipped");
        return 77;
    }
    TestMailTls test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mailtls.moc"
