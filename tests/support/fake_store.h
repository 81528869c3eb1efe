// FakeStore: a BookingStore that records every call in order and answers from
// tables the test sets up. Unanswered lookups return 100 (no row); inserts
// return 0 unless the test queued other results. It can lose its connection
// at a given call, as the ODBC store does: that call fails with the loss's
// native code (a lookup answers that code, an insert -1 for code 0), and
// connectionLoss() holds the loss from then on; later calls are still recorded,
// so that a test sees any the reader should not have made.
#ifndef HV_TESTS_SUPPORT_FAKE_STORE_H
#define HV_TESTS_SUPPORT_FAKE_STORE_H

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/format.h"
#include "db/booking_store.h"

class FakeStore : public BookingStore {
 public:
  struct TextAnswer {
    int32_t result = 0;
    std::string text;
  };

  // Answers, keyed by the number asked for.
  std::map<int32_t, TextAnswer> zls;  // reader number -> cost-centre number text
  std::map<int32_t, TextAnswer> kid;  // cost-centre number -> cost centre
  std::map<int32_t, TextAnswer> fcd;  // key number -> function code
  int32_t apsResult = 100;
  int32_t apsKey = 99;
  std::deque<int32_t> insertResults;   // codes, consumed one per insert; 0 when empty
  std::deque<int32_t> canteenResults;  // codes, consumed one per canteen booking; 0 (written) when empty
  std::string failureDiagnostic;       // the answer of lastFailureDiagnostic()
  std::size_t loseAtCall = 0;          // the call (counted from 1) that loses the connection; 0: none
  int32_t lossNative = 0;              // its native error code
  ConnectionLoss lossToGive{std::string_view("08S01"), "   ODBC 08S01 (0): link failure\n"};

  // What happened, in order: "ZLS <terminal> <n>", "KID <n> <terminal>",
  // "FCD <terminal> <key>", "APS <terminal>", "INSERT", "CANTEEN".
  std::vector<std::string> calls;
  std::vector<BookingRecord> inserted;  // every record handed to insertBooking
  std::vector<BookingRecord> canteen;   // every record handed to bookCanteen

  StoreResult insertBooking(const BookingRecord& record) override {
    calls.push_back("INSERT");
    inserted.push_back(record);
    if (losesNow()) return {lossNative != 0 ? lossNative : -1, true};
    return {next(insertResults)};
  }
  StoreResult bookCanteen(const BookingRecord& record) override {
    calls.push_back("CANTEEN");
    canteen.push_back(record);
    if (losesNow()) return {lossNative != 0 ? lossNative : -1, true};
    return {next(canteenResults)};
  }
  std::string lastFailureDiagnostic() const override { return failureDiagnostic; }
  const ConnectionLoss* connectionLoss() const override { return loss_ ? &*loss_ : nullptr; }
  StoreResult lookupKidKst(int32_t number, FixedText<31>& out, std::string_view terminal) override {
    calls.push_back(formatText("KID %d %.*s", number, static_cast<int>(terminal.size()), terminal.data()));
    if (losesNow()) return {lossNative, true};
    return {answer(kid, number, out)};
  }
  StoreResult lookupTtaFcd(BookingRecord& record, int32_t key) override {
    calls.push_back(formatText("FCD %s %d", record.BewTID.c_str(), key));
    if (losesNow()) return {lossNative, true};
    FixedText<31> code;
    const int32_t r = answer(fcd, key, code);
    if (r == 0) {
      FixedText<4> art(code.view());
      record.BewArt = art.view();
    }
    return {r};
  }
  StoreResult lookupTtaAps(std::string_view terminal, int32_t& key) override {
    calls.push_back(formatText("APS %.*s", static_cast<int>(terminal.size()), terminal.data()));
    if (losesNow()) return {lossNative, true};
    if (apsResult == 0) key = apsKey;
    return {apsResult};
  }
  StoreResult lookupZlsKst(std::string_view terminal, int32_t reader, FixedText<31>& out) override {
    calls.push_back(formatText("ZLS %.*s %d", static_cast<int>(terminal.size()), terminal.data(), reader));
    if (losesNow()) return {lossNative, true};
    return {answer(zls, reader, out)};
  }

  // Number of calls whose text starts with `prefix`.
  int count(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : calls) n += c.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
  }

 private:
  // Whether the call just recorded is the one that loses the connection.
  bool losesNow() {
    if (loseAtCall == 0 || calls.size() != loseAtCall) return false;
    loss_ = lossToGive;
    return true;
  }

  std::optional<ConnectionLoss> loss_;

  // The next queued code, 0 when none is left.
  static int32_t next(std::deque<int32_t>& queued) {
    if (queued.empty()) return 0;
    const int32_t code = queued.front();
    queued.pop_front();
    return code;
  }

  static int32_t answer(const std::map<int32_t, TextAnswer>& table, int32_t key, FixedText<31>& out) {
    auto it = table.find(key);
    if (it == table.end()) return 100;
    if (it->second.result == 0) out = it->second.text;
    return it->second.result;
  }
};

#endif  // HV_TESTS_SUPPORT_FAKE_STORE_H
