#include "WSocket.h"

#include <cerrno>
#include <cstring>
#include <thread>

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorad {

NetException::NetException(QString message)
    : m_message(std::move(message))
    , m_what(m_message.toLocal8Bit())
{ }

namespace {

struct ErrorText
{
    int number;
    const char* text;
};

const ErrorText errorTexts[] = {
    { 0, "No Error" },
    { 10004, "Interrupted system call" },
    { 10009, "Bad file number" },
    { 10013, "Permission denied" },
    { 10014, "Bad address" },
    { 10022, "Invalid argument" },
    { 10024, "Too many open files" },
    { 10035, "Operation would block" },
    { 10036, "Operation now in progress" },
    { 10037, "Operation already in progress" },
    { 10038, "Socket operation on non-socket" },
    { 10039, "Destination address required" },
    { 10040, "Message too long" },
    { 10041, "Protocol wrong type for socket" },
    { 10042, "Protocol not available" },
    { 10043, "Protocol not supported" },
    { 10044, "Socket type not supported" },
    { 10045, "Operation not supported on socket" },
    { 10046, "Protocol family not supported" },
    { 10047, "Address family not supported by protocol family" },
    { 10048, "Address already in use" },
    { 10049, "Address not available" },
    { 10050, "Network is down" },
    { 10051, "Network is unreachable" },
    { 10052, "Network dropped connection on reset" },
    { 10053, "Connection aborted" },
    { 10054, "Connection reset by peer" },
    { 10055, "No buffer space available" },
    { 10056, "Socket is already connected" },
    { 10057, "Socket is not connected" },
    { 10058, "Can't send after socket shutdown" },
    { 10059, "Too many references: can't splice" },
    { 10060, "Connection timed out" },
    { 10061, "Connection refused" },
    { 10062, "Too many levels of symbolic links" },
    { 10063, "File name too long" },
    { 10064, "Host is down" },
    { 10065, "No route to host" },
    { 10066, "Directory not empty" },
    { 10067, "Too many processes" },
    { 10068, "Too many users" },
    { 10069, "Disc quota exceeded" },
    { 10070, "Stale NFS file handle" },
    { 10071, "Too many levels of remote in path" },
    { 10091, "Network sub-system is unusable" },
    { 10092, "WinSock DLL cannot support this application" },
    { 10093, "WinSock not initialized" },
    { 11001, "Host not found" },
    { 11002, "Non-authoritative host not found" },
    { 11003, "Non-recoverable error" },
    { 11004, "No Data" },
};

struct ErrnoMap
{
    int posix;
    quint16 winsock;
};

const ErrnoMap errnoMap[] = {
    { EINTR, 10004 },
    { EBADF, 10009 },
    { EACCES, 10013 },
    { EPERM, 10013 },
    { EFAULT, 10014 },
    { EINVAL, 10022 },
    { EMFILE, 10024 },
    { ENFILE, 10024 },
    { EAGAIN, 10035 },
    { EINPROGRESS, 10036 },
    { EALREADY, 10037 },
    { ENOTSOCK, 10038 },
    { EDESTADDRREQ, 10039 },
    { EMSGSIZE, 10040 },
    { EPROTOTYPE, 10041 },
    { ENOPROTOOPT, 10042 },
    { EPROTONOSUPPORT, 10043 },
    { ESOCKTNOSUPPORT, 10044 },
    { EOPNOTSUPP, 10045 },
    { EPFNOSUPPORT, 10046 },
    { EAFNOSUPPORT, 10047 },
    { EADDRINUSE, 10048 },
    { EADDRNOTAVAIL, 10049 },
    { ENETDOWN, 10050 },
    { ENETUNREACH, 10051 },
    { ENETRESET, 10052 },
    { ECONNABORTED, 10053 },
    // A write to a connection the peer has shut is an aborted connection to the caller.
    { EPIPE, 10053 },
    { ECONNRESET, 10054 },
    { ENOBUFS, 10055 },
    { ENOMEM, 10055 },
    { EISCONN, 10056 },
    { ENOTCONN, 10057 },
    { ESHUTDOWN, 10058 },
    { ETOOMANYREFS, 10059 },
    { ETIMEDOUT, 10060 },
    { ECONNREFUSED, 10061 },
    { ELOOP, 10062 },
    { ENAMETOOLONG, 10063 },
    { EHOSTDOWN, 10064 },
    { EHOSTUNREACH, 10065 },
    { ENOTEMPTY, 10066 },
    { EUSERS, 10068 },
    { EDQUOT, 10069 },
    { ESTALE, 10070 },
    { EREMOTE, 10071 },
};

// Service names a machine without a services database still knows.
struct WellKnownPort
{
    const char* name;
    int port;
};
const WellKnownPort wellKnownPorts[]
    = { { "smtp", 25 }, { "submission", 587 }, { "smtps", 465 }, { "submissions", 465 } };

bool isDottedIp(const QString& host)
{
    if (host.isEmpty())
        return false;
    for (QChar c : host)
        if (c != QLatin1Char('.') && !c.isDigit())
            return false;
    return true;
}

bool allDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString dotted(in_addr address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

} // namespace

QString WSocketErrorDesc(int error)
{
    for (const ErrorText& e : errorTexts)
        if (e.number == error)
            return QString::fromLatin1(e.text);
    return QStringLiteral("Not a WinSock error");
}

quint16 WinsockErrorFromErrno(int error)
{
    if (error == 0)
        return 0;
    if (error == EWOULDBLOCK)
        return wsa::EWOULDBLOCK_;
    for (const ErrnoMap& m : errnoMap)
        if (m.posix == error)
            return m.winsock;
    return wsa::EINVAL_;
}

quint16 WinsockErrorFromLookup(int gaiError, int savedErrno)
{
    switch (gaiError) {
    case 0:
        return 0;
    case EAI_NONAME:
        return 11001;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return 11004;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return 11004;
#endif
    case EAI_AGAIN:
        return 11002;
    case EAI_FAIL:
        return 11003;
    case EAI_FAMILY:
        return 10047;
    case EAI_MEMORY:
        return 10055;
    case EAI_SERVICE:
    case EAI_SOCKTYPE:
        return 10022;
    case EAI_SYSTEM:
        return WinsockErrorFromErrno(savedErrno);
    default:
        return 11003;
    }
}

QString LocalHostName()
{
    char name[64] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        throw ESocketException(QStringLiteral("Winsock.GetHostName failed"));
    return QString::fromLatin1(name);
}

TCustomWSocket::TCustomWSocket(QObject* parent)
    : QObject(parent)
{ }

TCustomWSocket::~TCustomWSocket()
{
    ++m_lookupId; // a lookup still running finds nobody to tell
    if (m_mailbox) {
        const std::lock_guard<std::mutex> hold(m_mailbox->lock);
        m_mailbox->receiver = nullptr;
    }
    stopNotifiers();
    if (m_fd >= 0)
        ::close(m_fd);
}

void TCustomWSocket::SetAddr(const QString& addr)
{
    if (m_state != wsClosed) {
        raise(QStringLiteral("Cannot change Addr if not closed"));
        return;
    }
    m_addr = addr;
}

void TCustomWSocket::raise(const QString& message)
{
    if (OnError) {
        OnError(message);
        return;
    }
    throw ESocketException(message);
}

void TCustomWSocket::report(const QString& operation, int error)
{
    const QString text = QStringLiteral("Error %1 in function %2\r\n%3")
                             .arg(error)
                             .arg(operation, WSocketErrorDesc(error));
    if (error == wsa::ECONNRESET_ || error == wsa::ENOTCONN_) {
        stopNotifiers();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        setState(wsClosed);
    }
    m_lastError = error;
    raise(text);
}

void TCustomWSocket::setState(TSocketState state)
{
    const TSocketState old = m_state;
    m_state = state;
    if (old != state && OnChangeState)
        OnChangeState(old, state);
}

void TCustomWSocket::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        bool canClose = true;
        if (OnBgException)
            OnBgException(e, canClose);
        if (canClose)
            Abort();
    }
}

