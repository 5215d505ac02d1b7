// TLS in a module of its own, with the TLS library: loaded at the first secure connection.
#include "TlsEngine.h"

#include <algorithm>
#include <cstring>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

namespace vorad {

namespace {

constexpr int ChunkBytes = 16 * 1024;

bool isIpAddress(const QString& host)
{
    in_addr a {};
    return inet_pton(AF_INET, host.toLatin1().constData(), &a) == 1;
}

QString certificateProblem(long result, const QString& host)
{
    switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
        return QStringLiteral("The server's certificate has expired or is not valid yet: check "
                              "this computer's date, or tell the server's keeper");
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("The server's certificate is for another name than '%1': use "
                              "the server name your mail provider gives")
            .arg(host);
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return QStringLiteral("The server's certificate is not signed by an authority this "
                              "computer trusts: check the server name with your mail provider");
    default:
        return QStringLiteral("The server's certificate was not accepted (%1): check the "
                              "server name with your mail provider")
            .arg(QString::fromLatin1(X509_verify_cert_error_string(result)));
    }
}

QString hungUp()
{
    return QStringLiteral("The server closed the connection during the secure handshake: check "
                          "the port and the security choice (587 is usually STARTTLS, 465 TLS)");
}

} // namespace

TTlsStream::TTlsStream(ByteStream& socket)
    : m_socket(socket)
{ }

TTlsStream::~TTlsStream()
{
    // The socket may outlive this layer for a moment: it tells it nothing more.
    m_socket.OnSessionConnected = nullptr;
    m_socket.OnDataAvailable = nullptr;
    m_socket.OnDataSent = nullptr;
    m_socket.OnSessionClosed = nullptr;
    release();
}

void TTlsStream::release()
{
    if (m_ssl)
        SSL_free(m_ssl); // frees both buffers with it
    if (m_ctx)
        SSL_CTX_free(m_ctx);
    m_ssl = nullptr;
    m_ctx = nullptr;
    m_in = m_out = nullptr;
    m_secured = false;
    m_plain.clear();
}

void TTlsStream::Prepare(bool implicit, const QString& host)
{
    release();
    m_implicit = implicit;
    m_host = host;
    m_failed = false;
    m_closing = false;
    m_failure.clear();
    m_socket.OnSessionConnected = [this](quint16 e) { socketConnected(e); };
    m_socket.OnDataAvailable = [this](quint16) { socketData(); };
    m_socket.OnDataSent = [this](quint16 e) {
        if (OnDataSent)
            OnDataSent(e);
    };
    m_socket.OnSessionClosed = [this](quint16 e) { socketClosed(e); };
}

bool TTlsStream::StartTls()
{
    release();
    ERR_clear_error();
    m_ctx = SSL_CTX_new(TLS_client_method());
    // The system's trust store (or the file SSL_CERT_FILE names), read for each connection.
    if (m_ctx && SSL_CTX_set_default_verify_paths(m_ctx) == 1
        && SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION) == 1) {
        SSL_CTX_set_verify(m_ctx, SSL_VERIFY_PEER, nullptr);
        m_ssl = SSL_new(m_ctx);
    }
    m_in = BIO_new(BIO_s_mem());
    m_out = BIO_new(BIO_s_mem());
    const QByteArray host = m_host.toLatin1();
    bool ok = m_ssl && m_in && m_out;
    if (ok) {
        SSL_set_bio(m_ssl, m_in, m_out);
        SSL_set_connect_state(m_ssl);
        if (isIpAddress(m_host)) {
            ok = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), host.constData()) == 1;
        } else {
            // The name checked, and sent as SNI (the macro for it casts in the old style).
            ok = SSL_set1_host(m_ssl, host.constData()) == 1
                && SSL_ctrl(m_ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                       const_cast<char*>(host.constData()))
                    == 1;
        }
    } else {
        BIO_free(m_in);
        BIO_free(m_out);
        m_in = m_out = nullptr;
    }
    if (!ok) {
        m_failed = true;
        m_failure = QStringLiteral("The secure connection could not be set up on this computer");
        release();
        return false;
    }
    pump();
    return !m_failed;
}

void TTlsStream::Connect()
{
    m_socket.Connect();
}

bool TTlsStream::IsConnected() const
{
    return m_socket.IsConnected() && !m_failed && (!m_ssl || m_secured);
}

int TTlsStream::Send(const char* data, int count)
{
    if (!m_ssl)
        return m_socket.Send(data, count);
    if (!IsConnected())
        return -1;
    if (count <= 0)
        return 0;
    // Into a memory buffer, which takes all of it: the socket's queue does the waiting.
    if (SSL_write(m_ssl, data, count) <= 0) {
        fail(QStringLiteral("The secure connection failed while sending"));
        return -1;
    }
    flush();
    return count;
}

