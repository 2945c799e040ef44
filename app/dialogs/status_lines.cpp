#include "app/dialogs/status_lines.h"

#include <cstdio>

#include "link/text_1250.h"
#include "protocol/device_family.h"

namespace sigra::app {
namespace {

struct BitLine {
  uint8_t bit;
  const char* text;
};

}  // namespace

std::vector<std::string> StatusLines(const StatusReading& status, uint8_t deviceType) {
  std::vector<std::string> lines;
  const auto& b = status.byte;
  const auto set = [&](int n, uint8_t bit) { return (b[static_cast<size_t>(n)] & bit) != 0; };
  const auto add = [&](const char* text) { lines.emplace_back(text); };
  const auto addBits = [&](int n, std::initializer_list<BitLine> bits) {
    for (const BitLine& line : bits) {
      if (set(n, line.bit)) add(line.text);
    }
  };

  if (!set(1, 0x01)) add("!!!BRAK DANYCH O PRODUCENCIE!!!");
  add(set(1, 0x02) ? "Wpisane dane o użytkowniku" : "Brak danych o użytkowniku");
  if (set(1, 0x04)) add("Moduł w trybie tylko odczyt");
  add(set(1, 0x08) ? "Moduł w trybie fiskalnym" : "Moduł w trybie szkoleniowym");
  char version[8];
  std::snprintf(version, sizeof version, "%02d", b[1] >> 4);
  lines.push_back(std::string("Wersja oprogramowania w module : ") + version);

  addBits(2, {{0x01, "Brak wolnego miejsca w bazie kontrolnej nazw i stawek"},
              {0x02, "W pamięci znajduje się dokument do wydrukowania"},
              {0x04, "W pamięci fiskalnej zostało mniej niż 30 rekordów do zapisania"},
              {0x08, "Nie został wykonany raport dobowy za poprzedni dzień sprzedaży"},
              {0x10, "Skasowana pamięć CMOS."},
              {0x20, "Nastąpiło zablokowanie nazwy towaru w paragonie"},
              {0x40, "Brak wyświetlacza klienta"},
              {0x80, "Brak komunikacji z kontrolerem drukarki"}});
  // Without the controller the bytes it reports mean nothing.
  const bool controller = !set(2, 0x80);

  if (controller) {
    if (set(3, 0x01)) {
      add("Trwa drukowanie dokumentu (w buforze drukarki są znaki do wydrukowania)");
    }
    if (set(3, 0x02) && status.count <= 4) add("Brak papieru (zapalona jest LED PAPER OUT)");
    if (set(3, 0x04)) add("Awaria drukarki");
    if (set(3, 0x08)) {
      add(deviceType == kSigraSecondGeneration || deviceType == kSigraF
              ? "Za niskie napięcie baterii na pakiecie głównym (lub podtrzymującej zegar), "
                "dalsza praca możliwa ale powiadom serwis"
              : "Za niskie napięcie baterii na pakiecie głównym, dalsza praca możliwa ale "
                "powiadom serwis");
    }
    addBits(3, {{0x10, "Nastąpiło unieważnienie paragonu"},
                {0x20, "W pamięci paragonu zostało mniej niż 1 kB miejsca"},
                {0x40, "Wydruk dokumentu zatrzymany z powodu braku papieru"}});
    if (set(4, 0x40)) add("Zwora serwisowa w pozycji serwisowej");
    add(set(4, 0x08) ? "Szuflada zamknięta lub niepodłączona" : "Szuflada otwarta");
  }

  if (status.count > 4) {
    if (set(5, 0x01)) add("BRAK ZASILANIA SIECIOWEGO (TYLKO AKUMULATOR)");
    if (controller) {
      addBits(5, {{0x04, "BRAK PAPIERU W DRUKARCE ORYGINAŁU"},
                  {0x08, "BRAK PAPIERU W DRUKARCE KOPII"},
                  {0x10, "PODNIESIONA GŁOWICA W DRUKARCE ORYGINAŁU"},
                  {0x20, "PODNIESIONA GŁOWICA W DRUKARCE KOPII"}});
    }
    if (set(5, 0x40)) add("!!!BRAK NAPIĘCIA PROGRAMOWANIA DLA PAMIĘCI FISKALNEJ!!!");
  }
  if (status.count > 5 && b[6] >= 33 && b[6] <= 144) {
    // The reason is a character of the program's code page.
    lines.push_back("Przyczyna ostatniego unieważnienia paragonu: " +
                    Utf8FromCp1250(std::string(1, static_cast<char>(b[6]))));
  }
  if (status.count > 6) {
    addBits(7, {{0x01, "NIE ZOSTAŁ WYKRYTY AKUMULATOR GŁÓWNY"},
                {0x02, "NISKIE NAPIĘCIE AKUMULATORA GŁÓWNEGO"}});
  }
  if (status.hasByte8) {
    addBits(8, {{0x01, "W buforze wycen leków znajdują się dane"},
                {0x02, "Bufor wycen leków zapełniony"}});
  }
  return lines;
}

}  // namespace sigra::app
