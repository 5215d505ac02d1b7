"""Mail peers for the tests, on 127.0.0.1 and a free port printed as the first line.

store DIR      a real SMTP server (aiosmtpd); each message goes to DIR/N.eml with its
               envelope in DIR/N.env; a recipient whose address holds "refuse" gets 550.
script FILE    a scripted server for one connection: FILE holds one step a line,
               "send TEXT" (\\r \\n \\t written as escapes), "read" (one line from the client),
               "readto LINE" (lines up to LINE, only LINE kept), "sendmany N TEXT",
               "accept" (the next connection, after closing this one),
               "sleep SECONDS", "close"; every line the client sent goes to FILE.got.
"""
import socket
import sys
import time


def store(folder):
    from aiosmtpd.controller import Controller

    class Handler:
        count = 0

        async def handle_RCPT(self, server, session, envelope, address, options):
            if "refuse" in address:
                return "550 No such user here"
            envelope.rcpt_tos.append(address)
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            Handler.count += 1
            base = "%s/%d" % (folder, Handler.count)
            with open(base + ".eml", "wb") as f:
                f.write(envelope.original_content)
            with open(base + ".env", "w") as f:
                f.write("\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
            return "250 Message accepted"

    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    controller = Controller(Handler(), hostname="127.0.0.1", port=port)
    controller.start()
    print(port, flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        controller.stop()


def unescape(text):
    return text.replace("\\r", "\r").replace("\\n", "\n").replace("\\t", "\t").encode("latin-1")


def script(path):
    steps = [line.rstrip("\n") for line in open(path, encoding="latin-1")]
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print(listener.getsockname()[1], flush=True)
    conn, _ = listener.accept()
    got = open(path + ".got", "wb")
    pending = b""
    for step in steps:
        verb, _, arg = step.partition(" ")
        if verb == "send":
            conn.sendall(unescape(arg))
        elif verb == "sendmany":
            count, _, text = arg.partition(" ")
            conn.sendall(unescape(text) * int(count))
        elif verb == "read":
            while b"\r\n" not in pending:
                data = conn.recv(65536)
                if not data:
                    break
                pending += data
            line, _, pending = pending.partition(b"\r\n")
            got.write(line + b"\n")
            got.flush()
        elif verb == "readto":
            while True:
                while b"\r\n" not in pending:
                    data = conn.recv(65536)
                    if not data:
                        break
                    pending += data
                if b"\r\n" not in pending:
                    break
                line, _, pending = pending.partition(b"\r\n")
                if line == arg.encode("latin-1"):
                    got.write(line + b"\n")
                    break
        elif verb == "sleep":
            time.sleep(float(arg))
        elif verb == "accept":
            conn.close()
            conn, _ = listener.accept()
        elif verb == "close":
            break
    # Whatever else came before the close is kept too.
    conn.settimeout(0.3)
    try:
        while True:
            data = conn.recv(65536)
            if not data:
                break
            pending += data
    except OSError:
        pass
    for line in pending.split(b"\r\n"):
        if line:
            got.write(line + b"\n")
    got.close()
    conn.close()


if __name__ == "__main__":
    {"store": store, "script": script}[sys.argv[1]](sys.argv[2])