void TCustomWSocket::DnsLookup(const QString& host)
{
    if (host.isEmpty()) {
        raise(QStringLiteral("DNS lookup: invalid host name."));
        if (OnDnsLookupDone)
            OnDnsLookupDone(wsa::EINVAL_);
        return;
    }
    if (m_lookupPending) {
        m_lookupPending = false;
        ++m_lookupId;
    }
    m_dnsResult.clear();
    m_dnsResultList.clear();
    in_addr address {};
    if (isDottedIp(host) && inet_aton(host.toLatin1().constData(), &address)) {
        m_dnsResult = dotted(address);
        m_dnsResultList = { m_dnsResult };
        if (OnDnsLookupDone)
            OnDnsLookupDone(0);
        return;
    }
    // getaddrinfo() blocks, so it runs on a thread of its own, which the end of the program
    // does not wait for (a DNS server that never answers holds it for many seconds); the
    // answer comes back as a queued call.
    const quint64 id = ++m_lookupId;
    m_lookupPending = true;
    if (!m_mailbox) {
        m_mailbox = std::make_shared<LookupMailbox>();
        m_mailbox->receiver = this;
    }
    const QByteArray name = host.toLatin1();
    std::thread([mailbox = m_mailbox, id, name] {
        addrinfo hints {};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int rc = getaddrinfo(name.constData(), nullptr, &hints, &found);
        const int saved = errno;
        QStringList addresses;
        for (addrinfo* a = found; rc == 0 && a; a = a->ai_next) {
            const QString text = dotted(reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr);
            if (!addresses.contains(text))
                addresses.append(text);
        }
        if (found)
            freeaddrinfo(found);
        const int error
            = rc == 0 ? (addresses.isEmpty() ? 11004 : 0) : WinsockErrorFromLookup(rc, saved);
        const std::lock_guard<std::mutex> hold(mailbox->lock);
        if (auto* self = static_cast<TCustomWSocket*>(mailbox->receiver))
            QMetaObject::invokeMethod(
                self, [self, id, error, addresses] { self->lookupFinished(id, error, addresses); },
                Qt::QueuedConnection);
    }).detach();
}

