// Result codes the fiscal commands give by name.
#ifndef SIGRA_COMMANDS_RESULTS_H
#define SIGRA_COMMANDS_RESULTS_H

#include <cstdint>

namespace sigra {

inline constexpr int32_t kResultTransmitTimeout = 20;
inline constexpr int32_t kResultReceiveTimeout = 21;
inline constexpr int32_t kResultBadAnswer = 23;
inline constexpr int32_t kResultNak = 24;
inline constexpr int32_t kResultNoMakerData = 100;
inline constexpr int32_t kResultServiceJumper = 101;
inline constexpr int32_t kResultControllerLost = 102;
inline constexpr int32_t kResultPrinterFailure = 103;
inline constexpr int32_t kResultNoUserData = 104;
inline constexpr int32_t kResultReadOnlyFiscalModule = 105;
inline constexpr int32_t kResultNoCustomerDisplay = 106;
inline constexpr int32_t kResultClockMemoryErased = 107;
inline constexpr int32_t kResultDailyReportDue = 108;
inline constexpr int32_t kResultNoPaper = 109;
inline constexpr int32_t kResultNoTaxRates = 113;
inline constexpr int32_t kResultNoPortParameters = 114;
inline constexpr int32_t kResultReceiptOpen = 200;
inline constexpr int32_t kResultReceiptNotOpen = 201;
inline constexpr int32_t kResultTooFewSignificant = 202;
inline constexpr int32_t kResultDecimalsOutOfRange = 206;
inline constexpr int32_t kResultReceiptCancelled = 210;
inline constexpr int32_t kResultZeroReceiptCounter = 211;
inline constexpr int32_t kResultDrawerOutOfRange = 212;
inline constexpr int32_t kResultCommandUnavailable = 213;
inline constexpr int32_t kResultPackageParamOutOfRange = 214;
inline constexpr int32_t kResultSpecialDateRefused = 214;
inline constexpr int32_t kResultParameterOutOfRange = 215;
inline constexpr int32_t kResultAllLinesTaken = 216;
inline constexpr int32_t kResultRatesNotWritten = 217;
inline constexpr int32_t kResultReceiptCounterNotZero = 218;
inline constexpr int32_t kResultReportDatesInvalid = 219;
inline constexpr int32_t kResultNoReportsInPeriod = 220;
inline constexpr int32_t kResultReportNumbersInvalid = 221;
inline constexpr int32_t kResultMonthNotEnded = 222;
inline constexpr int32_t kResultSelectionOutOfRange = 223;
inline constexpr int32_t kResultReportParameterOutOfRange = 223;
inline constexpr int32_t kResultBlockParameterOutOfRange = 223;
inline constexpr int32_t kResultNotOnThisDevice = 224;
inline constexpr int32_t kResultRateUndefined = 226;
inline constexpr int32_t kResultItemValueTooLarge = 227;
inline constexpr int32_t kResultTrainingMode = 228;
inline constexpr int32_t kResultUserDataNotWritten = 229;
inline constexpr int32_t kResultClockMemoryNotErased = 230;
inline constexpr int32_t kResultChecksumError = 232;
inline constexpr int32_t kResultOutOfOrder = 233;
inline constexpr int32_t kResultDataRepeated = 234;
inline constexpr int32_t kResultPreviousDataNotReported = 235;
inline constexpr int32_t kResultEuroChangeoverDue = 237;
inline constexpr int32_t kResultNoDisplayData = 238;

}  // namespace sigra

#endif
