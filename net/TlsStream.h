#pragma once

#include <QByteArray>
#include <QString>

#include "WSocket.h"

// OpenSSL's types, kept out of every file that includes this one.
struct ssl_st;
struct ssl_ctx_st;
struct bio_st;

namespace vorad {

// The bytes of one socket, plain until StartTls and then carried by TLS through memory
// buffers: the socket and its events stay the program's own, and a connection is upgraded
// in place. The handshake runs on the socket's events and never waits.
class TTlsStream : public ByteStream
{
public:
    explicit TTlsStream(TCustomWSocket& socket);
    ~TTlsStream() override;
    TTlsStream(const TTlsStream&) = delete;
    TTlsStream& operator=(const TTlsStream&) = delete;

    // The next connection: `implicit` starts the handshake as soon as it is made, with the
    // certificate checked against `host`. Takes the socket's events over.
    void Prepare(bool implicit, const QString& host);
    // Starts the handshake on the open connection; false, with FailureText, when it cannot.
    bool StartTls();
    // The handshake is over on the connection that is open now.
    bool Secure() const
    {
        return m_ssl != nullptr && m_secured && !m_failed && m_socket.IsConnected();
    }
    // Why the secure connection failed, in words for the operator; empty while it has not.
    QString FailureText() const { return m_failure; }

    void Connect() override;
    int Send(const char* data, int count) override;
    int Receive(char* buffer, int size) override;
    bool IsConnected() const override;
    void Close() override;
    void Abort() override;

    // The handshake is over and the server's certificate accepted.
    std::function<void()> OnSecured;
    // The secure connection failed; the connection is aborted once this returns.
    std::function<void(const QString& reason)> OnFailed;

private:
    void socketConnected(quint16 error);
    void socketData();
    void socketClosed(quint16 error);
    void pump();
    void flush();
    void fail(const QString& reason);
    void handshakeFailed(int sslError);
    void release();

    TCustomWSocket& m_socket;
    QString m_host;
    bool m_implicit = false;
    ssl_ctx_st* m_ctx = nullptr;
    ssl_st* m_ssl = nullptr;
    bio_st* m_in = nullptr; // what the socket brought, for OpenSSL to read
    bio_st* m_out = nullptr; // what OpenSSL wrote, for the socket to send
    bool m_secured = false;
    bool m_failed = false;
    bool m_closing = false; // this side closes or aborts the connection
    QString m_failure;
    QByteArray m_plain; // read and decrypted, not yet taken by the client
};

} // namespace vorad
