#!/usr/bin/python3
# A TDS client that is not FreeTDS: Debian's python3-tds (pytds) against the
# stand-in's TDS server. Connects, inserts (texts with "ä" and the euro sign),
# queries varchar, smallint, int and datetime columns, and meets a duplicate
# key. Prints what it saw, one line each, for tests/e2e/freetds_test.cpp.
#
#   pytds_client.py PORT DATABASE USER PASSWORD
import sys

import pytds

port, database, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
with pytds.connect(dsn="127.0.0.1", port=port, database=database, user=user, password=password,
                   autocommit=True, login_timeout=10, timeout=10) as conn:
    cur = conn.cursor()
    cur.execute("SELECT COUNT(*) FROM HvSystem.Hvs1140Trm")
    print("connected to %s" % database)
    cur.execute("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('PY1', 1, 'Käse €')")
    print("inserted %d" % cur.rowcount)
    cur.execute("SELECT ZlsTrm, ZlsLes, ZlsKst FROM HvSystem.Hvs401Zls WHERE ZlsTrm = 'PY1'")
    print("rows %r" % cur.fetchall())
    cur.execute("INSERT INTO HvSystem.Hvs321BEW (BewSch, BewTID, BewLID, BewIDN, BewSto, BewDtm, BewUhr, BewLfn, "
                "BewArt, BewTas, BewEra, BewKze, BewBer, BewErq, BewSta, BewKst, BewQua, BewRes, BewSrc) VALUES "
                "('', 'BDE6251', '01', '4711', '0', CONVERT(DATETIME, '2025-01-15 00:00:00', 120), "
                "CONVERT(DATETIME, '2025-01-15 07:30:00', 120), '1', 'B01', '', '', '', '', '', 1, NULL, '', '', 'py')")
    cur.execute("SELECT BewTID, BewIDN, BewUhr, BewSta FROM HvSystem.Hvs321BEW WHERE BewSrc = 'py'")
    print("booking %r" % (cur.fetchone(),))
    try:
        cur.execute("INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('PY1', 1, 'x')")
        print("no error")
    except pytds.IntegrityError as e:
        print("IntegrityError %d class %d: %s" % (e.number, e.severity, e.text))
