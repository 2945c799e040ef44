#include "protocol/result_codes.h"

#include <array>
#include <map>
#include <string_view>

#include "link/text_1250.h"

namespace sigra {
namespace {

// The two timeout texts are shown in a message box; '\r' breaks their lines.
constexpr std::string_view kTransmitTimeout =
    "TIMEOUT NADAWANIA: Komputer nie potrafi wysłać informacji do drukarki fiskalnej \r"
    "\r"
    "Możliwe przyczyny błędu:\r"
    "\r"
    "* drukarka fiskalna nie jest włączona. Należy włączyć drukarkę i poczekać\r"
    "  aż na wyświetlaczu klienta zaświeci się napis 'ON LINE',\r"
    "* drukarka fiskalna znajduje się w trybie 'OFF LINE'\r"
    "  należy nacisnąć równocześnie klawisze UP i DOWN drukarki fiskalnej,\r"
    "* kabel łączący komputer z drukarką fiskalną nie jest podłączony\r"
    "  lub jest podłączony niepoprawnie\r"
    "* drukarka jest podłączona do innego portu szeregowego niż wybrany w programie.\r"
    "\r"
    "Po sprawdzeniu opisanych przyczyn można spróbować, czy błąd został usunięty.";

constexpr std::string_view kReceiveTimeout =
    "TIMEOUT ODBIERANIA: Komputer nie potrafi odebrać informacji z drukarki fiskalnej \r"
    "\r"
    "Możliwe przyczyny błędu:\r"
    "\r"
    "* drukarka fiskalna nie jest włączona. Należy włączyć drukarkę i poczekać\r"
    "  aż na wyświetlaczu klienta zaświeci się napis 'ON LINE',\r"
    "* drukarka fiskalna znajduje się w trybie 'OFF LINE'\r"
    "  należy nacisnąć równocześnie klawisze UP i DOWN drukarki fiskalnej,\r"
    "* kabel łączący komputer z drukarką fiskalną nie jest podłączony\r"
    "  lub jest podłączony niepoprawnie\r"
    "* w programie wybrano inną prędkość transmisji niż ustawiona w drukarce.\r"
    "\r"
    "Po sprawdzeniu opisanych przyczyn można spróbować, czy błąd został usunięty.";

struct Entry {
  int32_t code;
  std::string_view utf8;
};

// Programs that use the driver compare these texts byte for byte: keep each one
// exactly as it is, including the spellings without Polish letters and the
// missing full stops.
constexpr std::array kEntries = {
    Entry{0, ""},
    Entry{5,
          "Niemożliwe otwarcie portu. Port szeregowy jest prawdopodobnie używany przez inną "
          "aplikację."},
    Entry{20, kTransmitTimeout},
    Entry{21, kReceiveTimeout},
    Entry{23, "Niepoprawna odpowiedź z drukarki."},
    Entry{24, "NAK na sekwencję sterującą."},
    Entry{99, "Komunikacja nie zainicjowana."},
    Entry{100, "Brak danych producenta."},
    Entry{101, "Zwora serwisowa w pozycji serwisowej."},
    Entry{102, "Brak komunikacji z kontrolerem drukarki."},
    Entry{103, "Awaria drukarki."},
    Entry{104, "Brak danych uzytkownika."},
    Entry{105, "Moduł fiskalny w trybie TYLKO ODCZYT."},
    Entry{106, "Brak wyświetlacza klienta."},
    Entry{107, "Skasowana pamięć CMOS. Wejdź do inicjowania zegara."},
    Entry{108, "Zaległy raport dobowy do wykonania."},
    Entry{109, "Brak papieru lub podniesiona głowica mechanizmu drukującego."},
    Entry{110, "W pamięci znajduje się dokument do wydrukowania."},
    Entry{111, "W buforze drukowania są znaki do wydrukowania."},
    Entry{112, "Wydruk zatrzymany z powodu braku papieru."},
    Entry{113, "Brak stawek podatkowych w drukarce."},
    Entry{114, "Nieustawione parametry komunikacji (numer portu)."},
    Entry{200, "Paragon rozpoczęty."},
    Entry{201, "Paragon nierozpoczęty."},
    Entry{202, "Za mało znaków znaczących (parametr <Nazwa> w ReceiptItem)."},
    Entry{203, "Parametr <Stawka> w ReceiptItem poza zakresem."},
    Entry{204, "Parametr <Komunikat> w ReceiptItem poza zakresem."},
    Entry{205, "Parametr <Ilosc> w ReceiptItem poza zakresem."},
    Entry{206, "Parametr <MP> w ReceiptItem poza zakresem."},
    Entry{207, "Parametr <Jedn> w ReceiptItem poza zakresem."},
    Entry{208, "Parametr <Cena> w ReceiptItem poza zakresem."},
    Entry{209, "Parametr <Wartosc> w ReceiptItem rozny od <Ilosc>*<Cena>."},
    Entry{210, "Nastapiło unieważnienie paragonu."},
    Entry{211, "Zerowy licznik paragonów (brak sprzedaży po rap.dobowym)."},
    Entry{212, "Parametr <DrawerNumber> w OpenDrawer poza zakresem."},
    Entry{213, "Rozkaz niedostępny."},
    Entry{214, "Parametr <Param> w PackageItem poza zakresem."},
    Entry{215, "Parametr przekazany do funkcji poza zakresem."},
    Entry{216, "Wszystkie linie po paragonie zajęte."},
    Entry{217, "Stawki podatkowe niezapisane."},
    Entry{218, "Niezerowy licznik paragonów. Należy wykonać raport dobowy."},
    Entry{219, "Błędne daty dla raportu okresowego."},
    Entry{220, "Brak raportów w podanym okresie."},
    Entry{221, "Błędne numery dla raportu okresowego."},
    Entry{222, "Niezakończony miesiąc."},
    Entry{223, "Parametr N poza zakresem."},
    Entry{224, "Rozkaz niedostępny w tym urządzeniu lub w tej wersji programu."},
    Entry{225, "Bufor wejściowy ma zerową długość."},
    Entry{226, "Stawka niezdefiniowana."},
    Entry{227, "Przekroczona maksymalna wartość pozycji paragonowej."},
    Entry{228, "Drukarka w trybie szkoleniowym."},
    Entry{229, "Dane użytkownika nie zostały zapisane."},
    Entry{230, "Pamięć CMOS nie jest skasowana."},
    Entry{231, "Zwora serwisowa jest w pozycji normalnej."},
    Entry{232, "Błąd sumy CRC w danych wysyłanych do drukarki"},
    Entry{233, "Błąd kompletności (dane nie zostały przesłane we właściwej kolejności)"},
    Entry{234,
          "Powtórnie przesłano te same dane. Zostały one zapisane ale nie zostaną wydrukowane na "
          "raporcie dobowym."},
    Entry{235,
          "Nie można przesłać/skasować danych. Należy wydrukować poprzednie dane na raporcie "
          "dobowym."},
    Entry{236, "Nie zidentyfikowano jednego z kontrolerów"},
    Entry{237, "Należy wykonać przejście na euro"},
    Entry{238, "Brak danych do wyświetlania w drukarce"},
    Entry{999, "W bibliotece wystapił wewnętrzny wyjątek."},
};

constexpr std::string_view kUnknown = "Nieznany błąd (prawdopodobnie systemowy)";

struct Table {
  std::map<int32_t, std::string> texts;
  std::string unknown;
};

const Table& Texts() {
  static const Table table = [] {
    Table built;
    for (const Entry& entry : kEntries) built.texts.emplace(entry.code, Cp1250FromUtf8(entry.utf8));
    built.unknown = Cp1250FromUtf8(kUnknown);
    return built;
  }();
  return table;
}

}  // namespace

const std::string& ResultText(int32_t code) {
  const Table& table = Texts();
  const auto found = table.texts.find(code);
  return found == table.texts.end() ? table.unknown : found->second;
}

}  // namespace sigra
