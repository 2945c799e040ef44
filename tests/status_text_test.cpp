// The status bytes in words: the one table the operator program's status
// window, sigractl and sigrad show.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "protocol/status_text.h"

namespace sigra {
namespace {

// Bytes 1 to 8 as the printer gave them.
StatusBytes Reading(int count, std::initializer_list<uint8_t> bytes, bool hasByte8,
                    bool clockBattery) {
  StatusBytes status;
  status.count = count;
  size_t n = 0;
  for (uint8_t b : bytes) status.bytes[n++] = b;
  status.hasByte8 = hasByte8;
  status.clockBattery = clockBattery;
  return status;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(StatusLinesTest, FirstByteGivesDataModeAndVersion) {
  const std::vector<std::string> lines = StatusLines(Reading(4, {0x3B, 0, 0, 0x08}, false, true));
  EXPECT_EQ(lines,
            (std::vector<std::string>{"Wpisane dane o użytkowniku", "Moduł w trybie fiskalnym",
                                      "Wersja oprogramowania w module : 03",
                                      "Szuflada zamknięta lub niepodłączona"}));
  const std::vector<std::string> bare = StatusLines(Reading(4, {0xF4, 0, 0, 0}, false, true));
  EXPECT_EQ(bare, (std::vector<std::string>{
                      "!!!BRAK DANYCH O PRODUCENCIE!!!", "Brak danych o użytkowniku",
                      "Moduł w trybie tylko odczyt", "Moduł w trybie szkoleniowym",
                      "Wersja oprogramowania w module : 15", "Szuflada otwarta"}));
}

TEST(StatusLinesTest, EveryLineInTheOrderOfTheBytes) {
  const std::vector<std::string> lines =
      StatusLines(Reading(7, {0x01, 0x7F, 0x7D, 0x48, 0x7D, 'A', 0x03, 0x03}, true, true));
  const std::vector<std::string> expected = {
      "Brak danych o użytkowniku",
      "Moduł w trybie szkoleniowym",
      "Wersja oprogramowania w module : 00",
      "Brak wolnego miejsca w bazie kontrolnej nazw i stawek",
      "W pamięci znajduje się dokument do wydrukowania",
      "W pamięci fiskalnej zostało mniej niż 30 rekordów do zapisania",
      "Nie został wykonany raport dobowy za poprzedni dzień sprzedaży",
      "Skasowana pamięć CMOS.",
      "Nastąpiło zablokowanie nazwy towaru w paragonie",
      "Brak wyświetlacza klienta",
      "Trwa drukowanie dokumentu (w buforze drukarki są znaki do wydrukowania)",
      "Awaria drukarki",
      "Za niskie napięcie baterii na pakiecie głównym (lub podtrzymującej zegar), dalsza praca "
      "możliwa ale powiadom serwis",
      "Nastąpiło unieważnienie paragonu",
      "W pamięci paragonu zostało mniej niż 1 kB miejsca",
      "Wydruk dokumentu zatrzymany z powodu braku papieru",
      "Zwora serwisowa w pozycji serwisowej",
      "Szuflada zamknięta lub niepodłączona",
      "BRAK ZASILANIA SIECIOWEGO (TYLKO AKUMULATOR)",
      "BRAK PAPIERU W DRUKARCE ORYGINAŁU",
      "BRAK PAPIERU W DRUKARCE KOPII",
      "PODNIESIONA GŁOWICA W DRUKARCE ORYGINAŁU",
      "PODNIESIONA GŁOWICA W DRUKARCE KOPII",
      "!!!BRAK NAPIĘCIA PROGRAMOWANIA DLA PAMIĘCI FISKALNEJ!!!",
      "Przyczyna ostatniego unieważnienia paragonu: A",
      "NIE ZOSTAŁ WYKRYTY AKUMULATOR GŁÓWNY",
      "NISKIE NAPIĘCIE AKUMULATORA GŁÓWNEGO",
      "W buforze wycen leków znajdują się dane",
      "Bufor wycen leków zapełniony"};
  EXPECT_EQ(lines, expected);
}

TEST(StatusLinesTest, WithoutTheControllerOnlyItsOwnLinesGo) {
  const std::vector<std::string> lines =
      StatusLines(Reading(7, {0x03, 0x80, 0xFF, 0xFF, 0xFF, 'B', 0x03, 0x01}, true, false));
  EXPECT_TRUE(Has(lines, "Brak komunikacji z kontrolerem drukarki"));
  for (const char* gone :
       {"Awaria drukarki",
        "Trwa drukowanie dokumentu (w buforze drukarki są znaki do wydrukowania)",
        "Zwora serwisowa w pozycji serwisowej", "Szuflada zamknięta lub niepodłączona",
        "Szuflada otwarta", "BRAK PAPIERU W DRUKARCE ORYGINAŁU",
        "PODNIESIONA GŁOWICA W DRUKARCE KOPII", "Nastąpiło unieważnienie paragonu"}) {
    EXPECT_FALSE(Has(lines, gone)) << gone;
  }
  for (const char* kept :
       {"BRAK ZASILANIA SIECIOWEGO (TYLKO AKUMULATOR)",
        "!!!BRAK NAPIĘCIA PROGRAMOWANIA DLA PAMIĘCI FISKALNEJ!!!",
        "NIE ZOSTAŁ WYKRYTY AKUMULATOR GŁÓWNY", "NISKIE NAPIĘCIE AKUMULATORA GŁÓWNEGO",
        "W buforze wycen leków znajdują się dane",
        "Przyczyna ostatniego unieważnienia paragonu: B"}) {
    EXPECT_TRUE(Has(lines, kept)) << kept;
  }
}

TEST(StatusLinesTest, BytesTheDeviceDoesNotHaveSayNothing) {
  // Paper out shows on four-byte devices only; bytes 5 to 8 need reading.
  const std::vector<std::string> four =
      StatusLines(Reading(4, {0x03, 0, 0x0A, 0x08, 0xFF, 'C', 3, 3}, false, false));
  EXPECT_TRUE(Has(four, "Brak papieru (zapalona jest LED PAPER OUT)"));
  EXPECT_TRUE(Has(four,
                  "Za niskie napięcie baterii na pakiecie głównym, dalsza praca możliwa ale "
                  "powiadom serwis"));
  EXPECT_EQ(four.size(), 6u);
  const std::vector<std::string> six =
      StatusLines(Reading(6, {0x03, 0, 0x02, 0x08, 0, 'C', 3, 3}, false, false));
  EXPECT_FALSE(Has(six, "Brak papieru (zapalona jest LED PAPER OUT)"));
  EXPECT_FALSE(Has(six, "NIE ZOSTAŁ WYKRYTY AKUMULATOR GŁÓWNY"));
  EXPECT_TRUE(Has(six, "Przyczyna ostatniego unieważnienia paragonu: C"));
}

TEST(StatusLinesTest, CancellationReasonOnlyFrom33To144) {
  const auto reason = [](uint8_t value) {
    const std::vector<std::string> lines = StatusLines(Reading(6, {0x03, 0, 0, 8, 0, value}, false, false));
    return lines.back().rfind("Przyczyna", 0) == 0 ? lines.back() : std::string();
  };
  EXPECT_EQ(reason(32), "");
  EXPECT_EQ(reason(145), "");
  EXPECT_EQ(reason(33), "Przyczyna ostatniego unieważnienia paragonu: !");
  // A character of the program's code page.
  EXPECT_EQ(reason(0x8C), "Przyczyna ostatniego unieważnienia paragonu: Ś");
}

StatusBytes Bytes(std::vector<uint8_t> bytes, int count, bool hasByte8 = false) {
  StatusBytes status;
  for (size_t i = 0; i < bytes.size(); ++i) status.bytes[i] = bytes[i];
  status.count = count;
  status.hasByte8 = hasByte8;
  return status;
}

TEST(StatusLinesTest, ALostControllerHidesTheMechanismsLines) {
  // Paper out, printing, drawer open, but the controller does not answer.
  const std::vector<std::string> lines = StatusLines(Bytes({0x00, 0x80, 0x03, 0x00}, 4));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "!!!BRAK DANYCH O PRODUCENCIE!!!", "Brak danych o użytkowniku",
                       "Moduł w trybie szkoleniowym", "Wersja oprogramowania w module : 00",
                       "Brak komunikacji z kontrolerem drukarki"}));
}