void TCustomWSocket::lookupFinished(quint64 id, int error, const QStringList& addresses)
{
    if (!m_lookupPending || id != m_lookupId)
        return;
    m_lookupPending = false;
    if (error == 0) {
        m_dnsResultList = addresses;
        m_dnsResult = addresses.value(0);
    }
    guarded([this, error] {
        if (OnDnsLookupDone)
            OnDnsLookupDone(quint16(error));
    });
}

void TCustomWSocket::CancelDnsLookup()
{
    if (!m_lookupPending)
        return;
    m_lookupPending = false;
    ++m_lookupId;
    if (OnDnsLookupDone)
        OnDnsLookupDone(wsa::EINTR_);
}

void TCustomWSocket::resolve(in_addr_t* address, in_port_t* port, int* type)
{
    const QString proto = Proto.trimmed().toLower();
    if (proto.isEmpty())
        throw ESocketException(QStringLiteral("WSocketResolveProto: Invalid Protocol."));
    if (proto == QLatin1String("tcp") || proto == QLatin1String("6"))
        *type = SOCK_STREAM;
    else if (proto == QLatin1String("udp") || proto == QLatin1String("17"))
        *type = SOCK_DGRAM;
    else
        throw ESocketException(
            QStringLiteral("WSocketResolveProto: Cannot convert protocol '%1', Error #%2")
                .arg(Proto)
                .arg(10043));

    const QString service = Port.trimmed();
    if (service.isEmpty())
        throw ESocketException(QStringLiteral("WSocketResolvePort: Invalid Port."));
    int number = -1;
    if (allDigits(service)) {
        number = service.size() <= 5 ? service.toInt() : -1;
    } else {
        const QByteArray protoName = *type == SOCK_STREAM ? "tcp" : "udp";
        if (const servent* s = getservbyname(service.toLatin1().constData(), protoName.constData()))
            number = ntohs(in_port_t(s->s_port));
        for (const WellKnownPort& w : wellKnownPorts)
            if (number < 0 && service == QLatin1String(w.name))
                number = w.port;
    }
    if (number < 0 || number > 65535)
        throw ESocketException(
            QStringLiteral("WSocketResolvePort: Cannot convert port '%1', Error #%2")
                .arg(Port)
                .arg(10022));
    *port = htons(in_port_t(number));

    if (m_addr.isEmpty() || m_addr.size() > 256)
        throw ESocketException(
            QStringLiteral("WSocketResolveHost: '%1' Invalid Hostname.").arg(m_addr));
    in_addr a {};
    if (isDottedIp(m_addr)) {
        if (!inet_aton(m_addr.toLatin1().constData(), &a)
            && m_addr != QLatin1String("255.255.255.255"))
            throw ESocketException(
                QStringLiteral("WSocketResolveHost: '%1' Invalid IP address.").arg(m_addr));
        *address = a.s_addr;
        return;
    }
    addrinfo hints {};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(m_addr.toLatin1().constData(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        if (found)
            freeaddrinfo(found);
        throw ESocketException(
            QStringLiteral("WSocketResolveHost: Cannot convert host address '%1', Error #%2")
                .arg(m_addr)
                .arg(WinsockErrorFromLookup(rc, errno)));
    }
    *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
}

void TCustomWSocket::Connect()
{
    m_lastError = 0; // what follows tells only of this connection
    // With OnError set, raise() returns: each refusal still ends the call.
    const char* refusal = nullptr;
    if (m_fd >= 0 && m_state != wsClosed)
        refusal = "Connect: Socket already in use";
    else if (Port.isEmpty())
        refusal = "Connect: No Port Specified";
    else if (m_addr.isEmpty())
        refusal = "Connect: No IP Address Specified";
    else if (Proto.isEmpty())
        refusal = "Connect: No Protocol Specified";
    if (refusal) {
        raise(QString::fromLatin1(refusal));
        return;
    }

    in_addr_t address = 0;
    in_port_t port = 0;
    int type = SOCK_STREAM;
    try {
        resolve(&address, &port, &type);
    } catch (const ESocketException& e) {
        raise(QStringLiteral("connect: ") + e.message());
        return;
    }

    m_sendQueue.clear();
    m_allSent = true;
    m_closeRaised = false;
    m_readCount = 0;
    ++m_connection;
    m_fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        report(QStringLiteral("Connect (socket)"), WinsockErrorFromErrno(errno));
        return;
    }
    setState(wsOpened);
    // A connection that cannot be set up leaves no handle behind.
    const auto fail = [this](const char* operation, int error) {
        stopNotifiers();
        ::close(m_fd);
        m_fd = -1;
        setState(wsClosed);
        report(QString::fromLatin1(operation), error);
    };

    if (type == SOCK_STREAM) {
        if (LocalAddr != QLatin1String("0.0.0.0") || LocalPort != QLatin1String("0")) {
            sockaddr_in local {};
            local.sin_family = AF_INET;
            inet_aton(LocalAddr.toLatin1().constData(), &local.sin_addr);
            local.sin_port = htons(in_port_t(LocalPort.toUShort()));
            if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                fail("Bind", WinsockErrorFromErrno(errno));
                return;
            }
        }
        // An orderly close keeps what is queued; only Abort resets the connection.
        if (LingerOnOff == wsLingerOn && LingerTimeout > 0) {
            const linger l { 1, LingerTimeout };
            setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        }
        const int on = 1;
        if (setsockopt(m_fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) {
            fail("setsockopt(SO_KEEPALIVE)", WinsockErrorFromErrno(errno));
            return;
        }
        if (setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
            fail("setsockopt(SO_REUSEADDR)", WinsockErrorFromErrno(errno));
            return;
        }
        // A system buffer that grows to megabytes tells of drained output only when a third
        // of it has gone: over a slow line that is longer than any limit on silence.
        const int sendBuffer = SendBufferBytes;
        setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    }

    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { readReady(); });
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { writeReady(); });

    sockaddr_in peer {};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = address;
    peer.sin_port = port;
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0
        && errno != EINPROGRESS) {
        fail("Connect", WinsockErrorFromErrno(errno));
        return;
    }
    // The write notifier firing tells that the connection is made or has failed.
    setState(wsConnecting);
}

