// The login rules of the configuration file that the connect step and the
// configuration tool share. How the connect step reads a whole file is tested
// with the database (tests/db/connect_test.cpp) and through the tool
// (hvcrypt_test.cpp).
#include "config/login.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using login::isCanteenSchema;
using login::isPlainIdentifier;

TEST(PlainIdentifier, LettersDigitsUnderscore) {
  const struct {
    const char* name;
    bool plain;
  } cases[] = {{"HvKantine", true}, {"dbo", true},          {"Schema_2", true}, {"_x", true},
               {"", false},         {"Hv Kantine", false},  {"Hv.Kan", false},  {"x;DROP", false},
               {"a'b", false},      {"Kant\xE4ne", false},  {"[dbo]", false},   {"a-b", false}};
  for (const auto& c : cases) EXPECT_EQ(isPlainIdentifier(c.name), c.plain) << "schema \"" << c.name << "\"";
}

TEST(CanteenSchema, EmptyOrPlainOfAtMostTwentyCharacters) {
  const struct {
    std::string name;
    bool sent;
  } cases[] = {{"", true},  {"HvKantine", true}, {std::string(20, 'S'), true}, {std::string(21, 'S'), false},
               {"Hv.Kan", false}, {" ", false}, {"x;DROP", false}};
  for (const auto& c : cases) EXPECT_EQ(isCanteenSchema(c.name), c.sent) << "schema \"" << c.name << "\"";
}

}  // namespace
