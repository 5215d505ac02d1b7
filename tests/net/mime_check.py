"""Reads a stored message with Python's own MIME parser and prints what it holds as JSON:
the headers, the text part's lines, each attachment's name, and its bytes written beside the
message (N.eml -> N.att0, N.att1, ...)."""
import email
import email.policy
import email.utils
import json
import sys

path = sys.argv[1]
raw = open(path, "rb").read()
msg = email.message_from_bytes(raw, policy=email.policy.default)
out = {"headers": {k: str(v) for k, v in msg.items()}, "parts": [], "attachments": []}
out["date_ok"] = email.utils.parsedate_to_datetime(msg["Date"]) is not None
out["multipart"] = msg.is_multipart()
out["raw_lines"] = [l.decode("latin-1") for l in raw.split(b"\r\n")]
for part in msg.walk():
    if part.is_multipart():
        continue
    if part.get_filename():
        n = len(out["attachments"])
        with open(path[:-4] + ".att%d" % n, "wb") as f:
            f.write(part.get_payload(decode=True))
        out["attachments"].append(
            {"name": part.get_filename(), "type": part.get_content_type()})
    else:
        out["parts"].append(part.get_payload(decode=True).decode("latin-1").split("\r\n"))
print(json.dumps(out))
