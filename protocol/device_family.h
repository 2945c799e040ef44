// The device types the driver identifies (0 to 9) and the families they make
// up. Code that treats families differently asks these, never the numbers.
#ifndef SIGRA_PROTOCOL_DEVICE_FAMILY_H
#define SIGRA_PROTOCOL_DEVICE_FAMILY_H

#include <cstdint>

namespace sigra {

enum DeviceTypeCode : uint8_t {
  kTx350a5Rates = 0,
  kTx350a7Rates = 1,
  kSigraFirstGeneration = 2,
  kSigraSecondGeneration = 3,
  kTx350b5Rates = 4,  // pharmacy
  kTx350b7Rates = 5,  // pharmacy
  kSigraF = 6,        // pharmacy
  kLuno = 7,
  kLunoF = 8,  // pharmacy
  kOtherDevice = 9,
};

// Each type's name as DeviceName gives it, in UTF-8.
inline constexpr const char* kDeviceTypeNames[] = {
    "TX350A 5-stawkowa",       "TX350A 7-stawkowa",       "SIGRA I generacji",
    "SIGRA II generacji",      "TX350B 5-st. (apteczna)", "TX350B 7-st. (apteczna)",
    "SIGRA F (apteczna)",      "VELMO LUNO",              "VELMO LUNO F",
    "INNE URZĄDZENIE",
};

// The older TX350A and TX350B models.
constexpr bool IsTx350(int type) {
  return type == kTx350a5Rates || type == kTx350a7Rates || type == kTx350b5Rates ||
         type == kTx350b7Rates;
}

// The first generation: the TX350 models and the first-generation Sigra, which
// keep no user data of their own and know none of the later commands.
constexpr bool IsFirstGeneration(int type) {
  return IsTx350(type) || type == kSigraFirstGeneration;
}

// Luno and Luno F.
constexpr bool IsLuno(int type) {
  return type == kLuno || type == kLunoF;
}

// The pharmacy models: TX350B, Sigra F, Luno F.
constexpr bool IsPharmacy(int type) {
  return type == kTx350b5Rates || type == kTx350b7Rates || type == kSigraF || type == kLunoF;
}

// The pharmacy models of the newer families: Sigra F and Luno F.
constexpr bool IsSigraFOrLunoF(int type) {
  return type == kSigraF || type == kLunoF;
}

// The Luno models and any other device.
constexpr bool IsLunoOrOther(int type) {
  return IsLuno(type) || type == kOtherDevice;
}

// The second-generation Sigra, the Luno models and any other device: the
// printers with payments, subtotal, package lines and short article names.
constexpr bool IsSigra2LunoOrOther(int type) {
  return type == kSigraSecondGeneration || IsLunoOrOther(type);
}

// Every type but the TX350 models and the first-generation Sigra.
constexpr bool IsSigra2OrLater(int type) {
  return IsSigra2LunoOrOther(type) || type == kSigraF;
}

}  // namespace sigra

#endif
