// The statement texts with any values. Each statement is read back against its
// fixed format: outside the value slots the text must be the format character
// for character, and every quoted literal, its doubled quotes undone, must be
// the value as the record holds it. A value whose quote were not doubled would
// end its literal early and leave the rest of the text off the format.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "config/login.h"
#include "db/described_texts.h"
#include "db/lookup_statements.h"
#include "db/sql_statements.h"
#include "db/sql_texts.h"
#include "fuzz_support.h"

namespace {

// What fills one slot of a format.
struct Slot {
  enum Kind {
    kLiteral,        // '%s' or '%ld': the literal's content, quotes undoubled
    kExact,          // bare %s or %ld: exactly this text
    kNullOrLiteral,  // bare %s of the cost centre: NULL when empty, else a literal
  } kind;
  std::string value;
};

// Reads a literal's content from `text` at `pos` up to its closing quote
// (not consumed); false when the text ends first.
bool readLiteral(std::string_view text, std::size_t& pos, std::string& content) {
  content.clear();
  while (pos < text.size()) {
    if (text[pos] != '\'') {
      content += text[pos++];
    } else if (pos + 1 < text.size() && text[pos + 1] == '\'') {
      content += '\'';
      pos += 2;
    } else {
      return true;
    }
  }
  return false;
}

// True when `statement` is `format` with its slots, in order, filled by `slots`.
bool hasShape(std::string_view format, const std::vector<Slot>& slots, std::string_view statement) {
  std::size_t s = 0;
  std::size_t next = 0;
  std::string content;
  for (std::size_t f = 0; f < format.size();) {
    if (format[f] != '%') {
      if (s >= statement.size() || statement[s] != format[f]) return false;
      ++f;
      ++s;
      continue;
    }
    f += format.compare(f, 3, "%ld") == 0 ? 3 : 2;
    if (next >= slots.size()) return false;
    const Slot& slot = slots[next++];
    switch (slot.kind) {
      case Slot::kLiteral:
        if (!readLiteral(statement, s, content) || content != slot.value) return false;
        break;
      case Slot::kExact:
        if (statement.compare(s, slot.value.size(), slot.value) != 0) return false;
        s += slot.value.size();
        break;
      case Slot::kNullOrLiteral:
        if (slot.value.empty()) {
          if (statement.compare(s, 4, "NULL") != 0) return false;
          s += 4;
        } else {
          if (s >= statement.size() || statement[s++] != '\'') return false;
          if (!readLiteral(statement, s, content) || content != slot.value) return false;
          ++s;
        }
        break;
    }
  }
  return s == statement.size() && next == slots.size();
}

// A value as a terminated text of `width` characters holds it.
std::string held(std::string_view value, std::size_t width = std::string_view::npos) {
  return std::string(value.substr(0, std::min(value.find('\0'), width)));
}

Slot literal(std::string_view v) { return {Slot::kLiteral, std::string(v)}; }

// The text `build` appends to an empty statement buffer, as the store builds it.
template <typename Build>
std::string built(Build build) {
  StatementText text;
  build(text);
  return text.str();
}

void checkBookingInsert(FuzzedDataProvider& in) {
  BookingRecord r;
  std::vector<std::string> v;
  auto take = [&](auto& field) {
    const std::string value = in.ConsumeRandomLengthString(300);
    field = value;
    v.push_back(held(value, std::remove_reference_t<decltype(field)>::kMaxLength));
  };
  take(r.BewSch), take(r.BewTID), take(r.BewLID), take(r.BewIDN), take(r.BewSto), take(r.BewKst);
  take(r.BewDtm), take(r.BewUhr), take(r.BewLfn), take(r.BewArt), take(r.BewTas), take(r.BewEra);
  take(r.BewKze), take(r.BewBer), take(r.BewErq), take(r.BewQua), take(r.BewSrc), take(r.BewRes);
  r.BewSta = in.ConsumeIntegral<int16_t>();

  const std::vector<Slot> slots = {literal(v[0]),
                                   literal(v[1]),
                                   literal(v[2]),
                                   literal(v[3]),
                                   literal(v[4]),
                                   {Slot::kNullOrLiteral, v[5]},
                                   literal(dateTextOf(v[6])),
                                   literal(dateTextOf(v[7])),
                                   literal(v[8]),
                                   literal(v[9]),
                                   literal(v[10]),
                                   literal(v[11]),
                                   literal(v[12]),
                                   literal(v[13]),
                                   literal(v[14]),
                                   literal(std::to_string(r.BewSta)),
                                   literal(v[15]),
                                   literal(v[16]),
                                   literal(v[17])};
  FUZZ_CHECK(
      hasShape(sqltext::kInsertBooking, slots, built([&](StatementText& t) { appendBookingInsert(t, r); })),
      "booking insert");
}

// Two terminal names in turn through one LookupStatements, as a run would if
// its name changed: the texts kept for the first must not leak into the second.
void checkLookups(FuzzedDataProvider& in) {
  LookupStatements lookups;
  for (int round = 0; round < 2; ++round) {
    const std::string terminal = in.ConsumeRandomLengthString(300);
    const int32_t number = in.ConsumeIntegral<int32_t>();
    const Slot t = literal(held(terminal));
    const Slot n = {Slot::kExact, std::to_string(number)};
    FUZZ_CHECK(hasShape(sqltext::kLookupKidKst, {t, n},
                        built([&](StatementText& x) { lookups.appendKidKst(x, terminal, number); })),
               "cost-centre lookup");
    FUZZ_CHECK(hasShape(sqltext::kLookupTtaFcd, {t, n},
                        built([&](StatementText& x) { lookups.appendTtaFcd(x, terminal, number); })),
               "function-code lookup");
    FUZZ_CHECK(hasShape(sqltext::kLookupTtaAps, {t},
                        built([&](StatementText& x) { lookups.appendTtaAps(x, terminal); })),
               "default-key lookup");
    FUZZ_CHECK(hasShape(sqltext::kLookupZlsKst, {t, n},
                        built([&](StatementText& x) { lookups.appendZlsKst(x, terminal, number); })),
               "reader lookup");
  }
}

bool plainIdentifier(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

void checkCanteen(FuzzedDataProvider& in) {
  std::string schema = in.ConsumeRandomLengthString(30);
  FUZZ_CHECK(login::isPlainIdentifier(schema) == plainIdentifier(schema), "plain identifiers");
  if (!login::isPlainIdentifier(schema)) schema = "HvSystem";
  std::vector<std::string> v;
  for (int i = 0; i < 7; ++i) v.push_back(in.ConsumeRandomLengthString(100));
  const std::vector<Slot> slots = {{Slot::kExact, schema}, literal(held(v[0])), literal(held(v[1])),
                                   literal(held(v[2])),    literal(held(v[3])), literal(held(v[4])),
                                   literal(held(v[5])),    literal(held(v[6]))};
  FUZZ_CHECK(hasShape(sqltext::kInsertCanteen, slots, built([&](StatementText& t) {
                        appendCanteenInsert(t, schema, v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
                      })),
             "canteen insert");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string value = in.ConsumeRandomLengthString(600);
  std::string undone;
  std::size_t pos = 0;
  const std::string quoted = built([&](StatementText& t) { appendQuoted(t, value); });
  FUZZ_CHECK(readLiteral(quoted + "'", pos, undone) && pos == quoted.size() && undone == held(value),
             "quote doubling round-trips");
  checkLookups(in);
  checkCanteen(in);
  checkBookingInsert(in);
  return 0;
}
