"""Reads a stored message with Python's own MIME parser and prints what it holds as JSON:
the headers, whether the date has a known zone, the addresses the To header names, the text
part's lines and transfer encoding, each attachment's name, and its bytes written beside the
message (N.eml -> N.att0, N.att1, ...)."""
import email
import email.policy
import email.utils
import json
import sys

path = sys.argv[1]
raw = open(path, "rb").read()
msg = email.message_from_bytes(raw, policy=email.policy.default)
out = {"headers": {k: str(v) for k, v in msg.items()}, "parts": [], "encodings": [],
       "attachments": []}
out["to_addresses"] = [a.addr_spec for a in msg["To"].addresses] if msg["To"] else []
date = email.utils.parsedate_to_datetime(msg["Date"])
out["date_ok"] = date is not None
out["date_zone_known"] = date is not None and date.tzinfo is not None
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
        out["encodings"].append(part.get("Content-Transfer-Encoding", "7bit"))
print(json.dumps(out))
