#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <netinet/in.h>

#include "WSockBuf.h"

class QSocketNotifier;

namespace vorad {

// Misuse of the network layer, with the text the operator is shown.
class NetException : public std::exception
{
public:
    explicit NetException(QString message);
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

class ESocketException : public NetException
{
public:
    using NetException::NetException;
};

// The socket error numbers every text and event carries (the classic Winsock numbers), and
// their descriptions.
namespace wsa {
enum : quint16 {
    EINTR_ = 10004,
    EBADF_ = 10009,
    EACCES_ = 10013,
    EINVAL_ = 10022,
    EWOULDBLOCK_ = 10035,
    ENOTSOCK_ = 10038,
    ECONNABORTED_ = 10053,
    ECONNRESET_ = 10054,
    ENOTCONN_ = 10057,
    ECONNREFUSED_ = 10061,
    NOTINITIALISED_ = 10093,
    HOST_NOT_FOUND_ = 11001,
};
} // namespace wsa

QString WSocketErrorDesc(int error);
// The socket error number for an errno value, and for a getaddrinfo() result.
quint16 WinsockErrorFromErrno(int error);
quint16 WinsockErrorFromLookup(int gaiError, int savedErrno);
// The machine's name; "Winsock.GetHostName failed" when it has none.
QString LocalHostName();

// The bytes between the SMTP client and the connection: the one seam a TLS layer will sit in.
class ByteStream
{
public:
    virtual ~ByteStream() = default;
    // Opens the connection to the address and port set on the socket; ends with
    // OnSessionConnected.
    virtual void Connect() = 0;
    virtual int Send(const char* data, int count) = 0;
    virtual int Receive(char* buffer, int size) = 0;
    virtual bool IsConnected() const = 0;
    // An orderly close, and an immediate one.
    virtual void Close() = 0;
    virtual void Abort() = 0;
    // Told when the connection is made (or has failed), when bytes wait to be read, when
    // everything queued has gone out, and when the connection has closed; each with a socket
    // error number, 0 for none.
    std::function<void(quint16)> OnSessionConnected;
    std::function<void(quint16)> OnDataAvailable;
    std::function<void(quint16)> OnDataSent;
    std::function<void(quint16)> OnSessionClosed;
};

enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TWSocketOption { wsoNoReceiveLoop = 1 };

// A TCP client socket run by the event loop: every call returns at once, and the lookup, the
// connection, incoming data, drained output and the close arrive as events.
class TCustomWSocket : public QObject, public ByteStream
{
    Q_OBJECT

public:
    // The most one read notice takes in before the event loop runs again.
    static constexpr qint64 ReceiveRoundBytes = 64 * 1024;
    // The system's send buffer for a stream: OnDataSent then follows every few kilobytes that
    // reach the line, however slow it is.
    static constexpr int SendBufferBytes = 32 * 1024;

    explicit TCustomWSocket(QObject* parent = nullptr);
    ~TCustomWSocket() override;

    void DnsLookup(const QString& host);
    void CancelDnsLookup();
    void Connect() override;
    int Receive(char* buffer, int size) override;
    void PutDataInSendBuffer(const char* data, int count);
    int Send(const char* data, int count) override;
    int SendStr(const QByteArray& text) { return Send(text.constData(), int(text.size())); }
    void Close() override;
    void Abort() override;
    bool IsConnected() const override { return m_state == wsConnected; }

    QString Addr() const { return m_addr; }
    void SetAddr(const QString& addr);
    QString Port;
    QString Proto = QStringLiteral("tcp");
    QString LocalAddr = QStringLiteral("0.0.0.0");
    QString LocalPort = QStringLiteral("0");
    TSocketLingerOnOff LingerOnOff = wsLingerOn;
    int LingerTimeout = 0;
    int FlushTimeout = 60;
    TSocketSendFlags SendFlags = wsSendNormal;
    bool MultiThreaded = false;
    int ComponentOptions = 0;

    QString DnsResult() const { return m_dnsResult; }
    QStringList DnsResultList() const { return m_dnsResultList; }
    TSocketState State() const { return m_state; }
    int LastError() const { return m_lastError; }
    // The bytes the system holds that the peer has not acknowledged yet: falling, the line
    // is carrying them, however seldom the system tells that it has room again.
    qint64 BytesUnacknowledged() const;
    qint64 ReadCount() const { return m_readCount; }
    bool LookupPending() const { return m_lookupPending; }

    std::function<void(quint16)> OnDnsLookupDone;
    std::function<void(TSocketState oldState, TSocketState newState)> OnChangeState;
    std::function<void(int bytesSent)> OnSendData;
    // When set, errors of called operations go here instead of raising ESocketException.
    std::function<void(const QString& message)> OnError;
    // An exception in an event handler; clearing `canClose` keeps the socket open.
    std::function<void(const std::exception& e, bool& canClose)> OnBgException;

private:
    void lookupFinished(quint64 id, int error, const QStringList& addresses);
    void report(const QString& operation, int error);
    void raise(const QString& message);
    void setState(TSocketState state);
    void resolve(in_addr_t* address, in_port_t* port, int* type);
    void readReady();
    void writeReady();
    void connectFinished();
    void receiveLoop();
    void peerClosed(quint16 error);
    void tryToSend();
    void postWriteReady();
    void closeHandle(bool shutdownFirst, quint16 error);
    void stopNotifiers();
    // Runs an event handler; an exception it raises ends there.
    void guarded(const std::function<void()>& handler);

    QString m_addr;
    QString m_dnsResult;
    QStringList m_dnsResultList;
    TSocketState m_state = wsClosed;
    int m_lastError = 0;
    int m_fd = -1;
    quint64 m_connection = 0; // tells a posted notice of an earlier connection apart
    quint64 m_lookupId = 0;
    bool m_lookupPending = false;
    // Where a lookup's worker leaves its answer: the socket while it lives, then nobody.
    struct LookupMailbox
    {
        std::mutex lock;
        QObject* receiver = nullptr;
    };
    std::shared_ptr<LookupMailbox> m_mailbox;
    bool m_closeRaised = false;
    bool m_allSent = true;
    qint64 m_readCount = 0;
    std::deque<TBuffer> m_sendQueue;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
};

class TWSocket : public TCustomWSocket
{
    Q_OBJECT

public:
    using TCustomWSocket::TCustomWSocket;
};

} // namespace vorad
