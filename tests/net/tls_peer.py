"""A real SMTP server (aiosmtpd) with TLS and sign-in, or a hand-made TLS peer for one
connection, on 127.0.0.1 and a free port printed as the first line:

    tls_peer.py starttls|tls|notify|inject|echo|garbage CERT KEY DIR [MECHANISM...]

starttls offers STARTTLS and wants it before anything is mailed; tls speaks TLS from the
first byte; notify ends the TLS session right after the handshake, leaving the connection
open, and serves nothing; inject sends a forged reply in plain behind its go-ahead to
STARTTLS, then answers one EHLO over TLS; echo refuses AUTH PLAIN with the line it read,
and the password in it, in the reply; garbage sends plain bytes after the handshake.
Sign-in is offered over TLS only; the MECHANISMs named are left out of it. The accounts are
"op" with the password "fake-pw-1" and "op2" with "25"; each message goes to DIR/N.eml.
"""
import base64
import os
import socket
import ssl
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

# The second account's password is as short as the digits of a reply code.
ACCOUNTS = {b"op": b"fake-pw-1", b"op2": b"25"}


class Handler:
    count = 0

    def __init__(self, folder):
        self.folder = folder

    async def handle_DATA(self, server, session, envelope):
        Handler.count += 1
        with open("%s/%d.eml" % (self.folder, Handler.count), "wb") as f:
            f.write(envelope.original_content)
        return "250 Message accepted"


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and ACCOUNTS.get(auth_data.login) == auth_data.password
    return AuthResult(success=ok, handled=False)


def accept_one():
    """One connection on a free port, the port printed first."""
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    print(server.getsockname()[1], flush=True)
    return server.accept()[0]


def drain(read):
    """Reads until the client is gone."""
    try:
        while read():
            pass
    except OSError:
        pass


def notify(context):
    """The handshake, then the TLS end of data at once, with the connection left open."""
    connection = accept_one()
    tls = context.wrap_socket(connection, server_side=True)
    tls.settimeout(5)
    try:
        tls.unwrap()  # returns once the client has answered in kind
    except OSError:
        time.sleep(30)  # a client that did not stays connected, past its test's patience


def inject(context):
    """STARTTLS with a forged reply sent behind the go-ahead, before the handshake."""
    connection = accept_one()
    connection.settimeout(10)
    lines = connection.makefile("rb")
    connection.sendall(b"220 hi\r\n")
    lines.readline()
    connection.sendall(b"250-hi\r\n250 STARTTLS\r\n")
    lines.readline()
    connection.sendall(b"220 go\r\n554 injected\r\n")
    tls = context.wrap_socket(connection, server_side=True)
    secure = tls.makefile("rb")
    secure.readline()
    tls.sendall(b"250 hi\r\n")
    drain(secure.readline)


def echo(context):
    """TLS from the first byte, sign-in offered, and the sign-in line echoed in its refusal."""
    connection = accept_one()
    connection.settimeout(10)
    tls = context.wrap_socket(connection, server_side=True)
    lines = tls.makefile("rb")
    tls.sendall(b"220 hi\r\n")
    lines.readline()
    tls.sendall(b"250-hi\r\n250 AUTH PLAIN\r\n")
    line = lines.readline().rstrip(b"\r\n")
    password = base64.b64decode(line.split()[-1]).split(b"\0")[-1]
    tls.sendall(b"501 Cannot read '" + line + b"' (" + password + b")\r\n")
    drain(lines.readline)


def garbage(context):
    """TLS from the first byte, then bytes that are no TLS record at all instead of a greeting."""
    connection = accept_one()
    tls = context.wrap_socket(connection, server_side=True)
    os.write(tls.fileno(), b"220 not over TLS\r\n" * 10)
    tls.settimeout(5)
    drain(lambda: tls.recv(1024))


def main(mode, cert, key, folder, *excluded):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    peers = {"notify": notify, "inject": inject, "echo": echo, "garbage": garbage}
    if mode in peers:
        return peers[mode](context)
    options = dict(authenticator=authenticator, auth_require_tls=True, auth_required=True,
                   auth_exclude_mechanism=list(excluded))
    if mode == "starttls":
        controller = Controller(Handler(folder), hostname="127.0.0.1", port=port,
                                tls_context=context, require_starttls=True, **options)
    else:
        # This server version counts only STARTTLS as TLS: sign-in is offered here as well.
        options["auth_require_tls"] = False
        controller = Controller(Handler(folder), hostname="127.0.0.1", port=port,
                                ssl_context=context, **options)
    controller.start()
    print(port, flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        controller.stop()


if __name__ == "__main__":
    main(*sys.argv[1:])
