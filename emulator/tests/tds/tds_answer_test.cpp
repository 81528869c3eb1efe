// What the server writes: packets of the negotiated size, CP1252 texts as
// UTF-16, DATETIME halves, and the token layouts whose sizes follow the
// client's TDS version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "answers.h"
#include "cp1252.h"
#include "packets.h"
#include "tds_wire.h"

using namespace hvemu;
using namespace hvemu::tds;

namespace {

TEST(Outbox, PacketsOfTheNegotiatedSizeTheLastOneEndingTheMessage) {
  for (const std::size_t size : {512u, 513u, 4096u, 32767u}) {
    for (const std::size_t length : {std::size_t{1}, size - 9, size - 8, size - 7, std::size_t{70000}}) {
      SCOPED_TRACE(std::to_string(length) + " bytes in packets of " + std::to_string(size));
      std::vector<std::string> sent;
      Outbox out([&](std::string_view p) { sent.emplace_back(p); return true; }, size, 0x33);
      std::string payload;
      for (std::size_t i = 0; i < length; ++i) payload += static_cast<char>(i * 7);
      out.tokens() = payload;
      ASSERT_TRUE(out.finish());
      std::string data;
      for (std::size_t i = 0; i < sent.size(); ++i) {
        const std::string& p = sent[i];
        ASSERT_GE(p.size(), header::kSize);
        const std::size_t declared = (static_cast<unsigned char>(p[2]) << 8) | static_cast<unsigned char>(p[3]);
        EXPECT_EQ(declared, p.size());
        EXPECT_EQ(p[header::kType], 0x04);
        const bool last = i + 1 == sent.size();
        EXPECT_EQ(p[header::kStatus], last ? 1 : 0);
        if (!last) {
          EXPECT_EQ(p.size(), size) << "every packet but the last is full";
        }
        EXPECT_LE(p.size(), size);
        EXPECT_EQ(static_cast<unsigned char>(p[header::kPacketId]), (i + 1) & 0xFF);
        EXPECT_EQ(p[header::kSpid + 1], 0x33);
        data += p.substr(header::kSize);
      }
      EXPECT_EQ(data, payload);
    }
  }
}

TEST(Cp1252, EveryByteGoesToUtf16AndBack) {
  std::string all;
  std::string wide;
  for (int b = 0; b < 256; ++b) {
    all += static_cast<char>(b);
    const char16_t c = unicodeOf(static_cast<unsigned char>(b));
    wide += static_cast<char>(c & 0xFF);
    wide += static_cast<char>(c >> 8);
  }
  EXPECT_EQ(cp1252FromUtf16(wide), all);
  EXPECT_EQ(unicodeOf(0x80), u'\u20AC');
  EXPECT_EQ(unicodeOf(0xE4), u'\u00E4');
  EXPECT_EQ(unicodeOf(0x9F), u'\u0178');
  // Outside CP1252: a question mark; an odd last byte is dropped.
  EXPECT_EQ(cp1252FromUtf16(std::string("\x42\x04" "A\0" "\x01", 5)), "?A");
}

TEST(DateTime, DaysSince1900AndThreeHundredthsOfASecond) {
  const struct {
    const char* text;
    bool ok;
    std::int32_t days;
    std::uint32_t ticks;
  } cases[] = {
      {"1900-01-01 00:00:00.000", true, 0, 0},
      {"1899-12-31 00:00:00.000", true, -1, 0},
      {"1753-01-01 00:00:00.000", true, -53690, 0},
      {"2000-03-01 00:00:00.000", true, 36584, 0},
      {"2025-01-15 07:30:00.000", true, 45670, 8100000},
      {"9999-12-31 23:59:59.997", true, 2958463, 25919999},
      {"2025-01-15 00:00:00.002", true, 45670, 1},  // 0.6 of a tick rounds up
      {"2025-01-15 00:00:00.001", true, 45670, 0},
      {"2025-01-15 23:59:59.999", true, 45671, 0},  // rounds into the next day
      {"2025-01-15 07:30:00", false, 0, 0},
      {"2025-13-15 07:30:00.000", false, 0, 0},
      {"2025-01-15T07:30:00.000", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::int32_t days = 0;
    std::uint32_t ticks = 0;
    ASSERT_EQ(dateTimeParts(c.text, days, ticks), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(days, c.days);
    EXPECT_EQ(ticks, c.ticks);
  }
}

// The token types of an answer, walked with each token's length.
std::vector<int> tokenTypes(const std::string& t, bool wide) {
  std::vector<int> types;
  std::size_t at = 0;
  while (at < t.size()) {
    const auto token = static_cast<unsigned char>(t[at]);
    types.push_back(token);
    if (token == 0xFD || token == 0xFE || token == 0xFF) {
      at += wide ? 13 : 9;
    } else if (token == 0x79) {
      at += 5;
    } else {
      at += 3 + (static_cast<unsigned char>(t[at + 1]) | (static_cast<unsigned char>(t[at + 2]) << 8));
    }
  }
  EXPECT_EQ(at, t.size()) << "the last token ends where the answer ends";
  return types;
}

TEST(Answers, LoginAnswerAsSqlServerSendsItIn71And74) {
  for (const std::uint32_t version : {kTds71, kTds72, kTds74}) {
    SCOPED_TRACE(version);
    std::string t;
    writeLoginAnswer(t, version, "horavelle", 8000);
    EXPECT_EQ(tokenTypes(t, version >= kTds72),
              (std::vector<int>{0xE3, 0xE3, 0xE3, 0xE3, 0xAB, 0xAB, 0xAD, 0xFD}));
    EXPECT_NE(t.find(std::string("\x01\x09", 2)), std::string::npos) << "ENVCHANGE database, 9 characters";
    EXPECT_NE(t.find(kCollationLatin1), std::string::npos);
    const std::size_t ack = t.find('\xAD');
    EXPECT_EQ(t[ack + 3], 1) << "interface T-SQL";
    EXPECT_EQ(static_cast<unsigned char>(t[ack + 4]), version >> 24) << "the agreed version, high byte first";
  }
}

TEST(Answers, ErrorsThenDoneWithTheErrorBitAndAnAttentionAcknowledgement) {
  std::string t;
  writeLoginRefusal(t, kTds74, {serverError(kCannotOpenDb, {"nowhere"}), serverError(kLoginFailed, {"hvimport"})});
  EXPECT_EQ(tokenTypes(t, true), (std::vector<int>{0xAA, 0xAA, 0xFD}));
  EXPECT_EQ(t[t.size() - 12], kDoneError);
  // ERROR: number 4060, state 1, class 11.
  EXPECT_EQ(t.substr(3, 6), std::string("\xDC\x0F\x00\x00\x01\x0B", 6));

  std::string ack;
  writeAttentionAck(ack, kTds71);
  EXPECT_EQ(ack, std::string("\xFD\x20\x00\x00\x00\x00\x00\x00\x00", 9)) << "7.1: a 4-byte count";
  ack.clear();
  writeAttentionAck(ack, kTds74);
  EXPECT_EQ(ack, std::string("\xFD\x20\x00\x00\x00", 5) + std::string(8, '\0')) << "7.2 on: an 8-byte count";
}

TEST(Answers, AgreedVersionAndPacketSize) {
  EXPECT_EQ(agreedVersion(0x70000000), kTds71);
  EXPECT_EQ(agreedVersion(kTds73B), kTds73B);
  EXPECT_EQ(agreedVersion(0x75000000), kTds74);
  EXPECT_EQ(agreedPacketSize(0), kInitialPacketSize);
  EXPECT_EQ(agreedPacketSize(100), kMinPacketSize);
  EXPECT_EQ(agreedPacketSize(513), 513u);
  EXPECT_EQ(agreedPacketSize(65535), kMaxPacketSize);
}

}  // namespace
