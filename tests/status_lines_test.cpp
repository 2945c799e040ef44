// The status window's lines and the display test's pictures, without any
// window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/dialogs/status_lines.h"
#include "app/dialogs/test_pictures.h"

namespace sigra::app {
namespace {

StatusReading Reading(int32_t count, std::initializer_list<uint8_t> bytes, bool hasByte8 = false) {
  StatusReading status;
  status.count = count;
  size_t n = 1;
  for (uint8_t b : bytes) status.byte[n++] = b;
  status.hasByte8 = hasByte8;
  return status;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(StatusLinesTest, FirstByteGivesDataModeAndVersion) {
  const std::vector<std::string> lines = StatusLines(Reading(4, {0x3B, 0, 0, 0x08}), 3);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"Wpisane dane o użytkowniku", "Moduł w trybie fiskalnym",
                                      "Wersja oprogramowania w module : 03",
                                      "Szuflada zamknięta lub niepodłączona"}));
  const std::vector<std::string> bare = StatusLines(Reading(4, {0xF4, 0, 0, 0}), 3);
  EXPECT_EQ(bare, (std::vector<std::string>{
                      "!!!BRAK DANYCH O PRODUCENCIE!!!", "Brak danych o użytkowniku",
                      "Moduł w trybie tylko odczyt", "Moduł w trybie szkoleniowym",
                      "Wersja oprogramowania w module : 15", "Szuflada otwarta"}));
}

TEST(StatusLinesTest, EveryLineInTheOrderOfTheBytes) {
  const std::vector<std::string> lines =
      StatusLines(Reading(7, {0x01, 0x7F, 0x7D, 0x48, 0x7D, 'A', 0x03, 0x03}, true), 6);
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
      StatusLines(Reading(7, {0x03, 0x80, 0xFF, 0xFF, 0xFF, 'B', 0x03, 0x01}, true), 7);
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
      StatusLines(Reading(4, {0x03, 0, 0x0A, 0x08, 0xFF, 'C', 3, 3}), 7);
  EXPECT_TRUE(Has(four, "Brak papieru (zapalona jest LED PAPER OUT)"));
  EXPECT_TRUE(Has(four,
                  "Za niskie napięcie baterii na pakiecie głównym, dalsza praca możliwa ale "
                  "powiadom serwis"));
  EXPECT_EQ(four.size(), 6u);
  const std::vector<std::string> six =
      StatusLines(Reading(6, {0x03, 0, 0x02, 0x08, 0, 'C', 3, 3}), 7);
  EXPECT_FALSE(Has(six, "Brak papieru (zapalona jest LED PAPER OUT)"));
  EXPECT_FALSE(Has(six, "NIE ZOSTAŁ WYKRYTY AKUMULATOR GŁÓWNY"));
  EXPECT_TRUE(Has(six, "Przyczyna ostatniego unieważnienia paragonu: C"));
}

TEST(StatusLinesTest, CancellationReasonOnlyFrom33To144) {
  const auto reason = [](uint8_t value) {
    const std::vector<std::string> lines = StatusLines(Reading(6, {0x03, 0, 0, 8, 0, value}), 7);
    return lines.back().rfind("Przyczyna", 0) == 0 ? lines.back() : std::string();
  };
  EXPECT_EQ(reason(32), "");
  EXPECT_EQ(reason(145), "");
  EXPECT_EQ(reason(33), "Przyczyna ostatniego unieważnienia paragonu: !");
  // A character of the program's code page.
  EXPECT_EQ(reason(0x8C), "Przyczyna ostatniego unieważnienia paragonu: Ś");
}

int Lit(const Picture& picture) {
  int lit = 0;
  for (const auto& row : picture) lit += static_cast<int>(row.count());
  return lit;
}

TEST(TestPicturesTest, PatternsAndTheirInverses) {
  const Picture board = Checkerboard();
  EXPECT_TRUE(board[0][0]);
  EXPECT_TRUE(board[7][7]);
  EXPECT_FALSE(board[0][8]);
  EXPECT_FALSE(board[8][0]);
  EXPECT_TRUE(board[8][8]);
  EXPECT_EQ(Lit(board), 192 * 64 / 2);

  const Picture fine = FinePattern();
  for (size_t y = 0; y < 8; ++y) EXPECT_EQ(fine[y], fine[y + 8]) << y;
  EXPECT_TRUE(fine[0][0]);
  EXPECT_FALSE(fine[0][1]);
  EXPECT_FALSE(fine[1][0]);
  EXPECT_EQ(fine[4].count(), 192u - 24u);
  EXPECT_FALSE(fine[4][0]);
  EXPECT_FALSE(fine[5][1]);

  const Picture sigra = SigraPicture();
  EXPECT_TRUE(sigra[0][0]);
  EXPECT_TRUE(sigra[63][191]);
  EXPECT_GT(Lit(sigra), 1000);
  const Picture inverse = Inverse(sigra);
  EXPECT_EQ(Lit(inverse), 192 * 64 - Lit(sigra));
  EXPECT_FALSE(inverse[0][0]);
}

}  // namespace
}  // namespace sigra::app
