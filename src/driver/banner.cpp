#include "driver/banner.h"

namespace {

// Each line is printed as stored; the framed lines are 54 characters wide.
constexpr const char* kBannerLines[] = {
    "\n",
    "******************************************************\n",
    "**   (c) Horavelle Zeiterfassung - Importwerkzeug   **\n",
    "** Projekt     : HORAVELLE                          **\n",
    "** Tool        : Stempelzug                         **\n",
    "** Beschreibung:  Kopieren der 'Bewegungsdaten.dta' **\n",
    "**                 in die Datenbank                 **\n",
    "**                                                  **\n",
    "******************************************************\n",
    "\n",
};

// The blank after the line end of the "Terminal" line indents the next line.
constexpr const char* kUsageLines[] = {
    "Befehlsformat: \n",
    "Stempelzug.exe  <Quelle> <Typ> <Terminal> [Debugmode] ",
    "\n",
    "  Typ  : Art der Quelldatei\n",
    "        'dta' : Typ .dta \n",
    "        '40p' : Typ vkdat40p \n",
    "        '50p' :     vkdat50p \n",
    "        '62p' :     vkdat62p \n",
    "  Terminal  : Name des Quellterminals \n ",
    "  Debugmode : /D : Ausgabe von Statusmeldungen im DOS-Fenster \n",
    "\n",
    "Beispiel:\n",
    "Stempelzug  Bewegungsdaten.dta dta BDE6251 /D  \n",
};

template <std::size_t N>
std::string joined(const char* const (&lines)[N]) {
  std::string text;
  for (const char* line : lines) text += line;
  return text;
}

}  // namespace

void printBanner(Console& console) {
  for (const char* line : kBannerLines) console.write(line);
}

void printUsage(Console& console) {
  for (const char* line : kUsageLines) console.write(line);
}

std::string bannerText() { return joined(kBannerLines); }
std::string usageText() { return joined(kUsageLines); }