TEST(StatusLinesTest, TheBatteryLineNamesTheClockOnTheSigraModels) {
  StatusBytes status = Bytes({0x03, 0x00, 0x08, 0x08}, 4);
  EXPECT_EQ(StatusLines(status)[3],
            "Za niskie napięcie baterii na pakiecie głównym, dalsza praca możliwa ale powiadom "
            "serwis");
  status.clockBattery = true;
  EXPECT_EQ(StatusLines(status)[3],
            "Za niskie napięcie baterii na pakiecie głównym (lub podtrzymującej zegar), dalsza "
            "praca możliwa ale powiadom serwis");
}

TEST(StatusLinesTest, TheLaterBytesOnlyWhereThePrinterHasThem) {
  const StatusBytes all = Bytes({0xF3, 0x01, 0x02, 0x48, 0x4D, 0x20, 0x03, 0x03}, 7, true);
  EXPECT_EQ(StatusLines(all),
            (std::vector<std::string>{
                "Wpisane dane o użytkowniku", "Moduł w trybie szkoleniowym",
                "Wersja oprogramowania w module : 15",
                "Brak wolnego miejsca w bazie kontrolnej nazw i stawek",
                "Zwora serwisowa w pozycji serwisowej", "Szuflada zamknięta lub niepodłączona",
                "BRAK ZASILANIA SIECIOWEGO (TYLKO AKUMULATOR)", "BRAK PAPIERU W DRUKARCE ORYGINAŁU",
                "BRAK PAPIERU W DRUKARCE KOPII",
                "!!!BRAK NAPIĘCIA PROGRAMOWANIA DLA PAMIĘCI FISKALNEJ!!!",
                "NIE ZOSTAŁ WYKRYTY AKUMULATOR GŁÓWNY", "NISKIE NAPIĘCIE AKUMULATORA GŁÓWNEGO",
                "W buforze wycen leków znajdują się dane", "Bufor wycen leków zapełniony"}));
  // The same bytes from a four-byte printer: only bytes 1 to 4 count, and
  // the paper line of byte 3 shows.
  const std::vector<std::string> four = StatusLines(Bytes({0xF3, 0x01, 0x02, 0x48, 0x4D}, 4));
  EXPECT_EQ(four.size(), 7U);
  EXPECT_EQ(four[4], "Brak papieru (zapalona jest LED PAPER OUT)");
}

TEST(StatusLinesTest, PresentBytesAreThoseThePrinterHas) {
  EXPECT_EQ(PresentBytes(Bytes({1, 2, 3, 4, 5, 6, 7, 8}, 4)), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(PresentBytes(Bytes({1, 2, 3, 4, 5, 6, 7, 8}, 6, true)),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 8}));
  EXPECT_EQ(PresentBytes(Bytes({1, 2, 3, 4, 5, 6, 7, 8}, 7, true)),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace sigra
