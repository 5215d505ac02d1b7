#pragma once

#include <QByteArray>
#include <QString>

#include "TlsLayer.h"

// OpenSSL's types, kept out of every file that includes this one.
struct ssl_st;
struct ssl_ctx_st;
struct bio_st;

namespace vorad {

// TLS by OpenSSL through memory buffers, over the socket's byte stream.
class TTlsStream : public TlsLayer
{
public:
    explicit TTlsStream(ByteStream& socket);
    ~TTlsStream() override;
    TTlsStream(const TTlsStream&) = delete;
    TTlsStream& operator=(const TTlsStream&) = delete;

    void Prepare(bool implicit, const QString& host) override;
    bool StartTls() override;
    bool Secure() const override
    {
        return m_ssl != nullptr && m_secured && !m_failed && m_socket.IsConnected();
    }
    QString FailureText() const override { return m_failure; }

    void Connect() override;
    int Send(const char* data, int count) override;
    int Receive(char* buffer, int size) override;
    bool IsConnected() const override;
    void Close() override;
    void Abort() override;

private:
    void socketConnected(quint16 error);
    void socketData();
    void socketClosed(quint16 error);
    void pump();
    void flush();
    void fail(const QString& reason);
    void handshakeFailed(int sslError);
    void release();

    ByteStream& m_socket;
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
