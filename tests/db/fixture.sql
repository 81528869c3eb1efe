-- Master data of the database layer's tests (loaded after sql/schema.sql).
-- Terminals: TDB1 client 1 in service; TDB2 client 2; TDB4 and TDB8 in states 4
-- and 8; TDBN without a state; TDBX whose default key column is NULL; TDBS with
-- two default keys and two rows for key 7; O'Neil with a quote in its name.
INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('TDB1', 1, 1, 1, 10)
INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('TDB2', 2, 2, 0, 20)
INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('TDB4', 1, 1, 4, 10)
INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('TDB8', 1, 1, 8, 10)
INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('TDBN', 1, 1, NULL, 10)
INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('TDBX', 1, 1, 2, 30)
INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('TDBS', 1, 1, 2, 40)
INSERT INTO HvSystem.Hvs1140Trm (TrmNam, TrmMnd, TrmLiz, TrmSta, TrmTas) VALUES ('O''Neil', 1, 1, 1, 10)
-- Cost centres: 100 for both clients, 101 NULL, 102 of 40 characters.
INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 1, 100, 'KST-100')
INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (2, 2, 100, 'KST-100-M2')
INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 1, 101, NULL)
INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 1, 102, '1234567890123456789012345678901234567890')
INSERT INTO HvSystem.Hvs120Kid (KidMnd, KidLiz, KidNum, KidKst) VALUES (1, 2, 100, 'other licence')
-- Key table 10 (client 1): default key 2; key 3 without a code; key 4 with a
-- long code; key 5 with a one-character code.
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 10, 1, 'K01', 0)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 10, 2, 'K02', 3)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 10, 3, NULL, 0)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 10, 4, 'LONGX', 0)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 10, 5, 'A', 0)
-- Key table 10 of client 2 must not serve client 1, nor table 20 client 1.
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (2, 10, 1, 'X21', 0)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (2, 20, 1, 'M21', 3)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 20, 1, 'X11', 0)
-- Key table 30: the default key's number is NULL.
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 30, NULL, 'N01', 3)
-- Key table 40: two default keys, two rows for key 7.
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 40, 8, 'S08', 3)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 40, 6, 'S06', 3)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 40, 7, 'S7B', 0)
INSERT INTO HvSystem.Hvs112Tta (TtaMnd, TtaNum, TtaAps, TtaFcd, TtaDnc) VALUES (1, 40, 7, 'S7A', 0)
-- Readers of TDB1 (2 NULL, 3 of 40 characters) and of O'Neil.
INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDB1', 1, 'Z-1')
INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDB1', 2, NULL)
INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDB1', 3, '1234567890123456789012345678901234567890')
INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDB1', 32, 'Z-32')
INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('O''Neil', 1, 'Q-1')
INSERT INTO HvSystem.Hvs401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES ('TDB2', 1, 'Z2-1')