void TCustomWSocket::readReady()
{
    guarded([this] {
        if (m_state == wsConnecting) {
            connectFinished();
            return;
        }
        if (m_state != wsConnected || m_fd < 0)
            return;
        int waiting = 0;
        ioctl(m_fd, FIONREAD, &waiting);
        if (waiting > 0)
            receiveLoop();
        if (m_state != wsConnected || m_fd < 0)
            return;
        ioctl(m_fd, FIONREAD, &waiting);
        if (waiting > 0)
            return; // the handler left bytes; the next notice brings them again
        char probe = 0;
        const ssize_t n = ::recv(m_fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n == 0)
            peerClosed(0);
        else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            peerClosed(WinsockErrorFromErrno(errno));
    });
}

void TCustomWSocket::writeReady()
{
    guarded([this] {
        if (m_state == wsConnecting) {
            connectFinished();
            return;
        }
        if (m_state != wsConnected)
            return;
        tryToSend();
        if (m_state == wsConnected && m_allSent) {
            if (m_writeNotifier)
                m_writeNotifier->setEnabled(false);
            if (OnDataSent)
                OnDataSent(0);
        }
    });
}

void TCustomWSocket::connectFinished()
{
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    const quint16 code = WinsockErrorFromErrno(error);
    if (code == 0) {
        setState(wsConnected);
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(!m_allSent);
    }
    if (OnSessionConnected)
        OnSessionConnected(code);
    if (code != 0 && m_fd >= 0)
        closeHandle(false, code);
}

