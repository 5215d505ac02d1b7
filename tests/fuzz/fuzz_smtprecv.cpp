// The mail client's receive path as a whole: the server's bytes, cut into the pieces a socket
// would hand over, reach the client through a stand-in connection while it runs the e-mail
// dialog's send (or single commands). What the client writes is read back as the server would
// read it. The client must never send a message line outside DATA, report a request the replies
// did not accept, lose or invent a reply line, or end a request other than once. On the secure
// roads it must write nothing but TLS records once TLS has begun, and no form of the password
// outside TLS.
//
// The first four bytes choose the run: the request script, the recipients and attachment, how
// the bytes are cut and when the sent data drains, when the operator's time-out aborts, and
// whether a fifth byte chooses the security (none, STARTTLS, TLS) and a sign-in. The rest is
// what the server sends; on TLS it meets the handshake.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include <QCoreApplication>

#include "SmtpCli.h"
#include "TlsEngine.h"

using namespace vorad;

namespace {

void expect(bool holds, const char* what, const QByteArray& detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz_smtprecv: %s: %s\n", what, detail.constData());
    std::abort();
}

// A reply line's code as the reply format reads it: blanks, an optional sign, digits; a "-"
// after the digits marks a line that more lines follow.
int replyCode(const QByteArray& line, bool* continuation)
{
    int i = 0;
    while (i < line.size()
        && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n'))
        ++i;
    const bool negative = i < line.size() && line[i] == '-';
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        ++i;
    long long code = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        code = std::min(code * 10 + (line[i] - '0'), 1000000LL);
    *continuation = i < line.size() && line[i] == '-';
    return int(negative ? -code : code);
}

// A command and its final reply, when one came; "220" is the greeting.
struct Exchange
{
    QByteArray verb;
    bool answered = false;
    int code = 0;
    QByteArray reply;
};

// The connection seen from the server: the lines the client wrote, the replies it read.
class Wire
{
public:
    std::vector<Exchange> exchanges;
    bool implicitTls = false;
    QByteArray clear; // all the client wrote outside TLS

    void connected()
    {
        m_out.clear();
        m_in.clear();
        m_records.clear();
        m_inBody = false;
        m_tls = implicitTls;
        if (!m_tls)
            asked("220");
    }

    void written(const QByteArray& bytes)
    {
        if (m_tls) {
            records(bytes);
            return;
        }
        clear += bytes;
        m_out += bytes;
        for (int end; (end = int(m_out.indexOf("\r\n"))) >= 0;) {
            const QByteArray line = m_out.left(end);
            m_out.remove(0, end + 2);
            clientLine(line);
        }
    }

    void read(const QByteArray& bytes)
    {
        if (!m_tls)
            m_in += bytes;
    }

    // The client's OnResponse: the next line it cut from what it read.
    void response(const QString& text)
    {
        const int end = int(m_in.indexOf("\r\n"));
        if (end >= 0 && text == QString::fromLatin1(m_in.left(end))) {
            const QByteArray line = m_in.left(end);
            m_in.remove(0, end + 2);
            serverLine(line);
            return;
        }
        // A line longer than the client's buffer is given up with a refusal of its own, and a
        // secure road that cannot go on with a reason in words.
        const bool ownReason = !text.isEmpty() && text.at(0).isUpper();
        expect(ownReason
                || (m_in.size() == TCustomSmtpClient::ReceiveBufferSize && !m_in.contains("\r\n")
                    && text.startsWith(QLatin1String("500 "))),
            "a reply line the server did not send", text.toLatin1());
        if (ownReason)
            return;
        m_in.clear();
    }

    // After each read notice: every whole line read has been handled.
    void allLinesTaken() const
    {
        expect(!m_in.contains("\r\n"), "a reply line read but never handled", m_in.left(200));
    }

private:
    // Once TLS has begun: record headers (type, version 3.x, length) and their bodies only.
    void records(const QByteArray& bytes)
    {
        m_records += bytes;
        while (m_records.size() >= 5) {
            const auto byte = [this](int i) { return int(quint8(m_records[i])); };
            const int length = byte(3) << 8 | byte(4);
            expect(byte(0) >= 20 && byte(0) <= 23 && byte(1) == 3 && length <= 18432,
                "bytes in the clear once TLS had begun", m_records.left(80));
            if (m_records.size() < 5 + length)
                return;
            m_records.remove(0, 5 + length);
        }
    }

    void asked(const QByteArray& verb)
    {
        exchanges.push_back({ verb, false, 0, {} });
        m_awaiting = true;
    }

    void clientLine(const QByteArray& line)
    {
        expect(!line.contains('\r') && !line.contains('\n'), "a bare CR or LF sent", line);
        if (m_inBody) {
            if (line == ".") {
                m_inBody = false;
                asked(".");
                return;
            }
            expect(!line.startsWith('.') || line.startsWith(".."), "a dot line not doubled", line);
            expect(line.size() <= TCustomSmtpClient::MaxTextLine, "a message line too long",
                line.left(80));
            return;
        }
        const QByteArray verb = line == "STARTTLS" ? line : line.left(4).toUpper();
        static const QList<QByteArray> commands = { "HELO", "EHLO", "STARTTLS", "MAIL", "RCPT",
            "DATA", "QUIT", "RSET", "VRFY", "NOOP" };
        expect(commands.contains(verb)
                && (line.size() == verb.size() || line[verb.size()] == ' '
                    || line[verb.size()] == ':'),
            "a message line sent outside DATA", line.left(80));
        expect(!m_awaiting, "a command sent before the last one was answered", line.left(80));
        asked(verb);
    }

    void serverLine(const QByteArray& line)
    {
        bool continuation = false;
        const int code = replyCode(line, &continuation);
        if (continuation || !m_awaiting)
            return; // a reply of several lines counts by its last; one unasked counts for none
        m_awaiting = false;
        exchanges.back().answered = true;
        exchanges.back().code = code;
        exchanges.back().reply = line;
        m_inBody = exchanges.back().verb == "DATA" && code == 354;
        // What came with the go-ahead is dropped; the handshake follows.
        if (exchanges.back().verb == "STARTTLS" && code == 220) {
            expect(m_out.isEmpty(), "a command half written before TLS", m_out.left(80));
            m_tls = true;
            m_in.clear();
        }
    }

    QByteArray m_out;
    QByteArray m_in;
    QByteArray m_records;
    bool m_tls = false;
    bool m_awaiting = false;
    bool m_inBody = false;
};

// The stand-in connection: hands the client the server's bytes as the socket does (one read
// notice while it takes them, all events from the event loop's turn) and records its writes.
// A socket, so that the TLS layer can sit on it.
class FakeLink : public TCustomWSocket
{
public:
    explicit FakeLink(Wire& wire)
        : m_wire(wire)
    { }

    void Connect() override
    {
        expect(!m_connected && !m_connecting, "a connect on a connection in use");
        m_connecting = true;
        m_closeRaised = false;
    }
    int Send(const char* data, int count) override
    {
        expect(m_connected, "a write on a closed connection");
        m_wire.written(QByteArray(data, count));
        m_sentPending = true;
        return count;
    }
    int Receive(char* buffer, int size) override
    {
        const int n = std::min(size, int(m_waiting.size()));
        if (n <= 0)
            return 0;
        std::memcpy(buffer, m_waiting.constData(), size_t(n));
        m_wire.read(m_waiting.left(n));
        m_waiting.remove(0, n);
        return n;
    }
    bool IsConnected() const override { return m_connected; }
    void Close() override { drop(0); }
    void Abort() override { drop(0); }

    bool connecting() const { return m_connecting; }
    bool sentPending() const { return m_sentPending && m_connected; }

    void connectDone(quint16 error)
    {
        m_connecting = false;
        m_connected = error == 0;
        if (m_connected)
            m_wire.connected();
        guarded(OnSessionConnected, error);
        if (error)
            drop(error);
    }
    void deliver(const QByteArray& bytes)
    {
        if (!m_connected)
            return;
        m_waiting += bytes;
        while (m_connected && !m_waiting.isEmpty()) {
            const qsizetype before = m_waiting.size();
            guarded(OnDataAvailable, 0);
            if (!m_connected)
                break;
            m_wire.allLinesTaken();
            // A socket that keeps telling of bytes nobody takes spins the event loop.
            expect(m_waiting.size() < before, "the client stopped reading");
        }
    }
    void drained()
    {
        if (!sentPending())
            return;
        m_sentPending = false;
        guarded(OnDataSent, 0);
    }
    void peerCloses()
    {
        deliver({});
        drop(0);
    }

private:
    void drop(quint16 error)
    {
        if (!m_connected && !m_connecting)
            return;
        m_connected = m_connecting = false;
        m_waiting.clear();
        m_sentPending = false;
        if (!m_closeRaised) {
            m_closeRaised = true;
            guarded(OnSessionClosed, error);
        }
    }
    // The socket would catch it and abort; from the client it is a fault all the same.
    static void guarded(const std::function<void(quint16)>& handler, quint16 error)
    {
        if (!handler)
            return;
        try {
            handler(error);
        } catch (const NetException& e) {
            expect(false, "an exception left the client's event handler", e.message().toLatin1());
        }
    }

    Wire& m_wire;
    QByteArray m_waiting;
    bool m_connecting = false;
    bool m_connected = false;
    bool m_sentPending = false;
    bool m_closeRaised = true;
};

// The request scripts: the dialog's own, single commands, two messages on one connection, a
// second send after the first.
struct Script
{
    std::vector<TSmtpRequest> steps;
    bool stopOnFailure;
};
const Script scripts[] = {
    { { smtpOpen, smtpMail, smtpQuit }, true },
    { { smtpConnect, smtpHelo, smtpMailFrom, smtpRcptTo, smtpData, smtpRset, smtpVrfy, smtpQuit },
        false },
    { { smtpOpen, smtpMail, smtpRset, smtpMail, smtpQuit }, false },
    { { smtpConnect, smtpHelo, smtpMail, smtpQuit }, true },
    // The operator sends again after the first send was said goodbye to.
    { { smtpOpen, smtpMail, smtpQuit, smtpOpen, smtpMail, smtpQuit }, false },
};

// The exchanges a request needs for success, in order, with the codes that accept each.
// A secure session needs a handshake that fuzzed bytes never complete, and a sign-in needs
// one: such a request never succeeds.
std::vector<std::pair<QByteArray, std::vector<int>>> needed(
    TSmtpRequest rq, int recipients, bool connected, TSmtpSecurity security, bool signIn)
{
    std::vector<std::pair<QByteArray, std::vector<int>>> n;
    const auto add = [&n](const char* verb, std::vector<int> ok) { n.emplace_back(verb, ok); };
    if ((rq == smtpConnect && security == TSmtpSecurity::Tls)
        || (rq == smtpOpen && (security != TSmtpSecurity::None || signIn)))
        add("TLS", {});
    if (rq == smtpConnect || rq == smtpOpen)
        add("220", { 220 });
    if (rq == smtpHelo || rq == smtpOpen)
        add("HELO", { 250 });
    if (rq == smtpMailFrom || rq == smtpMail)
        add("MAIL", { 250 });
    if (rq == smtpRcptTo || rq == smtpMail)
        for (int i = 0; i < recipients; ++i)
            add("RCPT", { 250, 251 });
    if (rq == smtpData || rq == smtpMail) {
        add("DATA", { 354 });
        add(".", { 250 });
    }
    if (rq == smtpRset)
        add("RSET", { 250 });
    if (rq == smtpVrfy)
        add("VRFY", { 250 });
    if (rq == smtpQuit && connected)
        add("QUIT", { 221 });
    return n;
}

struct Expected
{
    TSmtpRequest rq;
    size_t firstExchange;
    std::vector<std::pair<QByteArray, std::vector<int>>> needs;
};

unsigned nextRandom(unsigned& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The trust store is read at each handshake; a fuzzed one never gets as far as a
    // certificate, so an empty store keeps the runs fast.
    qputenv("SSL_CERT_FILE", "/dev/null");
    qputenv("SSL_CERT_DIR", "/nonexistent");
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    unsigned char head[5] = { 0, 0, 0, 0, 0 };
    const size_t headSize = std::min(size, size_t(size > 3 && data[3] & 0x40 ? 5 : 4));
    std::memcpy(head, data, headSize);
    const QByteArray server(
        reinterpret_cast<const char*>(data + headSize), qsizetype(size - headSize));

    const bool extended = head[3] & 0x40;
    const TSmtpSecurity security = extended ? TSmtpSecurity(head[4] % 3) : TSmtpSecurity::None;
    const bool signIn = extended && (head[4] & 4 || security == TSmtpSecurity::None);
    // A secure run keeps to the dialog's requests, which choose the session's opening.
    static constexpr size_t openingScripts[] = { 0, 2, 4 };
    const Script& script = extended
        ? scripts[openingScripts[(head[0] & 0x0f) % std::size(openingScripts)]]
        : scripts[(head[0] & 0x0f) % std::size(scripts)];
    const bool attach = head[0] & 0x10;
    const bool connectRefused = (head[0] & 0xe0) == 0xe0;
    const int recipients = 1 + head[1] % 3;
    const int cutting = head[2] % 4; // pieces of 1 byte, a line, up to 300 bytes, or all at once
    const int draining = head[2] >> 2 & 3; // sent data drains before each piece, once, or at end
    unsigned random = 0x9e3779b9u ^ (unsigned(head[2]) << 8 | head[1]);
    const int abortAt = head[3] & 0x80 ? head[3] & 0x3f : -1;

    Wire wire;
    wire.implicitTls = security == TSmtpSecurity::Tls;
    FakeLink link(wire);
    TTlsStream tls(link);
    TSmtpCli client;
    client.setStream(extended ? static_cast<ByteStream*>(&tls) : &link);
    client.Security = security;
    const QByteArray password = "Pw-fuzz-7q!";
    if (signIn) {
        client.User = QStringLiteral("vk3xyz");
        client.Password = QString::fromLatin1(password);
    }
    client.Host = QStringLiteral("127.0.0.1");
    client.SignOn = QStringLiteral("Vandrel");
    client.FromName = QStringLiteral("vk3xyz@example.net");
    for (int i = 0; i < recipients; ++i)
        client.RcptName.append(QStringLiteral("manager%1@example.org").arg(i));
    client.HdrFrom = client.FromName;
    client.HdrTo = client.RcptName.join(QLatin1Char(';'));
    client.HdrSubject = QStringLiteral("Log Submission from Vandrel for VK3XYZ");
    client.MailMessage
        = { QStringLiteral("Summary"), QStringLiteral("."), QStringLiteral(".leading dot"),
              QString(), QStringLiteral("bare\rCR and\nLF"), QString(1200, QLatin1Char('x')) };
    const QList<QByteArray> callerLines = { "20m,SSB,VK2AB", ".." };
    client.OnGetData = [&callerLines](int lineNum, QByteArray& msgLine, int, bool& more) {
        more = lineNum <= callerLines.size();
        if (more)
            msgLine = callerLines[lineNum - 1];
    };
    if (attach)
        client.EmailFiles = { QStringLiteral(VORAD_FUZZ_DATA "/VK3XYZ-HF.CSV") };

    std::deque<Expected> expected;
    size_t step = 0;
    bool timedOut = false;
    client.OnResponse = [&wire](const QString& line) { wire.response(line); };

    // Starts the script's next request, as the dialog does from its completion.
    const auto startNext = [&] {
        while (step < script.steps.size()) {
            const TSmtpRequest rq = script.steps[step++];
            Expected e { rq, wire.exchanges.size(),
                needed(rq, recipients, client.Connected(), security, signIn) };
            const TSmtpState before = client.State();
            try {
                // In the order of the request numbers.
                static constexpr void (TCustomSmtpClient::*calls[])() = {
                    &TCustomSmtpClient::Connect,
                    &TCustomSmtpClient::Helo,
                    &TCustomSmtpClient::MailFrom,
                    &TCustomSmtpClient::Vrfy,
                    &TCustomSmtpClient::RcptTo,
                    &TCustomSmtpClient::Data,
                    &TCustomSmtpClient::Quit,
                    &TCustomSmtpClient::Rset,
                    &TCustomSmtpClient::Open,
                    &TCustomSmtpClient::Mail,
                };
                (client.*calls[rq])();
            } catch (const NetException&) {
                // Refused at the call (not connected): nothing started, nothing to report.
                expect(client.State() == before, "a refused request changed the state");
                continue;
            }
            expected.push_back(e);
            return;
        }
    };
    client.OnRequestDone = [&](TSmtpRequest rq, quint16 error) {
        expect(!expected.empty() && expected.front().rq == rq, "a completion no request awaited",
            QByteArray::number(int(rq)));
        const Expected e = expected.front();
        expected.pop_front();
        const size_t end
            = expected.empty() ? wire.exchanges.size() : expected.front().firstExchange;
        if (error == 0) {
            bool accepted = end - e.firstExchange == e.needs.size();
            for (size_t i = 0; accepted && i < e.needs.size(); ++i) {
                const Exchange& x = wire.exchanges[e.firstExchange + i];
                const auto& ok = e.needs[i].second;
                accepted = x.verb == e.needs[i].first && x.answered
                    && std::find(ok.begin(), ok.end(), x.code) != ok.end();
            }
            expect(accepted, "success the replies did not give", QByteArray::number(int(rq)));
        } else if (error < 10000 && (rq == smtpOpen || rq == smtpMail) && !timedOut) {
            // A refusal is shown to the operator as the server's own line that refused.
            const Exchange* last = end > e.firstExchange ? &wire.exchanges[end - 1] : nullptr;
            // A 530 that names STARTTLS also says what to choose.
            const QString shown = client.ErrorMessage();
            const QString reply = last ? QString::fromLatin1(last->reply) : QString();
            // The secure road tells its own reasons, or the line that refused.
            const bool told = extended
                ? !shown.isEmpty() || (last && last->answered && reply.isEmpty())
                : last && last->answered
                ? (shown == reply
                      || (last->code == 530 && shown.startsWith(reply + QLatin1String(": "))))
                    && error == (last->code >= 100 && last->code <= 599 ? last->code : 500)
                : error == 500 && shown.startsWith(QLatin1String("500 "));
            expect(told, "a refusal told with the wrong text", shown.toLatin1());
        }
        if (error != 0 && script.stopOnFailure)
            step = script.steps.size(); // the dialog waits for its time-out
        if (expected.empty())
            startNext();
    };
    // The operator's time-out: the dialog aborts and says goodbye, and its send is over. The
    // request in flight ends first, then the goodbye, which needs no connection.
    const auto timeOut = [&] {
        timedOut = true;
        step = script.steps.size();
        client.Abort();
        client.Quit();
        expected.push_back({ smtpQuit, wire.exchanges.size(), {} });
    };
    const auto flush = [] { QCoreApplication::sendPostedEvents(); };
    const auto connectIfAsked = [&] {
        if (link.connecting()) {
            link.connectDone(connectRefused ? wsa::ECONNREFUSED_ : 0);
            flush();
        }
    };

    startNext();
    int index = 0;
    for (qsizetype at = 0; at < server.size(); ++index) {
        if (index == abortAt && !timedOut) {
            timeOut();
            flush();
        }
        connectIfAsked();
        for (int n = 0; link.sentPending() && (draining < 2 || (draining == 2 && n < 1)); ++n) {
            link.drained();
            flush();
        }
        const qsizetype lineEnd = server.indexOf('\n', at);
        const qsizetype pieces[] = { 1, lineEnd < 0 ? server.size() : lineEnd + 1 - at,
            1 + nextRandom(random) % 300, server.size() };
        const qsizetype piece = std::min(pieces[cutting], server.size() - at);
        link.deliver(server.mid(at, piece));
        at += piece;
        flush();
    }
    // The server has said everything: what the client still sends goes out, then it hangs up;
    // the rest of the script meets a server that answers a connect and hangs up at once.
    for (int n = 0; n < 20 && (n == 0 || step < script.steps.size() || !expected.empty()); ++n) {
        if (n > 0 && expected.empty())
            startNext();
        connectIfAsked();
        for (int k = 0; link.sentPending() && k < 10000; ++k) {
            link.drained();
            flush();
        }
        link.peerCloses();
        flush();
    }
    expect(expected.empty(), "a request that never ended",
        expected.empty() ? QByteArray() : QByteArray::number(int(expected.front().rq)));
    expect(
        client.State() == smtpReady && !client.Connected(), "the client not ready after the close");
    for (const QByteArray& form :
        { password, password.toBase64(), (QByteArray("\0vk3xyz\0", 8) + password).toBase64() })
        expect(!wire.clear.contains(form), "a form of the password sent outside TLS", form);
    return 0;
}
