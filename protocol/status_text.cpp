#include "protocol/status_text.h"

#include <cstdio>

#include "link/text_1250.h"

namespace sigra {

std::vector<uint8_t> PresentBytes(const StatusBytes& status) {
  std::vector<uint8_t> bytes(status.bytes.begin(), status.bytes.begin() + status.count);
  if (status.hasByte8) bytes.push_back(status.bytes[7]);
  return bytes;
}

std::vector<std::pair<std::string, bool>> StatusFlags(const StatusBytes& status) {
  const auto bit = [&](int byte, int n) { return (status.bytes[byte - 1] >> n & 1) != 0; };
  const bool later = status.count > 4;
  return {
      {"fiscal_mode", bit(1, 3)},
      {"read_only", bit(1, 2)},
      {"user_data", bit(1, 1)},
      {"daily_report_due", bit(2, 3)},
      {"clock_erased", bit(2, 4)},
      {"controller_lost", bit(2, 7)},
      {"printing", bit(3, 0)},
      // The later printers tell the original's paper in byte 5.
      {"paper_out", later ? bit(5, 2) : bit(3, 1)},
      {"head_raised", later && bit(5, 4)},
      {"printer_fault", bit(3, 2)},
      {"low_battery", bit(3, 3)},
      {"receipt_cancelled", bit(3, 4)},
      {"stopped_for_paper", bit(3, 6)},
      {"service_jumper", bit(4, 6)},
      {"drawer_open", !bit(4, 3)},
      {"mains_power_lost", later && bit(5, 0)},
  };
}

std::vector<std::string> StatusLines(const StatusBytes& status) {
  const auto bit = [&](int byte, int n) { return (status.bytes[byte - 1] >> n & 1) != 0; };
  std::vector<std::string> lines;
  const auto add = [&](bool when, const char* line) {
    if (when) lines.emplace_back(line);
  };
  // Lines about the printing mechanism are left out while its controller
  // does not answer.
  const bool controller = !bit(2, 7);

  add(!bit(1, 0), "!!!BRAK DANYCH O PRODUCENCIE!!!");
  lines.emplace_back(bit(1, 1) ? "Wpisane dane o użytkowniku" : "Brak danych o użytkowniku");
  add(bit(1, 2), "Moduł w trybie tylko odczyt");
  lines.emplace_back(bit(1, 3) ? "Moduł w trybie fiskalnym" : "Moduł w trybie szkoleniowym");
  char version[48];
  std::snprintf(version, sizeof version, "Wersja oprogramowania w module : %02d",
                status.bytes[0] >> 4);
  lines.emplace_back(version);

  add(bit(2, 0), "Brak wolnego miejsca w bazie kontrolnej nazw i stawek");
  add(bit(2, 1), "W pamięci znajduje się dokument do wydrukowania");
  add(bit(2, 2), "W pamięci fiskalnej zostało mniej niż 30 rekordów do zapisania");
  add(bit(2, 3), "Nie został wykonany raport dobowy za poprzedni dzień sprzedaży");
  add(bit(2, 4), "Skasowana pamięć CMOS.");
  add(bit(2, 5), "Nastąpiło zablokowanie nazwy towaru w paragonie");
  add(bit(2, 6), "Brak wyświetlacza klienta");
  add(!controller, "Brak komunikacji z kontrolerem drukarki");

  if (controller) {
    add(bit(3, 0), "Trwa drukowanie dokumentu (w buforze drukarki są znaki do wydrukowania)");
    add(bit(3, 1) && status.count <= 4, "Brak papieru (zapalona jest LED PAPER OUT)");
    add(bit(3, 2), "Awaria drukarki");
    add(bit(3, 3), status.clockBattery
                       ? "Za niskie napięcie baterii na pakiecie głównym (lub podtrzymującej "
                         "zegar), dalsza praca możliwa ale powiadom serwis"
                       : "Za niskie napięcie baterii na pakiecie głównym, dalsza praca możliwa ale "
                         "powiadom serwis");
    add(bit(3, 4), "Nastąpiło unieważnienie paragonu");
    add(bit(3, 5), "W pamięci paragonu zostało mniej niż 1 kB miejsca");
    add(bit(3, 6), "Wydruk dokumentu zatrzymany z powodu braku papieru");
    add(bit(4, 6), "Zwora serwisowa w pozycji serwisowej");
    lines.emplace_back(bit(4, 3) ? "Szuflada zamknięta lub niepodłączona" : "Szuflada otwarta");
  }

  if (status.count > 4) {
    add(bit(5, 0), "BRAK ZASILANIA SIECIOWEGO (TYLKO AKUMULATOR)");
    if (controller) {
      add(bit(5, 2), "BRAK PAPIERU W DRUKARCE ORYGINAŁU");
      add(bit(5, 3), "BRAK PAPIERU W DRUKARCE KOPII");
      add(bit(5, 4), "PODNIESIONA GŁOWICA W DRUKARCE ORYGINAŁU");
      add(bit(5, 5), "PODNIESIONA GŁOWICA W DRUKARCE KOPII");
    }
    add(bit(5, 6), "!!!BRAK NAPIĘCIA PROGRAMOWANIA DLA PAMIĘCI FISKALNEJ!!!");
  }
  const uint8_t reason = status.bytes[5];
  if (status.count > 5 && reason >= 33 && reason <= 144) {
    // The reason is one character, shown as the Windows-1250 character of its
    // code.
    lines.push_back("Przyczyna ostatniego unieważnienia paragonu: " +
                    Utf8FromCp1250(std::string(1, static_cast<char>(reason))));
  }
  if (status.count > 6) {
    add(bit(7, 0), "NIE ZOSTAŁ WYKRYTY AKUMULATOR GŁÓWNY");
    add(bit(7, 1), "NISKIE NAPIĘCIE AKUMULATORA GŁÓWNEGO");
  }
  if (status.hasByte8) {
    add(bit(8, 0), "W buforze wycen leków znajdują się dane");
    add(bit(8, 1), "Bufor wycen leków zapełniony");
  }
  return lines;
}

}  // namespace sigra
