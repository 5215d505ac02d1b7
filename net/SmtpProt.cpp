#include "SmtpProt.h"

#include <cstring>

#include <QRandomGenerator>

namespace vorad {

namespace {

const char* const dayNames[] = { "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun" };
const char* const monthNames[]
    = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };

QString lookupFailure(int error)
{
    return QStringLiteral("500 %1 (Winsock error #%2)").arg(WSocketErrorDesc(error)).arg(error);
}

QString bracketed(const QString& verb, const QString& address)
{
    const QString a = OneLine(address).trimmed();
    return a.contains(QLatin1Char('<')) && a.contains(QLatin1Char('>'))
        ? verb + a
        : verb + QLatin1Char('<') + a + QLatin1Char('>');
}

QString hostPart(const QString& text)
{
    QString host;
    for (QChar c : text)
        if (c.isLetterOrNumber() && c.unicode() < 128)
            host += c;
        else if (c == QLatin1Char('.') || c == QLatin1Char('-'))
            host += c;
    return host;
}

// "<time.random.VORAD@host>", the host taken from the sender's address where it has one.
QString messageId(const QString& from)
{
    const int at = from.lastIndexOf(QLatin1Char('@'));
    QString host = at >= 0 ? hostPart(from.mid(at + 1)) : QString();
    if (!host.contains(QLatin1Char('.'))) {
        try {
            host = hostPart(LocalHostName());
        } catch (const ESocketException&) {
            host.clear();
        }
    }
    if (host.isEmpty())
        host = QStringLiteral("vorad.localdomain");
    return QStringLiteral("<%1.%2.VORAD@%3>")
        .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")))
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
        .arg(host);
}

// A source line cut at its line ends, whichever kind it has.
QList<QByteArray> splitLineEnds(const QByteArray& line)
{
    QList<QByteArray> parts;
    int start = 0;
    for (int i = 0; i < line.size(); ++i) {
        if (line[i] != '\r' && line[i] != '\n')
            continue;
        parts.append(line.mid(start, i - start));
        if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    parts.append(line.mid(start));
    return parts;
}

// The code of a reply line. One that is not a three-digit reply code counts as a failure, so
// that no odd line is ever taken for the server's consent.
int replyCode(const QByteArray& line, bool* continuation)
{
    const int code = ParseStatusCode(line, continuation);
    return code >= 100 && code <= 599 ? code : 500;
}

} // namespace

QString TimeZoneSuffix(int biasMinutes)
{
    const int a = biasMinutes < 0 ? -biasMinutes : biasMinutes;
    // East of UTC, and UTC itself: "-0000" would say that the zone is unknown.
    return QStringLiteral("%1%2%3")
        .arg(QLatin1Char(biasMinutes <= 0 ? '+' : '-'))
        .arg(a / 60 % 100, 2, 10, QLatin1Char('0'))
        .arg(a % 60, 2, 10, QLatin1Char('0'));
}

int CurrentTimeZoneBias()
{
    return -QDateTime::currentDateTime().offsetFromUtc() / 60;
}

QString Rfc822Date(const QDateTime& local)
{
    const QDate d = local.date();
    const QTime t = local.time();
    return QStringLiteral("%1, %2 %3 %4 %5 %6")
        .arg(QLatin1String(dayNames[d.dayOfWeek() - 1]))
        .arg(d.day())
        .arg(QLatin1String(monthNames[d.month() - 1]))
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(t.toString(QStringLiteral("HH:mm:ss")), TimeZoneSuffix(-local.offsetFromUtc() / 60));
}

int ParseStatusCode(const QByteArray& line, bool* continuation)
{
    int i = 0;
    while (i < line.size()
        && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        negative = line[i++] == '-';
    int code = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        if (code < 100000)
            code = code * 10 + (line[i] - '0');
        ++i;
    }
    *continuation = i < line.size() && line[i] == '-';
    return negative ? -code : code;
}

QString OneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

TCustomSmtpClient::TCustomSmtpClient(QObject* parent)
    : QObject(parent)
    , m_socket(this)
    , m_receiveBuffer(ReceiveBufferSize, '\0')
{
    m_socket.OnDnsLookupDone = [this](quint16 e) { dnsLookupDone(e); };
    setStream(&m_socket);
}

TCustomSmtpClient::~TCustomSmtpClient()
{
    // The socket goes with this object; nothing it says any more concerns the caller.
    m_socket.OnDnsLookupDone = nullptr;
    m_stream->OnSessionConnected = nullptr;
    m_stream->OnDataAvailable = nullptr;
    m_stream->OnDataSent = nullptr;
    m_stream->OnSessionClosed = nullptr;
    if (TlsLayer* layer = tlsLayer()) {
        layer->OnSecured = nullptr;
        layer->OnFailed = nullptr;
    }
}

void TCustomSmtpClient::setStream(ByteStream* stream)
{
    // One connection drives the client: the one replaced tells it nothing more.
    if (m_stream) {
        m_stream->OnSessionConnected = nullptr;
        m_stream->OnDataAvailable = nullptr;
        m_stream->OnDataSent = nullptr;
        m_stream->OnSessionClosed = nullptr;
        if (TlsLayer* layer = tlsLayer()) {
            layer->OnSecured = nullptr;
            layer->OnFailed = nullptr;
        }
    }
    m_stream = stream;
    m_stream->OnSessionConnected = [this](quint16 e) { sessionConnected(e); };
    m_stream->OnDataAvailable = [this](quint16) { dataAvailable(); };
    m_stream->OnDataSent = [this](quint16) {
        if (OnProgress)
            OnProgress();
        if (m_transferring) {
            setState(smtpInternalReady);
            transfer();
        }
    };
    m_stream->OnSessionClosed = [this](quint16 e) { sessionClosed(e); };
    if (TlsLayer* layer = tlsLayer()) {
        layer->OnSecured = [this] { secured(); };
        layer->OnFailed = [this](const QString& reason) { refuseSession(500, reason); };
    }
}

void TCustomSmtpClient::setState(TSmtpState state)
{
    if (m_state == state)
        return;
    m_state = state;
    if (OnStateChange)
        OnStateChange();
}

void TCustomSmtpClient::checkReady() const
{
    if (m_state != smtpReady && m_state != smtpInternalReady)
        throw SmtpException(QStringLiteral("SMTP component not ready"));
}

void TCustomSmtpClient::recordError()
{
    if (!m_errorMessage.isEmpty())
        return;
    m_errorMessage = m_lastResponse;
    if (m_statusCode == 530
        && m_lastResponse.contains(QLatin1String("STARTTLS"), Qt::CaseInsensitive))
        m_errorMessage += QStringLiteral(
            ": the server wants a secure connection; choose STARTTLS (usually port 587)");
}

void TCustomSmtpClient::triggerRequestDone(int error)
{
    if (m_requestDone)
        return;
    m_requestDone = true;
    if (error == 0 && m_sequencerSet) {
        if (m_state != smtpAbort)
            setState(smtpInternalReady);
        try {
            sequencer();
        } catch (const std::exception& e) {
            // A step that cannot start ends the request, which is still reported.
            m_lastResponse = QStringLiteral("500 ") + OneLine(QString::fromLocal8Bit(e.what()));
            m_statusCode = 500;
            recordError();
            m_sequencerSet = false;
            m_fctSet = 0;
            m_requestDone = false;
            triggerRequestDone(500);
        }
        return;
    }
    setState(smtpReady);
    if (m_highLevelFlag && m_savedStatus >= 0) {
        m_lastResponse = m_savedLastResponse;
        m_statusCode = m_savedStatus;
    }
    m_highLevelFlag = false;
    // A failed high-level request leaves no step behind for the next request to run.
    m_sequencerSet = false;
    m_fctSet = 0;
    // The request is named as it was when it ended, not as it is when the call runs.
    QMetaObject::invokeMethod(
        this,
        [this, error, rq = m_requestType] {
            if (OnRequestDone)
                OnRequestDone(rq, quint16(error));
        },
        Qt::QueuedConnection);
}

void TCustomSmtpClient::failAndClose(int code, const QString& text)
{
    m_lastResponse = text;
    m_statusCode = code;
    m_requestResult = code;
    m_transferring = false;
    m_awaitingAcceptance = false;
    recordError();
    if (OnDisplay)
        OnDisplay(QStringLiteral("< ") + text);
    if (OnResponse)
        OnResponse(text);
    ReleaseMessage();
    triggerRequestDone(code);
    m_stream->Abort();
}

TlsLayer& TCustomSmtpClient::tls()
{
    if (!m_tls) {
        QString error;
        m_tls = LoadTlsLayer(m_socket, &error);
        if (!m_tls)
            throw SmtpException(
                QStringLiteral("Secure connections can not be made on this computer: %1")
                    .arg(OneLine(error)));
    }
    return *m_tls;
}

void TCustomSmtpClient::Connect()
{
    checkReady();
    if (m_connected)
        throw SmtpException(QStringLiteral("SMTP component already connected"));
    if (!m_highLevelFlag)
        m_requestType = smtpConnect;
    m_requestDone = false;
    m_receiveCount = 0;
    m_requestResult = 0;
    m_extensions.clear();
    m_secretsSent.clear();
    // The plain road is the socket itself; a secure one has the TLS layer over it. A stream
    // the caller set stays.
    if (Security == TSmtpSecurity::None && m_tls && m_stream == m_tls.get())
        setStream(&m_socket);
    setState(smtpDnsLookup);
    try {
        if (Security != TSmtpSecurity::None && m_stream == &m_socket)
            setStream(&tls());
        if (TlsLayer* layer = tlsLayer())
            layer->Prepare(Security == TSmtpSecurity::Tls, Host.trimmed());
        m_socket.DnsLookup(Host);
    } catch (...) {
        // Refused before anything started: the client takes requests again.
        m_requestDone = true;
        m_highLevelFlag = false;
        m_sequencerSet = false;
        setState(smtpReady);
        throw;
    }
}

void TCustomSmtpClient::dnsLookupDone(quint16 error)
{
    if (error != 0) {
        m_lastResponse = lookupFailure(error);
        m_statusCode = 500;
        recordError();
        triggerRequestDone(error);
        return;
    }
    try {
        m_socket.SetAddr(m_socket.DnsResult());
        m_socket.Proto = QStringLiteral("tcp");
        m_socket.Port = Port;
        setState(smtpConnecting);
        m_stream->Connect();
    } catch (const ESocketException& e) {
        // A port that does not convert or a connect refused at once ends the request.
        const int code = m_socket.LastError() ? m_socket.LastError() : wsa::EINVAL_;
        m_lastResponse = m_socket.LastError() ? lookupFailure(code)
                                              : QStringLiteral("500 ") + OneLine(e.message());
        m_statusCode = 500;
        recordError();
        triggerRequestDone(code);
        m_stream->Abort();
    }
}

void TCustomSmtpClient::sessionConnected(quint16 error)
{
    if (error != 0) {
        m_lastResponse = lookupFailure(error);
        if (Security != TSmtpSecurity::None)
            m_lastResponse += QStringLiteral(": nothing answers at port %1 of %2; check the "
                                             "server name and the port (587 for STARTTLS, 465 "
                                             "for TLS)")
                                  .arg(Port, Host);
        m_statusCode = 500;
        m_connected = false;
        recordError();
        triggerRequestDone(error);
        setState(smtpReady);
        return;
    }
    m_connected = true;
    setState(smtpWaitingBanner);
}

void TCustomSmtpClient::sessionClosed(quint16 error)
{
    // No reply can come to be masked any more: the secret's forms need not stay in memory.
    m_secretsSent.clear();
    m_connected = false;
    m_transferring = false;
    m_awaitingAcceptance = false;
    ReleaseMessage();
    if (OnSessionClosed)
        OnSessionClosed(error);
    triggerRequestDone(wsa::EINTR_);
}

void TCustomSmtpClient::dataAvailable()
{
    const int room = ReceiveBufferSize - m_receiveCount;
    if (room <= 0)
        return;
    const int n = m_stream->Receive(m_receiveBuffer.data() + m_receiveCount, room);
    if (n <= 0)
        return;
    m_receiveCount += n;
    while (m_receiveCount > 0) {
        const char* data = m_receiveBuffer.constData();
        const char* end = nullptr;
        for (int i = 0; i + 1 < m_receiveCount; ++i)
            if (data[i] == '\r' && data[i + 1] == '\n') {
                end = data + i;
                break;
            }
        if (!end) {
            // A full buffer without a line end would never take another byte.
            if (m_receiveCount >= ReceiveBufferSize) {
                m_receiveCount = 0;
                failAndClose(500,
                    QStringLiteral("500 The server sent a reply line longer than %1 characters")
                        .arg(ReceiveBufferSize - 2));
            }
            return;
        }
        QByteArray line(data, int(end - data));
        const int used = line.size() + 2;
        // After the code only, which a short password must not spoil.
        for (const QByteArray& secret : std::as_const(m_secretsSent))
            if (line.size() > 4)
                line = line.left(4) + line.mid(4).replace(secret, "(password)");
        std::memmove(m_receiveBuffer.data(), data + used, size_t(m_receiveCount - used));
        m_receiveCount -= used;
        m_lastResponse = QString::fromLatin1(line);
        if (OnResponse)
            OnResponse(m_lastResponse);
        switch (m_state) {
        case smtpWaitingBanner:
            greeting(line);
            break;
        case smtpWaitingResponse:
            if (!m_replyHandlerSet)
                throw SmtpException(QStringLiteral("Program error: FNext is nil"));
            m_replyLines.append(m_lastResponse);
            evaluateReply(line);
            break;
        default:
            if (OnDisplay)
                OnDisplay(QStringLiteral("< ") + m_lastResponse);
            break;
        }
    }
}

bool TCustomSmtpClient::finalReply(const QByteArray& line, int* code)
{
    if (OnDisplay)
        OnDisplay(QStringLiteral("< ") + QString::fromLatin1(line));
    bool continuation = false;
    *code = replyCode(line, &continuation);
    m_statusCode = *code;
    if (continuation)
        return false; // a reply of several lines is judged by its last
    m_awaitingAcceptance = false;
    if (OnProgress)
        OnProgress();
    return true;
}

void TCustomSmtpClient::greeting(const QByteArray& line)
{
    int code = 0;
    if (!finalReply(line, &code))
        return;
    if (code == 220) {
        setState(smtpConnected);
        if (OnSessionConnected)
            OnSessionConnected(0);
        triggerRequestDone(0);
        return;
    }
    recordError();
    m_requestResult = code;
    m_stream->Close();
}

void TCustomSmtpClient::evaluateReply(const QByteArray& line)
{
    int code = 0;
    if (!finalReply(line, &code))
        return;
    bool ok = false;
    if (m_okResponses[0] == 0) {
        ok = code < 500;
    } else {
        for (int i = 0; m_okResponses[i] != 0 && !ok; ++i)
            ok = m_okResponses[i] == code;
    }
    m_requestResult = ok ? 0 : code;
    if (!ok)
        recordError();
    if (m_continuation) {
        const Step next = m_continuation;
        m_continuation = nullptr;
        (this->*next)();
    } else {
        triggerRequestDone(m_requestResult);
    }
}

void TCustomSmtpClient::execCommand(TSmtpRequest rq, const QString& command,
    std::initializer_list<int> ok, Step continuation, const QString& shown)
{
    checkReady();
    if (!m_connected)
        throw SmtpException(QStringLiteral("SMTP component not connected"));
    if (!m_highLevelFlag)
        m_requestType = rq;
    int i = 0;
    for (int code : ok)
        if (i < 16)
            m_okResponses[i++] = code;
    m_okResponses[i] = 0;
    m_requestDone = false;
    m_replyHandlerSet = true;
    m_continuation = continuation;
    m_replyLines.clear();
    setState(smtpWaitingResponse);
    // A command that carries a secret is shown by what it does, not what it holds.
    const QString told = shown.isEmpty() ? command : shown;
    if (OnCommand)
        OnCommand(told);
    if (OnDisplay)
        OnDisplay(QStringLiteral("> ") + told);
    if (m_stream->IsConnected()) {
        const QByteArray bytes = command.toLatin1() + "\r\n";
        m_stream->Send(bytes.constData(), int(bytes.size()));
    }
}

void TCustomSmtpClient::Helo()
{
    QString name = OneLine(SignOn);
    if (name.isEmpty())
        name = LocalHostName();
    execCommand(smtpHelo, QStringLiteral("HELO ") + name, { 250 }, nullptr);
}

bool TCustomSmtpClient::extendedSession() const
{
    return Security != TSmtpSecurity::None || !User.isEmpty() || !Password.isEmpty();
}

void TCustomSmtpClient::ehlo()
{
    QString name = OneLine(SignOn);
    if (name.isEmpty())
        name = LocalHostName();
    m_errorBeforeEhlo = m_errorMessage;
    execCommand(smtpHelo, QStringLiteral("EHLO ") + name, { 250 }, &TCustomSmtpClient::ehloDone);
}

void TCustomSmtpClient::ehloDone()
{
    m_extensions.clear();
    const bool refused = m_requestResult >= 500 && m_requestResult < 600;
    if (refused && Security == TSmtpSecurity::StartTls && !Secure()) {
        // No EHLO, so no STARTTLS either: the reason is told as such.
        m_errorMessage = m_errorBeforeEhlo;
        m_requestResult = 0;
        afterHello();
        return;
    }
    if (refused && Security != TSmtpSecurity::StartTls) {
        // A server of old that knows HELO only: the session goes on without extensions.
        m_errorMessage = m_errorBeforeEhlo;
        m_requestResult = 0;
        setState(smtpInternalReady);
        QString name = OneLine(SignOn);
        if (name.isEmpty())
            name = LocalHostName();
        execCommand(
            smtpHelo, QStringLiteral("HELO ") + name, { 250 }, &TCustomSmtpClient::heloDone);
        return;
    }
    if (m_requestResult != 0 && extendedSession() && !Secure()) {
        // Left open, the plain connection would take a later MAIL in the clear.
        refuseSession(m_requestResult,
            QStringLiteral("The server did not take EHLO (%1), so nothing was sent: try again "
                           "later, or ask your mail provider")
                .arg(m_lastResponse.left(80)));
        return;
    }
    if (m_requestResult != 0) {
        triggerRequestDone(m_requestResult);
        return;
    }
    // The first line greets; each further one names an extension.
    for (int i = 1; i < m_replyLines.size(); ++i)
        m_extensions.append(m_replyLines[i].mid(4).trimmed().toUpper());
    afterHello();
}

void TCustomSmtpClient::heloDone()
{
    if (m_requestResult != 0) {
        triggerRequestDone(m_requestResult);
        // A session meant to sign in takes no later MAIL in the clear.
        if (extendedSession() && !Secure())
            m_stream->Abort();
    } else
        afterHello();
}

void TCustomSmtpClient::afterHello()
{
    setState(smtpInternalReady);
    // TLS from the first byte needs the TLS layer: a stream the caller set has none.
    if (Security == TSmtpSecurity::Tls && !Secure()) {
        refuseSession(500, QStringLiteral("This connection cannot be made secure"));
        return;
    }
    if (Security == TSmtpSecurity::StartTls && !Secure()) {
        if (!m_extensions.contains(QLatin1String("STARTTLS"))) {
            refuseSession(500,
                QStringLiteral("The server does not offer STARTTLS, so nothing was sent: choose "
                               "TLS (usually port 465), or ask your mail provider"));
            return;
        }
        execCommand(
            smtpHelo, QStringLiteral("STARTTLS"), { 220 }, &TCustomSmtpClient::startTlsReply);
        return;
    }
    if (!User.isEmpty() || !Password.isEmpty()) {
        authenticate();
        return;
    }
    triggerRequestDone(0);
}

void TCustomSmtpClient::startTlsReply()
{
    if (m_requestResult != 0) {
        refuseSession(m_requestResult,
            QStringLiteral("The server refused STARTTLS (%1), so nothing was sent: try TLS "
                           "(usually port 465), or ask your mail provider")
                .arg(m_lastResponse.left(80)));
        return;
    }
    // Whatever came with the go-ahead was not protected: it is dropped (RFC 3207).
    m_receiveCount = 0;
    TlsLayer* layer = tlsLayer();
    if (!layer)
        refuseSession(500, QStringLiteral("This connection cannot be made secure"));
    else if (!layer->StartTls())
        refuseSession(500, layer->FailureText());
}

void TCustomSmtpClient::secured()
{
    // Secure from the greeting on (implicit TLS): the session starts as on a plain one.
    if (Security == TSmtpSecurity::Tls)
        return;
    // What was learnt before the handshake is forgotten: the server is asked again.
    m_extensions.clear();
    setState(smtpInternalReady);
    ehlo();
}

void TCustomSmtpClient::authenticate()
{
    if (!Secure()) {
        refuseSession(500,
            QStringLiteral("A password is sent over a secure connection only, so nothing was "
                           "sent: choose STARTTLS or TLS"));
        return;
    }
    QStringList mechanisms;
    for (const QString& e : std::as_const(m_extensions))
        if (e.startsWith(QLatin1String("AUTH ")) || e.startsWith(QLatin1String("AUTH=")))
            mechanisms += e.mid(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (mechanisms.contains(QLatin1String("PLAIN"))) {
        const QByteArray token
            = (QByteArray(1, '\0') + User.toUtf8() + QByteArray(1, '\0') + Password.toUtf8())
                  .toBase64();
        keepSecret(token);
        execCommand(smtpHelo, QStringLiteral("AUTH PLAIN ") + QString::fromLatin1(token), { 235 },
            &TCustomSmtpClient::authDone, QStringLiteral("AUTH PLAIN (user name and password)"));
    } else if (mechanisms.contains(QLatin1String("LOGIN"))) {
        execCommand(smtpHelo, QStringLiteral("AUTH LOGIN"), { 334 }, &TCustomSmtpClient::loginUser);
    } else {
        refuseSession(500,
            QStringLiteral("The server offers no way of signing in that this program knows "
                           "(PLAIN or LOGIN), so nothing was sent"));
    }
}

void TCustomSmtpClient::keepSecret(const QByteArray& sent)
{
    // The password itself too, should a server decode what it was sent and echo that.
    for (const QByteArray& form : { sent, Password.toUtf8(), Password.toLatin1() })
        if (!form.isEmpty() && !m_secretsSent.contains(form))
            m_secretsSent.append(form);
}

void TCustomSmtpClient::loginUser()
{
    if (m_requestResult != 0) {
        authDone();
        return;
    }
    setState(smtpInternalReady);
    execCommand(smtpHelo, QString::fromLatin1(User.toUtf8().toBase64()), { 334 },
        &TCustomSmtpClient::loginPassword, QStringLiteral("(user name)"));
}

void TCustomSmtpClient::loginPassword()
{
    if (m_requestResult != 0) {
        authDone();
        return;
    }
    setState(smtpInternalReady);
    keepSecret(Password.toUtf8().toBase64());
    execCommand(smtpHelo, QString::fromLatin1(Password.toUtf8().toBase64()), { 235 },
        &TCustomSmtpClient::authDone, QStringLiteral("(password)"));
}

void TCustomSmtpClient::authDone()
{
    if (m_requestResult == 0) {
        triggerRequestDone(0);
        return;
    }
    const QString reply = m_lastResponse.left(80);
    refuseSession(m_requestResult,
        m_requestResult == 535
            ? QStringLiteral("The server refused the user name or password (%1): check both")
                  .arg(reply)
            : QStringLiteral("The server refused to sign in (%1): check the user name and "
                             "password")
                  .arg(reply));
}

void TCustomSmtpClient::refuseSession(int code, const QString& text)
{
    // The plain reason stands in for the raw reply the failure came with.
    m_errorMessage.clear();
    failAndClose(code, text);
}

void TCustomSmtpClient::Vrfy()
{
    execCommand(smtpVrfy, QStringLiteral("VRFY ") + OneLine(HdrTo), { 250 }, nullptr);
}

void TCustomSmtpClient::MailFrom()
{
    execCommand(smtpMailFrom, bracketed(QStringLiteral("MAIL FROM:"), FromName), { 250 }, nullptr);
}

void TCustomSmtpClient::RcptTo()
{
    if (RcptName.isEmpty())
        throw SmtpException(QStringLiteral("RcptName list is empty"));
    m_rcptIndex = 0;
    execCommand(smtpRcptTo, bracketed(QStringLiteral("RCPT TO:"), RcptName[0]), { 250, 251 },
        RcptName.size() > 1 ? &TCustomSmtpClient::nextRecipient : nullptr);
}

void TCustomSmtpClient::nextRecipient()
{
    // A refused recipient ends the request: the mail would otherwise be reported as sent.
    if (m_requestResult != 0) {
        triggerRequestDone(m_requestResult);
        return;
    }
    setState(smtpInternalReady);
    ++m_rcptIndex;
    const bool last = m_rcptIndex + 1 >= RcptName.size();
    execCommand(smtpRcptTo, bracketed(QStringLiteral("RCPT TO:"), RcptName[m_rcptIndex]),
        { 250, 251 }, last ? nullptr : &TCustomSmtpClient::nextRecipient);
}

void TCustomSmtpClient::Rset()
{
    execCommand(smtpRset, QStringLiteral("RSET"), { 250 }, nullptr);
}

void TCustomSmtpClient::Quit()
{
    checkReady();
    if (m_connected) {
        execCommand(smtpQuit, QStringLiteral("QUIT"), { 221 }, &TCustomSmtpClient::quitDone);
        return;
    }
    m_requestType = smtpQuit;
    m_requestDone = false;
    triggerRequestDone(0);
}

void TCustomSmtpClient::quitDone()
{
    // The goodbye is said: our side closes too, whether or not the server does.
    triggerRequestDone(m_requestResult);
    m_stream->Close();
}

void TCustomSmtpClient::Data()
{
    m_bodyLineNum = 0;
    m_moreLines = true;
    m_rcptIndex = -1;
    m_headerLines.clear();
    auto header = [this](const char* name, const QString& value) {
        m_headerLines.append(QLatin1String(name) + OneLine(value));
    };
    if (!HdrReplyTo.trimmed().isEmpty())
        header("Reply-To: ", HdrReplyTo);
    if (!HdrReturnPath.trimmed().isEmpty())
        header("Return-Path: ", HdrReturnPath);
    header("From: ", HdrFrom);
    header("To: ", HdrTo);
    header("Subject: ", HdrSubject);
    if (!HdrSender.trimmed().isEmpty())
        header("Sender: ", HdrSender);
    else if (!HdrFrom.trimmed().isEmpty())
        header("Sender: ", HdrFrom);
    m_headerLines.append(QStringLiteral("Mime-Version: 1.0"));
    header("Content-Type: ",
        (ContentType == smtpHTML ? QStringLiteral("text/html") : QStringLiteral("text/plain"))
            + QStringLiteral("; charset=\"") + CharSet + QLatin1Char('"'));
    header("Date: ", Rfc822Date(QDateTime::currentDateTime()));
    // Large providers score or refuse mail that carries no identity of its own.
    header("Message-ID: ", messageId(HdrFrom));
    if (OnProcessHeader)
        OnProcessHeader(m_headerLines);
    m_headerLines.append(QString());
    m_headerIndex = 0;
    m_pendingParts.clear();
    execCommand(smtpData, QStringLiteral("DATA"), { 354 }, &TCustomSmtpClient::dataAccepted);
}

void TCustomSmtpClient::dataAccepted()
{
    // A refused DATA ends here: the server would read the message lines as commands.
    if (m_requestResult != 0) {
        triggerRequestDone(m_requestResult);
        return;
    }
    setState(smtpInternalReady);
    m_transferring = true;
    transfer();
}

void TCustomSmtpClient::sendLine(const QByteArray& line)
{
    if (OnDisplay)
        OnDisplay(QStringLiteral("> ") + QString::fromLatin1(line));
    const QByteArray bytes = line + "\r\n";
    m_stream->Send(bytes.constData(), int(bytes.size()));
}

void TCustomSmtpClient::transfer()
{
    if (!m_connected || !m_stream->IsConnected()) {
        m_transferring = false;
        return;
    }
    if (m_headerIndex < m_headerLines.size()) {
        QByteArray line = m_headerLines[m_headerIndex++].toLatin1().left(LineBufferSize - 1);
        HeaderLineHook(line);
        sendLine(line);
        return;
    }
    QByteArray line;
    if (!m_pendingParts.isEmpty()) {
        line = m_pendingParts.takeFirst();
    } else {
        const BodyLine got = m_moreLines ? NextBodyLine(line, MaxTextLine + 1) : BodyLine::End;
        if (got == BodyLine::Abandon) {
            failAndClose(500, QStringLiteral("500 ") + OneLine(abandonReason));
            return;
        }
        if (got == BodyLine::End) {
            m_moreLines = false;
            m_transferring = false;
            ReleaseMessage();
            m_awaitingAcceptance = true;
            execCommand(smtpData, QStringLiteral("."), { 250 }, nullptr);
            return;
        }
        // Every line goes out with CR LF, whatever line ends the source had.
        m_pendingParts = splitLineEnds(line);
        line = m_pendingParts.takeFirst();
    }
    // Cut so that the line, with a doubled leading dot, stays within the mail format's limit.
    if (line.size() > MaxTextLine - (line.startsWith('.') ? 1 : 0))
        line.truncate(MaxTextLine - (line.startsWith('.') ? 1 : 0));
    if (line.startsWith('.'))
        line.prepend('.');
    sendLine(line);
}

TCustomSmtpClient::BodyLine TCustomSmtpClient::NextBodyLine(QByteArray& line, int maxLen)
{
    return CallerLine(++m_bodyLineNum, line, maxLen) ? BodyLine::Line : BodyLine::End;
}

bool TCustomSmtpClient::CallerLine(int lineNum, QByteArray& line, int maxLen)
{
    if (!OnGetData)
        return false;
    bool more = true;
    line.clear();
    try {
        OnGetData(lineNum, line, maxLen, more);
    } catch (...) {
        return false; // a failing source ends the body
    }
    if (!more)
        return false;
    if (line.size() > maxLen)
        line.truncate(maxLen);
    return true;
}

void TCustomSmtpClient::HeaderLineHook(QByteArray& line)
{
    if (OnHeaderLine) {
        OnHeaderLine(line, LineBufferSize);
        line.truncate(LineBufferSize - 1);
    }
}

void TCustomSmtpClient::highLevel(TSmtpRequest rq, std::initializer_list<Fct> steps)
{
    int set = 0;
    for (Fct f : steps)
        set |= 1 << f;
    if (m_connected && (set & (1 << FctConnect)))
        throw SmtpException(QStringLiteral("SMTP component already connected"));
    checkReady();
    m_savedLastResponse = m_lastResponse;
    m_savedStatus = -1;
    m_requestType = rq;
    m_requestResult = 0;
    m_fctSet = set;
    m_fctRunning = FctNone;
    m_highLevelResult = 0;
    m_highLevelFlag = true;
    m_lastResponse.clear();
    m_errorMessage.clear();
    m_sequencerSet = true;
    try {
        sequencer();
    } catch (...) {
        m_highLevelFlag = false;
        m_sequencerSet = false;
        m_fctSet = 0;
        throw;
    }
}

void TCustomSmtpClient::sequencer()
{
    if (m_state == smtpAbort) {
        m_fctSet = 0;
        m_highLevelResult = 426;
        m_errorMessage = QStringLiteral("426 Operation aborted.");
    }
    if (m_requestResult != 0) {
        m_highLevelResult = m_requestResult;
        const bool quitPending = (m_fctSet & (1 << FctQuit)) && m_fctRunning != FctQuit;
        m_fctSet = quitPending ? 1 << FctQuit : 0;
    }
    static constexpr Fct order[]
        = { FctConnect, FctHelo, FctVrfy, FctMailFrom, FctRcptTo, FctData, FctQuit };
    for (Fct f : order) {
        if (!(m_fctSet & (1 << f)))
            continue;
        m_fctSet &= ~(1 << f);
        m_fctRunning = f;
        switch (f) {
        case FctConnect:
            Connect();
            break;
        case FctHelo:
            if (extendedSession())
                ehlo();
            else
                Helo();
            break;
        case FctVrfy:
            Vrfy();
            break;
        case FctMailFrom:
            MailFrom();
            break;
        case FctRcptTo:
            RcptTo();
            break;
        case FctData:
            Data();
            break;
        case FctQuit:
            Quit();
            break;
        case FctNone:
            break;
        }
        return;
    }
    m_fctSet = 0;
    m_sequencerSet = false;
    m_requestDone = false;
    triggerRequestDone(m_highLevelResult);
}

void TCustomSmtpClient::Open()
{
    highLevel(smtpOpen, { FctConnect, FctHelo });
}

void TCustomSmtpClient::Mail()
{
    highLevel(smtpMail, { FctMailFrom, FctRcptTo, FctData });
}

void TCustomSmtpClient::Abort()
{
    setState(smtpAbort);
    m_transferring = false;
    m_awaitingAcceptance = false;
    ReleaseMessage();
    m_socket.CancelDnsLookup();
    m_stream->Abort();
    setState(smtpReady);
}

} // namespace vorad
