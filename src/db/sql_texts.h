// The fixed texts of the database layer, in one place: the statement formats
// (every blank counts: the server receives them exactly like this when no value
// holds a quote) and the console and run-log texts.
#ifndef HV_DB_SQL_TEXTS_H
#define HV_DB_SQL_TEXTS_H

namespace sqltext {

// Booking insert. Values: BewSch, BewTID, BewLID, BewIDN, BewSto, cost-centre
// text (NULL or a quoted literal, hence the bare %s), date text, date-time text,
// BewLfn, BewArt, BewTas, BewEra, BewKze, BewBer, BewErq, BewSta, BewQua,
// BewSrc, BewRes.
inline constexpr const char kInsertBooking[] =
    "INSERT INTO HvSystem.Hvs321BEW    (BewSch, BewTID, BewLID,     BewIDN, BewSto, BewKst,     "
    "BewDtm, BewUhr,     BewLfn, BewArt, BewTas,     BewEra, BewKze, BewBer,     BewErq, BewSta,     "
    "BewQua, BewSrc, BewRes)  VALUES ('%s', '%s', '%s',          '%s', '%s', %s ,          "
    "convert(DATETIME, '%s', 120),           convert(DATETIME, '%s', 120),          "
    "'%s', '%s', '%s',          '%s', '%s', '%s',          '%s', '%ld',          '%s', '%s', '%s' )";

// Cost centre of a cost-centre number. Values: terminal name, number.
inline constexpr const char kLookupKidKst[] =
    "SELECT KidKst  FROM  HvSystem.Hvs120Kid, HvSystem.Hvs1140Trm  WHERE TrmNam = '%s'    "
    "AND KidNum = %ld    AND KidMnd = TrmMnd    AND KidLiz = TrmLiz";

// Function code of a key number. Values: terminal name, key number.
inline constexpr const char kLookupTtaFcd[] =
    "SELECT TtaFcd  FROM  HvSystem.Hvs112Tta, HvSystem.Hvs1140Trm  WHERE TrmNam = '%s'    "
    "AND ((TrmSta <> 4 AND TrmSta <> 8) OR TrmSta is null)    AND TtaNum = TrmTas    "
    "AND TtaMnd = TrmMnd    AND TtaAps = %ld";

// Default key number of a terminal. Value: terminal name. Ends with one blank.
inline constexpr const char kLookupTtaAps[] =
    "SELECT TtaAps  FROM  HvSystem.Hvs112Tta, HvSystem.Hvs1140Trm  WHERE TrmNam = '%s'    "
    "AND ((TrmSta <> 4 AND TrmSta <> 8) OR TrmSta is null)    AND TtaNum = TrmTas    "
    "AND TtaMnd = TrmMnd    AND TtaDnc = 3 ";

// Cost centre of one reader of a terminal. Values: terminal name, reader number.
inline constexpr const char kLookupZlsKst[] =
    "SELECT ZlsKst  FROM  HvSystem.Hvs401Zls  WHERE ZlsTrm = '%s'    AND ZlsLes = %ld";

// Canteen row. Values: configured schema, "01", "_K", date, time, kind, badge,
// Bon value. Leading and trailing blank.
inline constexpr const char kInsertCanteen[] =
    " INSERT INTO %s.Hvs321Kan         (KanPor, KanFcd, KanDtm, KanUhr, KanMsk, KanAwn, KanDat)  "
    "VALUES (  '%s',   '%s',   '%s',   '%s',   '%s',   '%s',   '%s') ";

inline constexpr const char kCanteenPort[] = "01";
inline constexpr const char kCanteenFunction[] = "_K";
inline constexpr const char kCanteenKind[] = "K01";  // kind of every non-dta canteen booking
inline constexpr const char kBonYes[] = "0001";
inline constexpr const char kBonNo[] = "0000";

// Console and run-log texts.
inline constexpr const char kConnectFailed[] = "Datenbankverbindung fehlgeschlagen, Fehler: %d\n";
// A diagnostic record on the console (debug flag only): SQLSTATE, native error
// code, message text on one line.
inline constexpr const char kDiagnosticLine[] = "   ODBC %s (%d): %s\n";
inline constexpr const char kCanteenFailedLog[] = "Kantinendaten konnten nicht eingepflegt werden:";
inline constexpr const char kCanteenDetailLog[] = "SQLFehler: %ld Ausweis: %s  Datum/Uhrzeit: %s %s  Bon: %s!";
inline constexpr const char kCanteenFailedConsole[] = "Kantinendaten konnten nicht eingepflegt werden.\n";
inline constexpr const char kCanteenDetailConsole[] =
    "SQLFehler: %ld Ausweis: %s  Datum/Uhrzeit: %s %s  Bon: %s!\n";

}  // namespace sqltext

#endif  // HV_DB_SQL_TEXTS_H
