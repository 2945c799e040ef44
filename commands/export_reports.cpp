// The fiscal and informative reports.
#include "commands/export_guard.h"
#include "commands/periodic_reports.h"
#include "commands/reports.h"
#include "sigra/sigradrv.h"

using namespace sigra;

extern "C" {

SIGRA_API int32_t SIGRA_CALL DailyReport(int32_t AllowZero) {
  return Guarded([&] { return sigra::DailyReport(AllowZero); });
}

SIGRA_API int32_t SIGRA_CALL LockedArticlesReport(void) {
  return Guarded([] { return sigra::LockedArticlesReport(); });
}

SIGRA_API int32_t SIGRA_CALL PrinterStatusReport(void) {
  return Guarded([] { return sigra::PrinterStatusReport(); });
}

SIGRA_API int32_t SIGRA_CALL PeriodReport(int32_t Detailed, int32_t YearFrom, int32_t MonthFrom,
                                          int32_t DayFrom, int32_t YearTo, int32_t MonthTo,
                                          int32_t DayTo) {
  return Guarded([&] {
    return sigra::PeriodReport(Detailed, YearFrom, MonthFrom, DayFrom, YearTo, MonthTo, DayTo);
  });
}

SIGRA_API int32_t SIGRA_CALL MonthlyReport(int32_t Detailed, int32_t Year, int32_t Month) {
  return Guarded([&] { return sigra::MonthlyReport(Detailed, Year, Month); });
}

SIGRA_API int32_t SIGRA_CALL NumberReport(int32_t Detailed, int32_t FromNumber, int32_t ToNumber) {
  return Guarded([&] { return sigra::NumberReport(Detailed, FromNumber, ToNumber); });
}

}  // extern "C"
