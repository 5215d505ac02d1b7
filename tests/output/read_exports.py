#!/usr/bin/env python3
"""Reads a logbook file and its Cabrillo and ADIF exports with readers of its own, and checks
that every contact each format can name is there, in order, with equal fields."""
import sys
import unicodedata

BANDS = {  # band: (Cabrillo frequency, ADIF band)
    "160m": ("1800", "160m"), "80m": ("3500", "80m"), "40m": ("7000", "40m"),
    "30m": ("10100", "30m"), "20m": ("14000", "20m"), "17m": ("18068", "17m"),
    "15m": ("21000", "15m"), "12m": ("24890", "12m"), "10m": ("28000", "10m"),
    "6m": ("50", "6m"), "2m": ("144", "2m"), "70cm": ("432", "70cm"),
    "23cm": ("1.2G", "23cm"), "13cm": ("2.3G", "13cm"), "9cm": ("3.4G", "9cm"),
    "6cm": ("5.7G", "6cm"), "3cm": ("10G", "3cm"), "1cm": ("24G", "1.25cm"),
}
CABRILLO_MODES = {"Phone": "PH", "AM": "PH", "SSB": "PH", "FM": "FM", "Dgtl": "DG", "CW": "CW"}
ADIF_MODES = {"AM": "AM", "FM": "FM", "SSB": "SSB", "TV": "ATV", "CW": "CW"}


def split_report(report, cw):
    """Signal report and serial, as the contest's exchange reads them."""
    if report.isdigit():
        if len(report) == 4:
            n = 4 if report[0] != "0" else 3
        elif len(report) == 6:
            n = 4 if not cw and report[2] not in "90" else 3
        elif len(report) == 7:
            n = 4
        else:
            n = 3
    else:
        n = 3
    n = min(n, len(report))
    return report[: len(report) - n], report[len(report) - n:]


def ascii_name(text):
    return "".join(c for c in unicodedata.normalize("NFKD", text) if ord(c) < 128)


def read_log(path):
    contacts = []
    with open(path, "rb") as f:
        for raw in f.read().decode("latin-1").split("\r\n"):
            if not raw:
                continue
            v = [field.strip('"') for field in raw.split(",")]
            date, time, band, mode, call, sent, rcvd, points, name = v
            contacts.append(dict(date=date, time=time, band=band, mode=mode, call=call,
                                 sent=sent, rcvd=rcvd, name=name))
    return contacts


def read_cabrillo(path):
    text = open(path, "rb").read().decode("ascii")
    lines = text.split("\r\n")
    assert lines[0] == "START-OF-LOG: 3.0", lines[0]
    assert lines[-2] == "END-OF-LOG:" and lines[-1] == "", lines[-2:]
    tags = {}
    qsos = []
    for line in lines[1:-2]:
        tag, _, value = line.partition(": ")
        if tag == "QSO":
            # A robot may read the fields by the spaces between them, not by the columns.
            assert len(line.split()) == 11, line
            qsos.append(dict(freq=line[5:10].strip(), mode=line[11:13], date=line[14:24],
                             time=line[25:29], own=line[30:43].strip(),
                             sent_rst=line[44:47].strip(), sent_exch=line[48:54].strip(),
                             call=line[55:68].strip(), rcvd_rst=line[69:72].strip(),
                             rcvd_exch=line[73:79].strip()))
        else:
            tags.setdefault(tag, value)
    return tags, qsos


def read_adif(path):
    data = open(path, "rb").read()
    assert all(b < 128 for b in data), "ADIF file holds bytes outside ASCII"
    records, fields, pos, in_header = [], {}, 0, True
    header = {}
    while True:
        start = data.find(b"<", pos)
        if start < 0:
            break
        end = data.index(b">", start)
        tag = data[start + 1:end].decode("ascii").split(":")
        name = tag[0].upper()
        if name in ("EOH", "EOR"):
            if name == "EOH":
                header, in_header = fields, False
            else:
                records.append(fields)
            fields, pos = {}, end + 1
            continue
        length = int(tag[1])
        fields[name] = data[end + 1:end + 1 + length].decode("ascii")
        pos = end + 1 + length
    assert not in_header
    return header, records


def main(log_path, cabrillo_path, adif_path):
    contacts = read_log(log_path)
    tags, qsos = read_cabrillo(cabrillo_path)
    assert tags["CONTEST"] == "KESTRELWOOD-CUP", tags
    header, records = read_adif(adif_path)
    assert header["ADIF_VER"] == "3.1.6" and header["PROGRAMID"] == "VORAD", header

    # A serial alone stands in Cabrillo with the mode's nominal report.
    def cabrillo_report(report, cw):
        rst, serial = split_report(report, cw)
        return rst or ("599" if cw else "59"), serial

    in_cabrillo = [c for c in contacts if c["mode"] in CABRILLO_MODES]
    assert len(qsos) == len(in_cabrillo), (len(qsos), len(in_cabrillo))
    for c, q in zip(in_cabrillo, qsos):
        cw = c["mode"] == "CW"
        m, d, y = c["date"].split("-")
        want = dict(freq=BANDS[c["band"]][0], mode=CABRILLO_MODES[c["mode"]],
                    date=f"{y}-{m}-{d}", time=c["time"].replace(":", ""), own=tags["CALLSIGN"],
                    sent_rst=cabrillo_report(c["sent"], cw)[0],
                    sent_exch=cabrillo_report(c["sent"], cw)[1], call=c["call"],
                    rcvd_rst=cabrillo_report(c["rcvd"], cw)[0],
                    rcvd_exch=cabrillo_report(c["rcvd"], cw)[1])
        assert q == want, (q, want)

    in_adif = [c for c in contacts if c["mode"] in ADIF_MODES]
    assert len(records) == len(in_adif), (len(records), len(in_adif))
    for c, r in zip(in_adif, records):
        cw = c["mode"] == "CW"
        m, d, y = c["date"].split("-")
        sent_rst, stx = split_report(c["sent"], cw)
        rcvd_rst, srx = split_report(c["rcvd"], cw)
        want = dict(CALL=c["call"], QSO_DATE=y + m + d, TIME_ON=c["time"].replace(":", ""),
                    BAND=BANDS[c["band"]][1], MODE=ADIF_MODES[c["mode"]], STX=str(int(stx)),
                    SRX=str(int(srx)), STATION_CALLSIGN=tags["CALLSIGN"],
                    CONTEST_ID="KESTRELWOOD-CUP")
        if sent_rst:
            want["RST_SENT"] = sent_rst
        if rcvd_rst:
            want["RST_RCVD"] = rcvd_rst
        if c["name"]:
            want["NAME"] = ascii_name(c["name"])
        assert r == want, (r, want)

    print(f"read back: {len(contacts)} contacts in the log, {len(qsos)} Cabrillo QSO lines, "
          f"{len(records)} ADIF records; every field equal")


if __name__ == "__main__":
    main(*sys.argv[1:4])
