#include "driver/banner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> splitAfterLineEnds(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      lines.push_back(text.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TEST(BannerTest, PrintsTheBannerBytes) {
  std::string out;
  Console console(&out);
  printBanner(console);
  EXPECT_EQ(out, bannerText());
  const std::string stars(54, '*');
  const std::string expectedStart = "\n" + stars + "\n";
  EXPECT_EQ(out.substr(0, expectedStart.size()), expectedStart);
  const std::string fixedLines =
      "** Projekt     : HORAVELLE                          **\n"
      "** Tool        : Stempelzug                         **\n"
      "** Beschreibung:  Kopieren der 'Bewegungsdaten.dta' **\n"
      "**                 in die Datenbank                 **\n"
      "**                                                  **\n" +
      stars + "\n\n";
  ASSERT_GE(out.size(), fixedLines.size());
  EXPECT_EQ(out.substr(out.size() - fixedLines.size()), fixedLines);
}

TEST(BannerTest, EveryFramedLineIs54Wide) {
  const std::vector<std::string> lines = splitAfterLineEnds(bannerText());
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines.front(), "\n");
  EXPECT_EQ(lines.back(), "\n");
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    SCOPED_TRACE("banner line " + std::to_string(i + 1) + ": " + lines[i]);
    ASSERT_EQ(lines[i].size(), 55u);  // 54 characters and the line end
    EXPECT_EQ(lines[i].substr(0, 2), "**");
    EXPECT_EQ(lines[i].substr(52), "**\n");
  }
  EXPECT_NE(lines[2].find("Horavelle"), std::string::npos) << "maker's notice line";
}

TEST(BannerTest, PrintsTheUsageBytes) {
  std::string out;
  Console console(&out);
  printUsage(console);
  EXPECT_EQ(out, usageText());
  const std::string expected =
      "Befehlsformat: \n"
      "Stempelzug.exe  <Quelle> <Typ> <Terminal> [Debugmode] \n"
      "  Typ  : Art der Quelldatei\n"
      "        'dta' : Typ .dta \n"
      "        '40p' : Typ vkdat40p \n"
      "        '50p' :     vkdat50p \n"
      "        '62p' :     vkdat62p \n"
      "  Terminal  : Name des Quellterminals \n"
      "   Debugmode : /D : Ausgabe von Statusmeldungen im DOS-Fenster \n"
      "\n"
      "Beispiel:\n"
      "Stempelzug  Bewegungsdaten.dta dta BDE6251 /D  \n";
  EXPECT_EQ(out, expected);
}

}  // namespace
