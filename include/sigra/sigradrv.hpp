// Sigra fiscal printer driver: the C++ interface.
//
// The functions of sigradrv.h, plus the twins without the "p" prefix, which take
// and return std::string holding Windows-1250 bytes. They have C linkage and
// undecorated names like the rest; use them only from C++ built with the same
// standard library as the driver.
#ifndef SIGRA_SIGRADRV_HPP
#define SIGRA_SIGRADRV_HPP

#include <string>

#include "sigra/sigradrv.h"

extern "C" {

SIGRA_API int32_t SIGRA_CALL ErrMessage(int32_t Code, std::string& Text);
// The device's name from the list of the model names: "VELMO LUNO", "VELMO
// LUNO F" and "INNE URZĄDZENIE" (in Windows-1250) where pDeviceName gives
// "Nowa drukarka fiskalna", "Nowa drukarka fiskalna (apteczna)" and
// "INNE URZADZENIE".
SIGRA_API int32_t SIGRA_CALL DeviceName(std::string& Text);

SIGRA_API int32_t SIGRA_CALL CharsInArticleName(const std::string& Nazwa);
SIGRA_API int32_t SIGRA_CALL ReceiptItem(int32_t Sale, const std::string& Nazwa, uint32_t Stawka,
                                         int32_t Komunikat, int32_t Ilosc, int32_t MP,
                                         const std::string& Jedn, int32_t Cena, int32_t* Wartosc);
SIGRA_API int32_t SIGRA_CALL FillPayment(int32_t Number, const std::string& Name,
                                         int32_t FirstAmount, int32_t SecondAmount);
SIGRA_API int32_t SIGRA_CALL FillLines(int32_t LineType, const std::string& Text,
                                       int32_t* FreeLines);
SIGRA_API int32_t SIGRA_CALL ReadTotal(std::string& Total);
SIGRA_API int32_t SIGRA_CALL ReadSelTotal(const std::string& Selection, std::string& Total);

// Date "2003.05.17" and time "14:05", with seconds ("14:05:09") on the models
// whose clock reports them.
SIGRA_API int32_t SIGRA_CALL ReadClock(std::string& Date, std::string& Time);
// The two-digit register number and the two-character operator code.
SIGRA_API int32_t SIGRA_CALL PrinterNumber(int32_t* Number, std::string& OperatorCode);
// The unique number as "ABC 12345678".
SIGRA_API int32_t SIGRA_CALL ReadUniqueNumber(std::string& UniqueNumber);

SIGRA_API int32_t SIGRA_CALL DllVersion(std::string& Text);
SIGRA_API int32_t SIGRA_CALL DllAuthor(std::string& Text);

}  // extern "C"

#endif