int TTlsStream::Receive(char* buffer, int size)
{
    if (!m_ssl)
        return m_socket.Receive(buffer, size);
    const int n = std::min(size, int(m_plain.size()));
    if (n <= 0)
        return 0;
    std::memcpy(buffer, m_plain.constData(), size_t(n));
    m_plain.remove(0, n);
    return n;
}

void TTlsStream::Close()
{
    if (m_ssl && m_secured && m_socket.IsConnected()) {
        SSL_shutdown(m_ssl);
        flush();
    }
    m_closing = true;
    m_socket.Close();
}

void TTlsStream::Abort()
{
    m_closing = true;
    m_socket.Abort();
}

void TTlsStream::socketConnected(quint16 error)
{
    if (error == 0 && m_implicit && !StartTls()) {
        fail(m_failure);
        return;
    }
    if (OnSessionConnected)
        OnSessionConnected(error);
}

void TTlsStream::socketData()
{
    if (!m_ssl) {
        if (OnDataAvailable)
            OnDataAvailable(0);
        return;
    }
    char chunk[ChunkBytes];
    const int n = m_socket.Receive(chunk, sizeof chunk);
    if (n <= 0)
        return;
    BIO_write(m_in, chunk, n);
    pump();
}

void TTlsStream::pump()
{
    if (!m_ssl || m_failed)
        return;
    if (!m_secured) {
        ERR_clear_error();
        const int rc = SSL_do_handshake(m_ssl);
        flush();
        if (rc != 1) {
            const int e = SSL_get_error(m_ssl, rc);
            if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE)
                handshakeFailed(e);
            return;
        }
        m_secured = true;
        if (OnSecured)
            OnSecured();
        if (!m_ssl || m_failed)
            return;
    }
    char chunk[ChunkBytes];
    bool peerDone = false; // the server said it sends nothing more
    for (;;) {
        ERR_clear_error();
        const int n = SSL_read(m_ssl, chunk, sizeof chunk);
        if (n > 0) {
            m_plain.append(chunk, n);
            continue;
        }
        const int e = SSL_get_error(m_ssl, n);
        flush();
        peerDone = e == SSL_ERROR_ZERO_RETURN;
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE || peerDone)
            break;
        fail(QStringLiteral("The secure connection failed: the server sent what it could not "
                            "have sent"));
        return;
    }
    // The client takes what it has room for: it is told again while it takes more.
    while (!m_plain.isEmpty() && OnDataAvailable && m_ssl && m_socket.IsConnected()) {
        const qsizetype before = m_plain.size();
        OnDataAvailable(0);
        if (!m_ssl || m_plain.size() == before)
            break;
    }
    // As a plain socket's end of data: the session is over, not waiting for a reply.
    if (peerDone && m_ssl && m_socket.IsConnected())
        Close();
}

void TTlsStream::flush()
{
    if (!m_out)
        return;
    char chunk[ChunkBytes];
    while (BIO_ctrl_pending(m_out) > 0) {
        const int n = BIO_read(m_out, chunk, sizeof chunk);
        if (n <= 0)
            break;
        if (m_socket.IsConnected())
            m_socket.Send(chunk, n);
    }
}

void TTlsStream::handshakeFailed(int sslError)
{
    const long verify = SSL_get_verify_result(m_ssl);
    if (verify != X509_V_OK)
        fail(certificateProblem(verify, m_host));
    else if (sslError == SSL_ERROR_SYSCALL || sslError == SSL_ERROR_ZERO_RETURN)
        fail(hungUp());
    else
        fail(QStringLiteral("The secure handshake with the server failed (%1): check the port "
                            "and the security choice")
                 .arg(QString::fromLatin1(ERR_reason_error_string(ERR_peek_last_error()))));
}

void TTlsStream::fail(const QString& reason)
{
    if (m_failed && !m_failure.isEmpty() && m_failure != reason)
        return; // the first reason is the one told
    m_failed = true;
    m_failure = reason;
    if (OnFailed)
        OnFailed(reason);
    m_socket.Abort();
}

void TTlsStream::socketClosed(quint16 error)
{
    // A server that goes before the handshake is over has not been talked to securely; a
    // close of this side's own is no failure of the server's.
    if (m_ssl && !m_secured && !m_failed && !m_closing)
        fail(hungUp());
    if (OnSessionClosed)
        OnSessionClosed(error);
}

} // namespace vorad

extern "C" __attribute__((visibility("default"))) vorad::TlsLayer* vorad_make_tls(
    vorad::ByteStream& socket)
{
    return new vorad::TTlsStream(socket);
}
