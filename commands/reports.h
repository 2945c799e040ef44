// The reports the printer prints on one command: the daily (fiscal
// day-closing) report, the financial tax report, the report of locked article
// names, the report of fixed descriptions and the printer state report. Each
// waits for a pending printout first and for its own printout after.
#ifndef SIGRA_COMMANDS_REPORTS_H
#define SIGRA_COMMANDS_REPORTS_H

#include <cstdint>

namespace sigra {

// Closes the fiscal day. A day without receipts is refused with 211 unless
// `allowZero` is non-zero and the model closes such days itself.
int32_t DailyReport(int32_t allowZero);
int32_t FinancialTaxReport();
int32_t LockedArticlesReport();
// 107 after an erased clock memory, 102 without the printer controller.
int32_t FixedDescriptionsReport();
int32_t PrinterStatusReport();

}  // namespace sigra

#endif
