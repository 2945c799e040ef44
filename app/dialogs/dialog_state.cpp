#include "app/dialogs/dialog_state.h"

namespace sigra::app {

bool CollectRatesOnly = false;
std::array<int32_t, 7> RatesForFiscalisation{};
std::array<uint16_t, 7> RatesLastRead{};

uint8_t ReportKind = 0;
bool CollectReportRange = false;
std::array<uint8_t, 12> ReportRangeForSwitch{};

bool ClockJustInitialised = false;
bool ClockInitAttempted = false;

uint8_t UserDataDeviceType = 9;
bool EuroDateMode = false;

}  // namespace sigra::app
