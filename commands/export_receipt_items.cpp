// Opening a receipt and sending its lines.

#include "commands/export_guard.h"
#include "commands/export_text.h"
#include "commands/receipt_items.h"
#include "sigra/sigradrv.hpp"

using namespace sigra;

extern "C" {

SIGRA_API int32_t SIGRA_CALL ReceiptConditions(void) {
  return Guarded([] { return sigra::ReceiptConditions(); });
}

SIGRA_API int32_t SIGRA_CALL ReceiptBegin(void) {
  return Guarded([] { return sigra::ReceiptBegin(); });
}

SIGRA_API int32_t SIGRA_CALL CharsInArticleName(const std::string& Nazwa) {
  return Guarded([&] { return sigra::CharsInArticleName(Nazwa); });
}

SIGRA_API int32_t SIGRA_CALL pCharsInArticleName(const char* Nazwa) {
  return Guarded([&] {
    if (Nazwa == nullptr) return kResultNullBuffer;
    return sigra::CharsInArticleName(Nazwa);
  });
}

SIGRA_API int32_t SIGRA_CALL ReceiptItem(int32_t Sale, const std::string& Nazwa, uint32_t Stawka,
                                         int32_t Komunikat, int32_t Ilosc, int32_t MP,
                                         const std::string& Jedn, int32_t Cena, int32_t* Wartosc) {
  return Guarded([&] {
    if (Wartosc == nullptr) return kResultNullBuffer;
    return sigra::ReceiptItem(Sale, Nazwa, Stawka, Komunikat, Ilosc, MP, Jedn, Cena, *Wartosc);
  });
}

SIGRA_API int32_t SIGRA_CALL pReceiptItem(int32_t Sale, const char* Nazwa, uint32_t Stawka,
                                          int32_t Komunikat, int32_t Ilosc, int32_t MP,
                                          const char* Jedn, int32_t Cena, int32_t* Wartosc) {
  return Guarded([&] {
    if (Wartosc == nullptr) return kResultNullBuffer;
    return sigra::ReceiptItem(Sale, TextOf(Nazwa), Stawka, Komunikat, Ilosc, MP, TextOf(Jedn), Cena,
                              *Wartosc);
  });
}

SIGRA_API int32_t SIGRA_CALL PackageItem(int32_t Param, int32_t Number, int32_t Quantity,
                                         int32_t Amount) {
  return Guarded([&] {
    return sigra::PackageItem(Param, static_cast<uint16_t>(Number), static_cast<uint16_t>(Quantity),
                              Amount);
  });
}

SIGRA_API int32_t SIGRA_CALL PrintSubtotal(void) {
  return Guarded([] { return sigra::PrintSubtotal(); });
}

}  // extern "C"
