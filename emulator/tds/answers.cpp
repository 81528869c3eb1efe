#include "answers.h"

#include <charconv>

namespace hvemu::tds {

namespace {

constexpr std::string_view kOldDatabase = "master";
constexpr std::string_view kLanguage = "us_english";
constexpr std::uint16_t kUnknownUserType = 0;

std::uint16_t curCmd(StatementKind kind) {
  switch (kind) {
    case StatementKind::Select: return kCurCmdSelect;
    case StatementKind::Insert: return kCurCmdInsert;
    case StatementKind::Delete: return kCurCmdDelete;
    default: return kCurCmdNone;
  }
}

// The size BYTE of an INTN column of `type`.
std::uint8_t intSize(BaseType type) {
  switch (type) {
    case BaseType::TinyInt: return 1;
    case BaseType::SmallInt: return 2;
    case BaseType::BigInt: return 8;
    default: return 4;
  }
}

// A day number of a date in the proleptic Gregorian calendar, counted in
// 400-year eras from a year starting in March (so that the leap day comes
// last); differences of it count days.
long dayNumber(long y, long m, long d) {
  y -= m <= 2 ? 1 : 0;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

bool number(std::string_view text, std::size_t at, std::size_t digits, long& out) {
  if (at + digits > text.size()) return false;
  const char* first = text.data() + at;
  const std::from_chars_result r = std::from_chars(first, first + digits, out);
  return r.ec == std::errc() && r.ptr == first + digits;
}

}  // namespace

std::uint32_t agreedVersion(std::uint32_t requested) {
  if (requested >= kTds74) return kTds74;
  if (requested < kTds71) return kTds71;
  return requested;
}

std::uint32_t agreedPacketSize(std::uint32_t requested) {
  if (requested == 0) return kInitialPacketSize;
  if (requested < kMinPacketSize) return kMinPacketSize;
  return requested > kMaxPacketSize ? kMaxPacketSize : requested;
}

bool dateTimeParts(std::string_view text, std::int32_t& days, std::uint32_t& ticks) {
  // yyyy-mm-dd hh:mi:ss.mmm
  long y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  if (text.size() != 23 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':' || text[19] != '.')
    return false;
  if (!number(text, 0, 4, y) || !number(text, 5, 2, mo) || !number(text, 8, 2, d) || !number(text, 11, 2, h) ||
      !number(text, 14, 2, mi) || !number(text, 17, 2, s) || !number(text, 20, 3, ms))
    return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  long dayCount = dayNumber(y, mo, d) - dayNumber(1900, 1, 1);
  long t = ((h * 60 + mi) * 60 + s) * kDateTimeTicksPerSecond + (ms * kDateTimeTicksPerSecond + 500) / 1000;
  if (t >= 86400L * kDateTimeTicksPerSecond) {
    t -= 86400L * kDateTimeTicksPerSecond;
    ++dayCount;
  }
  days = static_cast<std::int32_t>(dayCount);
  ticks = static_cast<std::uint32_t>(t);
  return true;
}

void TokenWriter::envChange(std::uint8_t type, std::string_view newValue, std::string_view oldValue) {
  withLength(Token::EnvChange, [&] {
    w_.u8(type);
    w_.bVarChar(newValue);
    w_.bVarChar(oldValue);
  });
}

void TokenWriter::collationChange() {
  withLength(Token::EnvChange, [&] {
    w_.u8(kEnvCollation);
    w_.u8(kCollationSize);
    w_.bytes(kCollationLatin1);
    w_.u8(0);  // no old collation
  });
}

void TokenWriter::message(const ServerError& e) {
  withLength(isInformational(e) ? Token::Info : Token::Error, [&] {
    w_.u32le(static_cast<std::uint32_t>(e.native));
    w_.u8(static_cast<std::uint32_t>(e.state));
    w_.u8(static_cast<std::uint32_t>(e.severity));
    w_.usVarChar(e.text);
    w_.bVarChar(kServerName);
    w_.bVarChar("");  // no procedure
    if (wide()) {
      w_.u32le(1);  // line number
    } else {
      w_.u16le(1);
    }
  });
}

void TokenWriter::loginAck() {
  withLength(Token::LoginAck, [&] {
    w_.u8(kInterfaceTsql);
    w_.u32be(version_);
    w_.bVarChar(kProductName);
    w_.u32be(kServerVersion);
  });
}

void TokenWriter::done(std::uint16_t status, std::uint16_t cmd, long long count, Token token) {
  w_.u8(static_cast<std::uint8_t>(token));
  w_.u16le(status);
  w_.u16le(cmd);
  const auto n = static_cast<std::uint64_t>(count < 0 ? 0 : count);
  if (wide()) {
    w_.u64le(n);
  } else {
    w_.u32le(static_cast<std::uint32_t>(n));
  }
}

void TokenWriter::userType() {
  if (wide()) {
    w_.u32le(kUnknownUserType);
  } else {
    w_.u16le(kUnknownUserType);
  }
}

void TokenWriter::returnStatus(std::int32_t status) {
  w_.u8(static_cast<std::uint8_t>(Token::ReturnStatus));
  w_.u32le(static_cast<std::uint32_t>(status));
}

void TokenWriter::returnValue(std::uint16_t ordinal, std::string_view name, std::int32_t value) {
  constexpr std::uint8_t kStatusOutput = 0x01;
  w_.u8(static_cast<std::uint8_t>(Token::ReturnValue));
  w_.u16le(ordinal);
  w_.bVarChar(name);
  w_.u8(kStatusOutput);
  userType();
  w_.u16le(kColumnNullable);
  w_.u8(kTypeIntN);
  w_.u8(4);
  w_.u8(4);
  w_.u32le(static_cast<std::uint32_t>(value));
}

void TokenWriter::colMetadata(const std::vector<ResultColumn>& columns) {
  w_.u8(static_cast<std::uint8_t>(Token::ColMetadata));
  w_.u16le(static_cast<std::uint32_t>(columns.size()));
  for (const ResultColumn& c : columns) {
    userType();
    w_.u16le(static_cast<std::uint32_t>((c.nullable ? kColumnNullable : 0) | kColumnUpdatableUnknown));
    if (c.type.isText()) {
      w_.u8(c.type.base == BaseType::Char ? kTypeBigChar : kTypeBigVarChar);
      w_.u16le(static_cast<std::uint32_t>(c.type.length < 1 ? 1 : c.type.length));
      w_.bytes(kCollationLatin1);
    } else if (c.type.base == BaseType::DateTime) {
      w_.u8(kTypeDateTimeN);
      w_.u8(8);
    } else {
      w_.u8(kTypeIntN);
      w_.u8(intSize(c.type.base));
    }
    w_.bVarChar(c.name);
  }
}

bool TokenWriter::row(const std::vector<ResultColumn>& columns, const ResultSet& rows) {
  const std::size_t start = out_.size();
  w_.u8(static_cast<std::uint8_t>(Token::Row));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int col = static_cast<int>(i);
    const SqlType& type = columns[i].type;
    if (rows.isNull(col)) {
      // A text's all-ones length; a length of 0 for INTN and DATETIMN.
      if (type.isText()) {
        w_.u16le(kNullTextLength);
      } else {
        w_.u8(0);
      }
      continue;
    }
    if (type.isText()) {
      const std::string text = rows.text(col);
      if (text.size() >= kNullTextLength) {
        out_.resize(start);
        return false;
      }
      w_.u16le(static_cast<std::uint32_t>(text.size()));
      w_.bytes(text);
    } else if (type.base == BaseType::DateTime) {
      std::int32_t days = 0;
      std::uint32_t ticks = 0;
      if (!dateTimeParts(rows.text(col), days, ticks)) {
        out_.resize(start);
        return false;
      }
      w_.u8(8);
      w_.u32le(static_cast<std::uint32_t>(days));
      w_.u32le(ticks);
    } else {
      const std::uint8_t size = intSize(type.base);
      const auto v = static_cast<std::uint64_t>(rows.integer(col));
      w_.u8(size);
      for (std::uint8_t b = 0; b < size; ++b) w_.u8(static_cast<std::uint32_t>((v >> (8 * b)) & 0xFF));
    }
  }
  return true;
}

void writeLoginAnswer(std::string& out, std::uint32_t tdsVersion, std::string_view database,
                      std::uint32_t packetSize) {
  TokenWriter t(out, tdsVersion);
  t.envChange(kEnvDatabase, database, kOldDatabase);
  t.collationChange();
  t.envChange(kEnvLanguage, kLanguage, "");
  const std::string size = std::to_string(packetSize);
  t.envChange(kEnvPacketSize, size, std::to_string(kInitialPacketSize));
  t.message(serverError(kContextChanged, {std::string(database)}));
  t.message(serverError(kLanguageChanged, {std::string(kLanguage)}));
  t.loginAck();
  t.done(kDoneFinal, kCurCmdNone, 0);
}

void writeLoginRefusal(std::string& out, std::uint32_t tdsVersion, const ErrorList& errors) {
  TokenWriter t(out, tdsVersion);
  for (const ServerError& e : errors) t.message(e);
  t.done(kDoneError, kCurCmdNone, 0);
}

bool writeStatementAnswer(Outbox& out, std::uint32_t tdsVersion, ExecResult& result, bool inProcedure) {
  TokenWriter t(out.tokens(), tdsVersion);
  const std::uint16_t cmd = curCmd(result.kind);
  // Inside a procedure the statement's DONEINPROC is followed by the
  // procedure's end: DONE_MORE says so (a client takes a DONE without it as
  // the end of the answer).
  const Token done = inProcedure ? Token::DoneInProc : Token::Done;
  const std::uint16_t more = inProcedure ? kDoneMore : 0;
  for (const ServerError& e : result.records) t.message(e);
  if (!result.ok) {
    t.done(kDoneError | more, cmd, 0, done);
    return true;
  }
  if (!result.rows) {
    t.done((result.rowCount >= 0 ? kDoneCount : kDoneFinal) | more, cmd, result.rowCount, done);
    return true;
  }
  const std::vector<ResultColumn>& columns = result.rows->columns();
  t.colMetadata(columns);
  long long count = 0;
  for (;;) {
    const int step = result.rows->next();
    if (step == 0) break;
    if (step < 0 || !t.row(columns, *result.rows)) {
      t.message(serverError(kStoreFailure, {step < 0 ? result.rows->error() : "a value does not fit its column"}));
      t.done(kDoneError | kDoneCount | more, cmd, count, done);
      return true;
    }
    ++count;
    if (!out.flushFull()) return false;
  }
  t.done(kDoneCount | more, cmd, count, done);
  return true;
}

void writeProcedureEnd(std::string& out, std::uint32_t tdsVersion, const ProcedureEnd& end) {
  TokenWriter t(out, tdsVersion);
  if (end.ok) t.returnStatus(0);
  if (end.withHandle) t.returnValue(0, end.handleParam, end.handle);
  t.done(end.ok ? kDoneFinal : kDoneError, kCurCmdNone, 0, Token::DoneProc);
}

void writeAttentionAck(std::string& out, std::uint32_t tdsVersion) {
  TokenWriter(out, tdsVersion).done(kDoneAttention, kCurCmdNone, 0);
}

void writeUnsupported(std::string& out, std::uint32_t tdsVersion, std::string_view request, Token done) {
  TokenWriter t(out, tdsVersion);
  t.message(serverError(kNotSupported, {std::string(request)}));
  t.done(kDoneError, kCurCmdNone, 0, done);
}

}  // namespace hvemu::tds
