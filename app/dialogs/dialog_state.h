// The state the dialogs share with the menu commands, one instance each for the
// whole program: what the fiscal-mode switch collects through the tax-rate and
// periodic-report dialogs, the rates last read, the clock initialisation's
// outcome and the device types the user-data and date dialogs follow.
#ifndef SIGRA_APP_DIALOGS_DIALOG_STATE_H
#define SIGRA_APP_DIALOGS_DIALOG_STATE_H

#include <array>
#include <cstdint>

namespace sigra::app {

// Tax rates: while the fiscal-mode switch shows the tax-rate editor it only
// collects the confirmed rates, A to G, in hundredths of a percent.
extern bool CollectRatesOnly;
extern std::array<int32_t, 7> RatesForFiscalisation;
// The rates A to G as last read from the printer by the tax-rate commands.
extern std::array<uint16_t, 7> RatesLastRead;

// Periodic reports: the kind the menu command chose, and whether the dialog
// only collects its range (into the 12 bytes below) for the fiscal-mode switch.
extern uint8_t ReportKind;
extern bool CollectReportRange;
extern std::array<uint8_t, 12> ReportRangeForSwitch;

// Clock initialisation: set when it succeeded in this run, and when it was
// tried at all.
extern bool ClockJustInitialised;
extern bool ClockInitAttempted;

// The device type the user-data dialog and the status window follow.
extern uint8_t UserDataDeviceType;
// True while the date dialog edits the euro changeover date, false for the
// next inspection date.
extern bool EuroDateMode;

}  // namespace sigra::app

#endif
