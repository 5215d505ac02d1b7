"""Mail peers for the tests, on 127.0.0.1 and a free port printed as the first line.

store DIR      a real SMTP server (aiosmtpd); each message goes to DIR/N.eml with its
               envelope in DIR/N.env; a recipient whose address holds "refuse" gets 550.
script FILE    a scripted server for one connection: FILE holds one step a line,
               "send TEXT" (\\r \\n \\t \\xHH written as escapes), "read" (one line from the
               client), "readto LINE" (lines up to LINE, only LINE kept), "sendmany N TEXT",
               "sendfor SECONDS TEXT" (TEXT over and over), "sendnoise N" (N random bytes,
               no CR among them), "accept" (the next connection, after closing this one),
               "sleep SECONDS" (ended early when the client goes), "close", "shutdown" (the
               end of sending, while the client's lines are still read), "reset" (a close
               with RST), "throttle N" (from then on read at most N bytes a second),
               "rcvbuf N" (a small receive window from the start, as on a slow line: it
               applies before the first connection, wherever it stands), "stall SECONDS"
               (nothing read meanwhile, as on a line that has died). Every line the
               client sent goes to FILE.got, except the lines of a message (after a 354
               reply, up to the "."), which go to FILE.data. The second line printed is the
               number of bytes sent to the client.
"""
import random
import re
import select
import socket
import struct
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
    """\\r \\n \\t and \\xHH as the bytes they name; everything else as it stands."""
    out = re.sub(r"\\x([0-9a-fA-F]{2})", lambda m: chr(int(m.group(1), 16)), text)
    return out.replace("\\r", "\r").replace("\\n", "\n").replace("\\t", "\t").encode("latin-1")


class Closed(Exception):
    """The client has closed or reset the connection."""


class ScriptPeer:
    def __init__(self, path):
        self.steps = [line.rstrip("\n") for line in open(path, encoding="latin-1")]
        self.got = open(path + ".got", "wb")
        self.data = open(path + ".data", "wb")
        self.pending = b""
        self.in_data = False  # after a 354 until the client's "." line
        self.sent = 0
        self.rate = 0  # bytes read a second; 0 for as fast as they come

    def keep(self, line):
        # Lines of a message are the server's to store, not commands.
        if self.in_data and line != b".":
            self.data.write(line + b"\n")
            return
        self.in_data = False
        self.got.write(line + b"\n")
        self.got.flush()

    def send(self, data, replies=True):
        self.conn.sendall(data)
        self.sent += len(data)
        if replies and re.search(rb"(^|\n)354[ \r]", data):
            self.in_data = True

    def fill(self, timeout=None):
        """More bytes from the client; Closed when it has gone."""
        self.conn.settimeout(timeout)
        size = 65536
        if self.rate:
            size = max(1, self.rate // 20)
            time.sleep(0.05)
        try:
            data = self.conn.recv(size)
        finally:
            self.conn.settimeout(None)
        if not data:
            raise Closed()
        self.pending += data

    def line(self):
        while b"\r\n" not in self.pending:
            self.fill()
        line, _, self.pending = self.pending.partition(b"\r\n")
        return line

    def wait(self, seconds):
        # What the client sends meanwhile is kept; a client that goes ends the wait.
        end = time.monotonic() + seconds
        while True:
            left = end - time.monotonic()
            if left <= 0:
                return
            if select.select([self.conn], [], [], left)[0]:
                self.fill()

    def step(self, verb, arg):
        if verb == "send":
            self.send(unescape(arg))
        elif verb == "sendmany":
            count, _, text = arg.partition(" ")
            self.send(unescape(text) * int(count))
        elif verb == "sendfor":
            # A reply that never ends: the text again and again until the client goes.
            seconds, _, text = arg.partition(" ")
            chunk = unescape(text) * max(1, 65536 // max(1, len(unescape(text))))
            end = time.monotonic() + float(seconds)
            while time.monotonic() < end:
                self.send(chunk)
        elif verb == "sendnoise":
            # Random bytes without a CR, so no line ever ends.
            rng = random.Random(int(arg))
            self.send(bytes(b if b != 13 else 0 for b in rng.randbytes(int(arg))), False)
        elif verb == "read":
            self.keep(self.line())
        elif verb == "readto":
            while True:
                line = self.line()
                if line == arg.encode("latin-1"):
                    self.keep(line)
                    break
                if self.in_data:
                    self.data.write(line + b"\n")
        elif verb == "throttle":
            self.rate = int(arg)
        elif verb == "sleep":
            self.wait(float(arg))
        elif verb == "stall":
            time.sleep(float(arg))
        elif verb == "accept":
            self.conn.close()
            self.conn, _ = self.listener.accept()
        elif verb == "shutdown":
            self.conn.shutdown(socket.SHUT_WR)
            return False
        elif verb == "reset":
            self.conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return False
        elif verb == "close":
            return False
        return True

    def run(self):
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        for step in self.steps:
            verb, _, arg = step.partition(" ")
            if verb == "rcvbuf":
                self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, int(arg))
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        print(self.listener.getsockname()[1], flush=True)
        self.conn, _ = self.listener.accept()
        reset = False
        try:
            for step in self.steps:
                verb, _, arg = step.partition(" ")
                if not self.step(verb, arg):
                    reset = verb == "reset"
                    break
            # Whatever else came before the close is kept too.
            while not reset:
                self.fill(0.3)
        except (Closed, OSError):
            pass
        if reset:
            self.pending = b""  # a server that resets has read no further
        for line in self.pending.split(b"\r\n"):
            if line:
                self.keep(line)
        self.got.close()
        self.data.close()
        self.conn.close()
        # The second line out: how many bytes the client was sent.
        print(self.sent, flush=True)


def script(path):
    ScriptPeer(path).run()


if __name__ == "__main__":
    {"store": store, "script": script}[sys.argv[1]](sys.argv[2])
