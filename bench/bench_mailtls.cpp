// A contest log mailed over a secure connection to a local peer: the time from Open to the
// server's acceptance of the message, and the longest the event loop went without turning.
// Run by hand through bench/mail_tls.sh, which makes the test authority and starts the peers:
//   bench_mailtls DIR STARTTLS_PORT [TLS_PORT] [RUNS]
// with SSL_CERT_FILE naming the authority; DIR is where the peers store what they receive.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include "MailPeer.h"
#include "SmtpCli.h"

using namespace vorad;

namespace {

const char* const Bands[] = { "80m", "40m", "20m", "15m", "10m", "6m", "2m", "70cm" };
const char* const Freqs[] = { "3500", "7000", "14000", "21000", "28000", "50", "144", "432" };
const char* const Modes[] = { "SSB", "CW", "FM" };
const char* const CabModes[] = { "PH", "CW", "FM" };

QByteArray callsign(int i)
{
    QByteArray call = "VK" + QByteArray::number(1 + i % 8);
    for (int n = i, k = 0; k < 3; ++k, n /= 26)
        call += char('A' + n % 26);
    return call;
}

// A spreadsheet line per contact in the export's columns, with a locator and a longer name
// than most so that a line is about 80 bytes.
QByteArray csvLog(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        const int minute = i * 1440 / count;
        const bool cw = i % 3 == 1;
        out += QStringLiteral(
            "15/08/2026,%1:%2,%3,%4,%5,%6%7,%6%8,%9,Alexandra Whitfield,QF22NS\r\n")
                   .arg(minute / 60, 2, 10, QLatin1Char('0'))
                   .arg(minute % 60, 2, 10, QLatin1Char('0'))
                   .arg(QLatin1String(Bands[i % 8]), QLatin1String(Modes[i % 3]),
                       QString::fromLatin1(callsign(i)), QLatin1String(cw ? "599" : "59"))
                   .arg(1 + i % 999, 4, 10, QLatin1Char('0'))
                   .arg(1 + i * 7 % 999, 4, 10, QLatin1Char('0'))
                   .arg(cw ? 2 : 1)
                   .toLatin1();
    }
    return out;
}

// The same contacts as Cabrillo QSO lines, with the header a contest manager expects.
QByteArray cabrilloLog(int count)
{
    QByteArray out = "START-OF-LOG: 3.0\r\nCALLSIGN: VK3XYZ\r\nCONTEST: BENCH\r\n";
    for (int i = 0; i < count; ++i) {
        const int minute = i * 1440 / count;
        const bool cw = i % 3 == 1;
        char line[128];
        std::snprintf(line, sizeof line,
            "QSO: %5s %s 2026-08-15 %02d%02d VK3XYZ        %-3s %-6d %-13s %-3s %d\r\n",
            Freqs[i % 8], CabModes[i % 3], minute / 60, minute % 60, cw ? "599" : "59",
            1 + i % 9999, callsign(i).constData(), cw ? "599" : "59", 1 + i * 7 % 999);
        out += line;
    }
    return out + "END-OF-LOG:\r\n";
}

QStringList summary()
{
    QStringList lines { QStringLiteral("Summary sheet"), QString() };
    for (int i = 1; i <= 18; ++i)
        lines << QStringLiteral("Band %1: %2 contacts, %3 points").arg(i).arg(i * 37).arg(i * 41);
    return lines;
}

// The longest gap between the ticks of a 1 ms timer on the client's thread.
class StallMeter
{
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout,
            [this] { m_longest = std::max(m_longest, m_clock.restart()); });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        return std::max(m_longest, m_clock.elapsed());
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

struct Figures
{
    qint64 open = 0; // ms to the end of Open: connection, handshake, sign-in
    qint64 total = 0; // ms to the server's acceptance of the message
    qint64 openStall = 0; // ms, the longest in Open (the handshake)
    qint64 mailStall = 0; // ms, the longest in Mail (the message's transfer)
    qint64 stall() const { return std::max(openStall, mailStall); }
    bool ok = false;
};

