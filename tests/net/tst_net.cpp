#include <algorithm>

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimeZone>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "MailPeer.h"
#include "SmtpCli.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

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

QStringList jsonLines(const QJsonValue& v)
{
    QStringList lines;
    for (const QJsonValue& line : v.toArray())
        lines.append(line.toString());
    return lines;
}

} // namespace

class TestNet : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_cases = 0;
    qint64 m_hostileBytes = 0;
    int m_told = 0;
    int m_leaked = 0; // lines a peer read outside a message that are no command

private Q_SLOTS:
    void cleanupTestCase()
    {
        qInfo("mail client campaign: %d hostile peers, %lld bytes of hostile input sent, %d "
              "failures told, %d message lines read outside DATA",
            m_cases, m_hostileBytes, m_told, m_leaked);
    }

    // A dotted address completes inside DnsLookup; a short send is told once, afterwards;
    // a peer that closes with data unread delivers the data first.
    void socketEvents()
    {
        const QString steps = m_dir.filePath(QStringLiteral("events"));
        writeFile(steps, "send hello\\r\\n\nread\nsend bye\\r\\n\nclose\n");
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), steps));

        TWSocket s;
        QStringList events;
        QByteArray received;
        s.OnDnsLookupDone = [&](quint16 e) { events << QStringLiteral("lookup %1").arg(e); };
        s.OnSessionConnected = [&](quint16 e) { events << QStringLiteral("connected %1").arg(e); };
        s.OnDataSent = [&](quint16) { events << QStringLiteral("sent"); };
        s.OnDataAvailable = [&](quint16) {
            char buffer[100];
            const int n = s.Receive(buffer, sizeof buffer);
            if (n > 0)
                received.append(buffer, n);
            if (received == "hello\r\n" && n > 0) {
                s.SendStr("x\r\n");
                events << QStringLiteral("sendstr returned");
            }
        };
        s.OnSessionClosed = [&](quint16) {
            events << QStringLiteral("closed after ") + QString::fromLatin1(received.toHex());
        };
        s.DnsLookup(QStringLiteral("127.0.0.1"));
        QCOMPARE(events, QStringList { QStringLiteral("lookup 0") });
        s.SetAddr(s.DnsResult());
        s.Port = QString::number(peer.port);
        s.Connect();
        QVERIFY(runUntil([&] { return s.State() == wsClosed; }));
        QCOMPARE(events,
            QStringList({ "lookup 0", "connected 0", "sendstr returned", "sent",
                "closed after " + QString::fromLatin1(QByteArray("hello\r\nbye\r\n").toHex()) }));
    }

    // A name lookup is still going when the program ends (a DNS server that never answers):
    // the end does not wait for it, as it waits for the application's own workers.
    void lookupAtTheEnd()
    {
        TWSocket s;
        bool done = false;
        s.OnDnsLookupDone = [&](quint16) { done = true; };
        s.DnsLookup(QStringLiteral("vorad-lookup.invalid"));
        QVERIFY(QThreadPool::globalInstance()->waitForDone(0));
        QVERIFY(runUntil([&] { return done; }));
    }

    void connectErrors_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("response");
        QTest::newRow("refused") << "127.0.0.1" << 10061
                                 << "500 Connection refused (Winsock error #10061)";
        QTest::newRow("unknown host")
            << "no-such-host.invalid" << 11001 << "500 Host not found (Winsock error #11001)";
    }

    void connectErrors()
    {
        QFETCH(QString, host);
        QFETCH(int, error);
        QFETCH(QString, response);
        TSmtpCli client;
        client.Host = host;
        client.Port = QString::number(freePort());
        QCOMPARE(request(client, [&] { client.Open(); }), error);
        QCOMPARE(client.LastResponse(), response);
        QCOMPARE(client.State(), smtpReady);
        // Not connected: QUIT completes at once, nothing sent.
        QCOMPARE(request(client, [&] { client.Quit(); }), 0);
        // An empty server name is refused and leaves the client ready.
        client.Host.clear();
        QVERIFY_THROWS_EXCEPTION(ESocketException, client.Open());
        QCOMPARE(client.State(), smtpReady);
    }

    // Peers that no real server plays on demand.
    void scripted_data()
    {
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<int>("mail"); // recipients of a Mail after the Open; -1: no Mail
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("got"); // what the peer read, lines joined by "|"
        // "starttls" or "tls" sets the security, "signin" a user name and password.
        QTest::addColumn<QString>("road");
        const QByteArray greet = "send 220 hi\\r\\n\nread\nsend 250 hello\\r\\n\n";
        const QByteArray envelope = greet
            + "read\nsend 250 ok\\r\\n\nread\nsend 250 a\\r\\n\nread\nsend 250 b\\r\\n\nread\n";
        QTest::newRow("two-line greeting")
            << QByteArray("send 220-first\\r\\n\nsleep 0.2\nsend 220 second\\r\\n\nread\n"
                          "send 250 hello\\r\\n\n")
            << -1 << 0 << "HELO Vandrel" << QString();
        QTest::newRow("CR and LF in two reads")
            << QByteArray("send 220 hi\\r\nsleep 0.2\nsend \\n\nread\nsend 250 ok\\r\\n\n") << -1
            << 0 << "HELO Vandrel" << QString();
        QTest::newRow("reply without a code")
            << QByteArray("send 220 hi\\r\\n\nread\nsend OK\\r\\n\n") << -1 << 500 << "HELO Vandrel"
            << QString();
        QTest::newRow("no recipients")
            << greet + "read\nsend 250 ok\\r\\n\n"
            << 0 << 500 << "HELO Vandrel|MAIL FROM:<me@x.net>" << QString();
        QTest::newRow("peer closes with the reply unread")
            << QByteArray("send 220 hi\\r\\n250 ok\\r\\n\nclose\n") << -1 << 0 << "HELO Vandrel"
            << QString();
        QTest::newRow("greeting refused")
            << QByteArray("send 554 go away\\r\\n\nsleep 0.3\n") << -1 << 10004 << "" << QString();
        QTest::newRow("reply line without end")
            << QByteArray("sendmany 5000 x\nsleep 0.5\n") << -1 << 500 << "" << QString();
        QTest::newRow("third recipient refused")
            << envelope + "send 550 no such user\\r\\n\nsleep 0.3\n"
            << 3 << 550
            << "HELO Vandrel|MAIL FROM:<me@x.net>|RCPT TO:<a@x.net>|RCPT TO:<b@x.net>|"
               "RCPT TO:<c@x.net>"
            << QString();
        // Hostile peers: what they send never stops the client or reaches a command.
        QTest::newRow("binary greeting")
            << QByteArray("send \x01\x02\xff\xfe\x7f\\r\\n\nsleep 0.3\n") << -1 << 10004 << ""
            << QString();
        QTest::newRow("20,000 continuation lines")
            << QByteArray("sendmany 20000 220-x\\r\\n\nsend 220 ok\\r\\n\nread\n"
                          "send 250 hello\\r\\n\n")
            << -1 << 0 << "HELO Vandrel" << QString();
        // Reset before the go-ahead: not one line of the message may follow DATA.
        QTest::newRow("reset at DATA")
            << envelope + "send 250 c\\r\\n\nread\nclose\n"
            << 3 << 10004
            << "HELO Vandrel|MAIL FROM:<me@x.net>|RCPT TO:<a@x.net>|RCPT TO:<b@x.net>|"
               "RCPT TO:<c@x.net>|DATA"
            << QString();
        QTest::newRow("DATA refused")
            << envelope + "send 250 c\\r\\n\nread\nsend 554 no thanks\\r\\n\nsleep 0.5\n"
            << 3 << 554
            << "HELO Vandrel|MAIL FROM:<me@x.net>|RCPT TO:<a@x.net>|RCPT TO:<b@x.net>|"
               "RCPT TO:<c@x.net>|DATA"
            << QString();
        // Hostile answers to EHLO and STARTTLS: each is told, and no password is sent outside
        // TLS, whatever the server offers in the clear.
        const QByteArray hi = "send 220 hi\\r\\n\nread\n";
        const QByteArray ehlo = hi + "send 250-hi\\r\\n250 STARTTLS\\r\\n\nread\n";
        QTest::newRow("extension line without end")
            << hi + "send 250-hi\\r\\n\nsendmany 5000 x\nsleep 0.5\n"
            << -1 << 500 << "EHLO Vandrel"
            << "starttls";
        QTest::newRow("20,000-line EHLO reply") << hi
                + "sendmany 20000 250-X-EXT\\r\\n\nsend 250 STARTTLS\\r\\n\nread\nsend 454 4.7.0 "
                  "not now\\r\\n\nsleep 0.3\n" << -1
                                                << 454 << "EHLO Vandrel|STARTTLS"
                                                << "starttls+signin";
        QTest::newRow("binary extension lines")
            << hi + "send 250-\\x01\\xff STARTTLS\\xfe\\r\\n250 AUTH\\x00PLAIN\\r\\n\nsleep 0.3\n"
            << -1 << 500 << "EHLO Vandrel"
            << "starttls+signin";
        QTest::newRow("absurd SIZE values") << hi
                + "send 250-hi\\r\\n250-SIZE 999999999999999999999999\\r\\n250-SIZE -1\\r\\n250 "
                  "SIZE x\\r\\n\nsleep 0.3\n"
                                            << -1 << 500 << "EHLO Vandrel"
                                            << "starttls";
        QTest::newRow("unknown mechanisms") << hi
                + "send 250-hi\\r\\n250-AUTH CRAM-MD5 XOAUTH2\\r\\n250-AUTH=GSSAPI\\r\\n250 "
                  "STARTTLS\\r\\n\nread\nsend 454 no\\r\\n\nsleep 0.3\n"
                                            << -1 << 454 << "EHLO Vandrel|STARTTLS"
                                            << "starttls+signin";
        QTest::newRow("sign-in offered in the clear")
            << hi + "send 250-hi\\r\\n250-AUTH PLAIN LOGIN\\r\\n250 AUTH=PLAIN\\r\\n\nsleep 0.3\n"
            << -1 << 500 << "EHLO Vandrel"
            << "signin";
        QTest::newRow("EHLO and HELO refused")
            << hi + "send 502 no\\r\\n\nread\nsend 550 no\\r\\n\nsleep 0.3\n"
            << -1 << 550 << "EHLO Vandrel|HELO Vandrel"
            << "signin";
        QTest::newRow("EHLO refused, STARTTLS wanted") << hi + "send 502 no\\r\\n\nsleep 0.3\n"
                                                       << -1 << 500 << "EHLO Vandrel"
                                                       << "starttls";
        QTest::newRow("EHLO put off, STARTTLS wanted") << hi + "send 421 busy\\r\\n\nsleep 0.3\n"
                                                       << -1 << 421 << "EHLO Vandrel"
                                                       << "starttls+signin";
        QTest::newRow("EHLO reply cut by a hang-up")
            << hi + "send 250-hi\\r\\n250-STARTTLS\\r\\n\nclose\n"
            << -1 << 10004 << "EHLO Vandrel"
            << "starttls";
        QTest::newRow("STARTTLS refused") << ehlo + "send 502 no\\r\\n\nsleep 0.3\n"
                                          << -1 << 502 << "EHLO Vandrel|STARTTLS"
                                          << "starttls+signin";
        QTest::newRow("no TLS after the go-ahead")
            << ehlo + "send 220 go\\r\\n\nsleep 0.2\nsend 250 plain\\x00\\xff\\r\\n\nsleep 0.5\n"
            << -1 << 500 << "EHLO Vandrel|STARTTLS|(TLS)"
            << "starttls+signin";
        QTest::newRow("hang-up after the go-ahead")
            << ehlo + "send 220 go\\r\\n\nsleep 0.2\nclose\n"
            << -1 << 500 << "EHLO Vandrel|STARTTLS|(TLS)"
            << "starttls+signin";
        QTest::newRow("plain greeting to TLS")
            << QByteArray("send 220 hi\\r\\n\nsleep 0.5\n") << -1 << 500 << "(TLS)"
            << "tls+signin";
    }

    void scripted()
    {
        QFETCH(QByteArray, steps);
        QFETCH(int, mail);
        QFETCH(int, error);
        QFETCH(QString, got);
        QFETCH(QString, road);
        const QString file = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        writeFile(file, steps);
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), file));
        TSmtpCli client;
        client.Host = QStringLiteral("127.0.0.1");
        client.Port = QString::number(peer.port);
        client.SignOn = QStringLiteral("Vandrel");
        if (road.contains(QLatin1String("tls")))
            client.Security = road.startsWith(QLatin1String("tls")) ? TSmtpSecurity::Tls
                                                                    : TSmtpSecurity::StartTls;
        if (road.contains(QLatin1String("signin"))) {
            client.User = QStringLiteral("op");
            client.Password = QStringLiteral("Pw-s3cret!x");
        }
        const int opened = request(client, [&] { client.Open(); });
        int result = opened;
        if (mail >= 0) {
            QCOMPARE(opened, 0);
            client.FromName = QStringLiteral("me@x.net");
            client.RcptName = QStringList { "a@x.net", "b@x.net", "c@x.net" }.mid(0, mail);
            client.OnGetData = [](int n, QByteArray& line, int, bool& more) {
                more = n == 1;
                line = "body";
            };
            result = request(client, [&] { client.Mail(); });
        }
        QCOMPARE(result, error);
        // A secure road that failed before TLS leaves no plain connection for a later MAIL.
        if (!road.isEmpty() && opened != 0)
            QVERIFY(!client.socket().IsConnected());
        client.Abort();
        QVERIFY(peer.finish());
        ++m_cases;
        m_hostileBytes += peer.sent;
        m_told += error != 0;
        // A failure on the secure road says why; a hang-up the window tells as such.
        if (!road.isEmpty() && error != 0 && error != wsa::EINTR_)
            QVERIFY(!client.ErrorMessage().isEmpty());
        // The password, in any form it is sent in, goes inside TLS or nowhere.
        QByteArray clear = readAll(file + QStringLiteral(".got"));
        for (const QByteArray& form :
            { QByteArray("Pw-s3cret!x"), QByteArray("Pw-s3cret!x").toBase64(),
                QByteArray("\0op\0Pw-s3cret!x", 14).toBase64() })
            QVERIFY(
                !clear.contains(form) && !readAll(file + QStringLiteral(".data")).contains(form));
        // A TLS record (type 22 opens the handshake) stands for all that follows it.
        if (clear.contains('\x16'))
            clear = clear.left(clear.indexOf('\x16')) + "(TLS)";
        const QString read = QString::fromLatin1(clear).trimmed();
        static const QRegularExpression command(
            QStringLiteral("^(HELO|EHLO|STARTTLS|AUTH|MAIL|RCPT|DATA|QUIT|\\.$|\\(TLS\\)$)"));
        for (const QString& line : read.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            m_leaked += !command.match(line).hasMatch();
        QCOMPARE(read, got.replace(QLatin1Char('|'), QLatin1Char('\n')));
    }

    void base64Lines_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("empty") << 0 << QList<int> { 0 };
        QTest::newRow("10 bytes") << 10 << QList<int> { 16 };
        QTest::newRow("45 bytes") << 45 << QList<int> { 60 };
        QTest::newRow("46 bytes") << 46 << QList<int> { 60, 4 };
    }

    void base64Lines()
    {
        QFETCH(int, size);
        QFETCH(QList<int>, lengths);
        QByteArray data;
        for (int i = 0; i < size; ++i)
            data += char(i * 37 + 200);
        QBuffer file(&data);
        file.open(QIODevice::ReadOnly);
        QByteArray all;
        QList<int> made;
        bool more = true;
        while (more) {
            QByteArray line;
            more = EncodeBase64Line(file, line);
            made.append(int(line.size()));
            all += line;
        }
        QCOMPARE(made, lengths);
        QCOMPARE(all, data.toBase64());
    }

    // Through a real server, read back by an independent MIME parser.
    void realServer_data()
    {
        QTest::addColumn<int>("size");
        for (int size : { 0, 10, 45, 46, 1 << 20 })
            QTest::addRow("%d bytes", size) << size;
    }

    void realServer()
    {
        QFETCH(int, size);
        const QString folder = m_dir.filePath(QStringLiteral("store%1").arg(size));
        QDir().mkpath(folder);
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("store"), folder));
        QByteArray bytes;
        for (int i = 0; i < size; ++i)
            bytes += char(i % 251);
        const QString csv = m_dir.filePath(QStringLiteral("VK6XYZ_VHF.CSV"));
        writeFile(csv, bytes);

        TSmtpCli client;
        client.Host = QStringLiteral("127.0.0.1");
        client.Port = QString::number(peer.port);
        client.SignOn = QStringLiteral("Vandrel");
        client.SetEmailFiles({ QStringLiteral("  ") + csv, QString() });
        QCOMPARE(client.EmailFiles, QStringList { csv });
        client.FromName = QStringLiteral("op@example.net");
        client.RcptName = QStringList { "cm@example.org", "<log@example.org>" };
        client.HdrFrom = QStringLiteral("op@example.net");
        client.HdrTo = QStringLiteral("cm@example.org; log@example.org");
        client.HdrSubject = QStringLiteral("Log\r\nBcc: evil@example.com");
        const QStringList body { "Line one", ".", ".dot", "bare\nLF", QString(1100, 'y'),
            "." + QString(1100, 'z'), "" };
        client.OnGetData = [&](int n, QByteArray& line, int, bool& more) {
            more = n <= body.size();
            if (more)
                line = body[n - 1].toLatin1();
        };
        QCOMPARE(request(client, [&] { client.Open(); }), 0);
        QCOMPARE(request(client, [&] { client.Mail(); }), 0);
        QCOMPARE(request(client, [&] { client.Quit(); }), 0);

        QCOMPARE(readAll(folder + QStringLiteral("/1.env")),
            "op@example.net\ncm@example.org\nlog@example.org\n");
        const QJsonObject mail = parseMail(folder + QStringLiteral("/1.eml"));
        const QJsonObject h = mail[QStringLiteral("headers")].toObject();
        QCOMPARE(h[QStringLiteral("From")].toString(), "op@example.net");
        QCOMPARE(h[QStringLiteral("Subject")].toString(), "Log  Bcc: evil@example.com");
        QCOMPARE(h[QStringLiteral("Sender")].toString(), "op@example.net");
        QCOMPARE(h[QStringLiteral("Mime-Version")].toString(), "1.0");
        QVERIFY(h[QStringLiteral("Content-Type")].toString().startsWith(
            "multipart/mixed; boundary=\"= Multipart Boundary "));
        QVERIFY(!h.contains(QStringLiteral("Bcc")));
        QVERIFY(h[QStringLiteral("Message-ID")].toString().endsWith(".VORAD@example.net>"));
        QVERIFY(mail[QStringLiteral("date_ok")].toBool());
        const QStringList raw = jsonLines(mail[QStringLiteral("raw_lines")]);
        QCOMPARE(raw.mid(0, 3),
            QStringList({ "From: op@example.net", "To: cm@example.org; log@example.org",
                "Subject: Log  Bcc: evil@example.com" }));
        QCOMPARE(raw.at(9), "");
        QCOMPARE(raw.at(10), "This is a multipart MIME message.");

        const QJsonArray parts = mail[QStringLiteral("parts")].toArray();
        QCOMPARE(parts.size(), 1);
        QCOMPARE(jsonLines(parts[0]).mid(0, 8),
            QStringList({ "Line one", ".", ".dot", "bare", "LF", QString(998, 'y'),
                "." + QString(996, 'z'), "" }));
        const QJsonArray att = mail[QStringLiteral("attachments")].toArray();
        QCOMPARE(att.size(), 1);
        QCOMPARE(att[0].toObject()[QStringLiteral("name")].toString(), "VK6XYZ_VHF.CSV");
        QCOMPARE(readAll(folder + QStringLiteral("/1.att0")), bytes);
    }

    // The text part as an independent MIME parser reads it. A HELO session carries 7-bit
    // text only: 8-bit text goes quoted-printable, alone or beside an attachment.
    void textPart_data()
    {
        QTest::addColumn<bool>("attach");
        QTest::addColumn<QStringList>("body");
        QTest::addColumn<QString>("encoding");
        const QStringList plain { "VK6XYZ  Anne Smith", "a = b  ", "" };
        const QStringList accented { QString::fromLatin1("M\xfcller, Ren\xe9"
                                                         "e"),
            "a = b  ", QString(120, QChar(0xe9)), QString::fromLatin1(".\xe9"), "" };
        QTest::newRow("7-bit, attached") << true << plain << "7bit";
        QTest::newRow("8-bit, attached") << true << accented << "quoted-printable";
        QTest::newRow("8-bit, alone") << false << accented << "quoted-printable";
    }

    void textPart()
    {
        QFETCH(bool, attach);
        QFETCH(QStringList, body);
        QFETCH(QString, encoding);
        const QString folder
            = m_dir.filePath(QStringLiteral("text%1").arg(QTest::currentDataTag()));
        QDir().mkpath(folder);
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("store"), folder));
        TSmtpCli client;
        client.Host = QStringLiteral("127.0.0.1");
        client.Port = QString::number(peer.port);
        if (attach) {
            const QString csv = m_dir.filePath(QStringLiteral("text.CSV"));
            writeFile(csv, "\"VK3ABC\"\r\n");
            client.SetEmailFiles({ csv });
        }
        client.FromName = client.HdrFrom = QStringLiteral("op@example.net");
        client.RcptName = QStringList { "cm@example.org" };
        client.HdrTo = QStringLiteral("cm@example.org");
        client.MailMessage = body.mid(0, 1);
        client.OnGetData = [&](int n, QByteArray& line, int, bool& more) {
            more = n < body.size();
            if (more)
                line = body[n].toLatin1();
        };
        QCOMPARE(request(client, [&] { client.Open(); }), 0);
        QCOMPARE(request(client, [&] { client.Mail(); }), 0);
        const QJsonObject mail = parseMail(folder + QStringLiteral("/1.eml"));
        QCOMPARE(mail[QStringLiteral("encodings")].toArray().at(0).toString(), encoding);
        QCOMPARE(
            jsonLines(mail[QStringLiteral("parts")].toArray().at(0)).mid(0, body.size()), body);
        for (const QString& line : jsonLines(mail[QStringLiteral("raw_lines")]))
            QVERIFY2(line.size() <= 998
                    && std::all_of(
                        line.begin(), line.end(), [](QChar c) { return c.unicode() < 128; }),
                qPrintable(line));
        // At UTC too the date names its zone ("-0000" would say it is unknown).
        QVERIFY(mail[QStringLiteral("date_zone_known")].toBool());
    }

    // A listed file gone when its turn comes: the message is abandoned, never half sent.
    void missingAttachment()
    {
        const QString folder = m_dir.filePath(QStringLiteral("missing"));
        QDir().mkpath(folder);
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("store"), folder));
        const QString csv = m_dir.filePath(QStringLiteral("gone.CSV"));
        writeFile(csv, "x");
        TSmtpCli client;
        client.Host = QStringLiteral("127.0.0.1");
        client.Port = QString::number(peer.port);
        client.SetEmailFiles({ csv });
        QFile::remove(csv);
        QVERIFY_THROWS_EXCEPTION(SmtpException, client.SetEmailFiles({ csv }));
        client.FromName = QStringLiteral("op@example.net");
        client.RcptName = QStringList { "cm@example.org" };
        QCOMPARE(request(client, [&] { client.Open(); }), 0);
        QCOMPARE(request(client, [&] { client.Mail(); }), 500);
        QVERIFY(client.ErrorMessage().startsWith("500 Attachment could not be opened"));
        QVERIFY(runUntil([&] { return !client.Connected(); }));
        QTest::qWait(300);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList {});
    }

    void dates_data()
    {
        QTest::addColumn<QDateTime>("local");
        QTest::addColumn<QString>("text");
        QTest::newRow("east") << QDateTime(QDate(2026, 12, 8), QTime(9, 5, 3), QTimeZone(28800))
                              << "Tue, 8 Dec 2026 09:05:03 +0800";
        QTest::newRow("west") << QDateTime(QDate(2026, 8, 15), QTime(23, 0, 0), QTimeZone(-19800))
                              << "Sat, 15 Aug 2026 23:00:00 -0530";
        QTest::newRow("UTC") << QDateTime(QDate(2027, 1, 3), QTime(0, 0, 9), QTimeZone(0))
                             << "Sun, 3 Jan 2027 00:00:09 +0000";
    }

    void dates()
    {
        QFETCH(QDateTime, local);
        QFETCH(QString, text);
        QCOMPARE(Rfc822Date(local), text);
    }
};

QTEST_GUILESS_MAIN(TestNet)
#include "tst_net.moc"