void TCustomWSocket::receiveLoop()
{
    // A peer that never stops sending still lets the event loop run between rounds.
    const qint64 start = m_readCount;
    for (;;) {
        const qint64 before = m_readCount;
        if (OnDataAvailable) {
            OnDataAvailable(0);
        } else {
            char discard[1024];
            Receive(discard, sizeof discard);
        }
        if (m_state != wsConnected || m_fd < 0 || (ComponentOptions & wsoNoReceiveLoop))
            return;
        int waiting = 0;
        if (ioctl(m_fd, FIONREAD, &waiting) != 0 || waiting <= 0)
            return;
        if (m_readCount == before || m_readCount - start >= ReceiveRoundBytes)
            return; // the handler takes no more now, or the next notice brings the rest
    }
}

void TCustomWSocket::peerClosed(quint16 error)
{
    receiveLoop();
    closeHandle(false, error);
}

int TCustomWSocket::Receive(char* buffer, int size)
{
    if (m_fd < 0 || size <= 0)
        return m_fd < 0 ? -1 : 0;
    const ssize_t n = ::recv(m_fd, buffer, size_t(size), 0);
    if (n < 0) {
        m_lastError = WinsockErrorFromErrno(errno);
        return -1;
    }
    m_readCount += n;
    return int(n);
}