Figures sendOnce(int port, TSmtpSecurity security, const QStringList& files)
{
    TSmtpCli client;
    client.Host = QStringLiteral("localhost");
    client.Port = QString::number(port);
    client.SignOn = QStringLiteral("Vandrel");
    client.FromName = client.HdrFrom = QStringLiteral("op@example.net");
    client.RcptName = QStringList { QStringLiteral("cm@example.org") };
    client.HdrTo = QStringLiteral("cm@example.org");
    client.HdrSubject = QStringLiteral("Log");
    client.MailMessage = summary();
    client.SetEmailFiles(files);
    client.Security = security;
    client.User = QStringLiteral("op");
    client.Password = QStringLiteral("fake-pw-1");

    Figures f;
    StallMeter meter;
    QElapsedTimer clock;
    meter.start();
    clock.start();
    const int opened = request(client, [&] { client.Open(); });
    f.open = clock.elapsed();
    f.openStall = meter.stop();
    meter.start();
    const int mailed = opened == 0 ? request(client, [&] { client.Mail(); }) : -1;
    f.total = clock.elapsed();
    f.mailStall = meter.stop();
    f.ok = opened == 0 && mailed == 0 && client.Secure();
    if (!f.ok)
        std::fprintf(stderr, "send failed (%d, %d): %s\n", opened, mailed,
            qPrintable(client.ErrorMessage()));
    request(client, [&] { client.Quit(); });
    return f;
}

qint64 median(std::vector<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_mailtls DIR STARTTLS_PORT [TLS_PORT] [RUNS]\n");
        return 2;
    }
    const QString dir = args[1];
    const int starttlsPort = args[2].toInt();
    const int tlsPort = args.size() > 3 ? args[3].toInt() : 0;
    const int runs = args.size() > 4 ? args[4].toInt() : 5;

    const QString csv = QDir(dir).filePath(QStringLiteral("LOG.CSV"));
    const QString cbr = QDir(dir).filePath(QStringLiteral("LOG.CBR"));
    for (const auto& [path, bytes] :
        { std::pair { csv, csvLog(10000) }, { cbr, cabrilloLog(10000) } }) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        std::printf("%s: %lld bytes\n", qPrintable(QDir(dir).relativeFilePath(path)),
            static_cast<long long>(bytes.size()));
    }
    const QStringList files { csv, cbr };

    const auto show = [](const QString& label, const Figures& f) {
        std::printf("%s: open %lld ms, accepted after %lld ms; longest stall %lld ms in the "
                    "handshake, %lld ms in the transfer\n",
            qPrintable(label), static_cast<long long>(f.open), static_cast<long long>(f.total),
            static_cast<long long>(f.openStall), static_cast<long long>(f.mailStall));
    };
    std::vector<qint64> totals, stalls;
    bool ok = true;
    for (int run = 1; run <= runs; ++run) {
        const Figures f = sendOnce(starttlsPort, TSmtpSecurity::StartTls, files);
        ok = ok && f.ok;
        show(QStringLiteral("STARTTLS run %1").arg(run), f);
        totals.push_back(f.total);
        stalls.push_back(f.stall());
    }
    std::printf("STARTTLS over %d runs: time median %lld ms, worst %lld ms (budget 1000); "
                "stall median %lld ms, worst %lld ms (budget 50)\n",
        runs, static_cast<long long>(median(totals)),
        static_cast<long long>(*std::max_element(totals.begin(), totals.end())),
        static_cast<long long>(median(stalls)),
        static_cast<long long>(*std::max_element(stalls.begin(), stalls.end())));
    if (tlsPort > 0) {
        const Figures f = sendOnce(tlsPort, TSmtpSecurity::Tls, files);
        ok = ok && f.ok;
        show(QStringLiteral("TLS"), f);
    }
    return ok ? 0 : 1;
}
