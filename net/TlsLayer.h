#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "WSocket.h"

namespace vorad {

// The bytes of one socket, plain until StartTls and then carried by TLS: the socket and its
// events stay the program's own, and a connection is upgraded in place. The handshake runs on
// the socket's events and never waits.
class TlsLayer : public ByteStream
{
public:
    // The next connection: `implicit` starts the handshake as soon as it is made, with the
    // certificate checked against `host`. Takes the socket's events over.
    virtual void Prepare(bool implicit, const QString& host) = 0;
    // Starts the handshake on the open connection; false, with FailureText, when it cannot.
    virtual bool StartTls() = 0;
    // The handshake is over on the connection that is open now.
    virtual bool Secure() const = 0;
    // Why the secure connection failed, in words for the operator; empty while it has not.
    virtual QString FailureText() const = 0;

    // The handshake is over and the server's certificate accepted.
    std::function<void()> OnSecured;
    // The secure connection failed; the connection is aborted once this returns.
    std::function<void(const QString& reason)> OnFailed;
};

// The TLS layer over `socket`, from the module that carries the TLS library: a run that never
// secures a connection never loads it. Null, with `error` told, when the module cannot load.
std::unique_ptr<TlsLayer> LoadTlsLayer(ByteStream& socket, QString* error);

} // namespace vorad