void TCustomWSocket::PutDataInSendBuffer(const char* data, int count)
{
    while (count > 0) {
        if (m_sendQueue.empty())
            m_sendQueue.emplace_back();
        const int n = m_sendQueue.back().Write(data, count);
        if (n == 0) {
            m_sendQueue.emplace_back(); // the last chunk is full
            continue;
        }
        data += n;
        count -= n;
        m_allSent = false;
    }
}

int TCustomWSocket::Send(const char* data, int count)
{
    if (m_state != wsConnected) {
        report(QStringLiteral("Send"), wsa::ENOTCONN_);
        return -1;
    }
    if (count <= 0)
        return 0;
    PutDataInSendBuffer(data, count);
    tryToSend();
    if (m_state != wsConnected)
        return count;
    if (m_allSent)
        postWriteReady();
    else if (m_writeNotifier)
        m_writeNotifier->setEnabled(true);
    return count;
}

qint64 TCustomWSocket::BytesUnacknowledged() const
{
    int queued = 0;
    if (m_fd < 0 || ioctl(m_fd, SIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
}

void TCustomWSocket::postWriteReady()
{
    const quint64 connection = m_connection;
    QMetaObject::invokeMethod(
        this,
        [this, connection] {
            if (connection == m_connection)
                writeReady();
        },
        Qt::QueuedConnection);
}

void TCustomWSocket::tryToSend()
{
    while (m_fd >= 0 && !m_sendQueue.empty()) {
        TBuffer& chunk = m_sendQueue.front();
        int count = 0;
        const char* bytes = chunk.Peek(&count);
        if (count == 0) {
            if (m_sendQueue.size() > 1) {
                m_sendQueue.pop_front();
                continue;
            }
            m_allSent = true;
            return;
        }
        const ssize_t n = ::send(m_fd, bytes, size_t(count), MSG_NOSIGNAL);
        if (n == 0)
            return;
        if (n > 0) {
            chunk.Remove(int(n));
            if (OnSendData)
                OnSendData(int(n));
            if (n < count)
                return;
            continue;
        }
        const int e = errno;
        if (e == EAGAIN || e == EWOULDBLOCK || e == EINTR)
            return;
        const quint16 error = WinsockErrorFromErrno(e);
        if (error == wsa::ECONNRESET_ || error == wsa::ENOTSOCK_ || error == wsa::ENOTCONN_
            || error == wsa::EINVAL_ || error == wsa::ECONNABORTED_) {
            closeHandle(false, error);
            return;
        }
        report(QStringLiteral("TryToSend failed"), error);
        return;
    }
    m_allSent = true;
}

void TCustomWSocket::stopNotifiers()
{
    // Either may be the one whose signal is running: it goes once control is back.
    for (QSocketNotifier** n : { &m_readNotifier, &m_writeNotifier }) {
        if (*n) {
            (*n)->setEnabled(false);
            (*n)->deleteLater();
            *n = nullptr;
        }
    }
}

void TCustomWSocket::closeHandle(bool shutdownFirst, quint16 error)
{
    if (m_fd >= 0) {
        if (shutdownFirst && m_state == wsConnected)
            ::shutdown(m_fd, SHUT_WR);
        stopNotifiers();
        ::close(m_fd);
        m_fd = -1;
    }
    m_sendQueue.clear();
    m_allSent = true;
    ++m_connection;
    setState(wsClosed);
    if (!m_closeRaised) {
        m_closeRaised = true;
        if (OnSessionClosed)
            OnSessionClosed(error);
    }
}

void TCustomWSocket::Close()
{
    if (m_fd < 0 && m_state == wsClosed)
        return;
    closeHandle(true, 0);
}

void TCustomWSocket::Abort()
{
    CancelDnsLookup();
    m_sendQueue.clear();
    m_allSent = true;
    if (m_fd >= 0 && m_state == wsConnected) {
        const linger l { 1, 0 };
        setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    if (m_fd < 0 && m_state == wsClosed)
        return;
    closeHandle(false, 0);
}

} // namespace vorad
