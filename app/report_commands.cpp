// The report menu: the daily, financial, printer-state, locked-names and
// fixed-descriptions reports, the six periodic report entries that open their
// range dialogs, the price-buffer clearing and the remote power-off.
#include <QAction>
#include <QDate>
#include <QDateEdit>
#include <QSpinBox>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "commands/feed_and_power.h"
#include "commands/periodic_reports.h"
#include "commands/receipt_counter.h"
#include "commands/reports.h"
#include "commands/service_commands.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_okresowe_miesieczne.h"
#include "app/dialogs/f_okresowe_wg_numerow.h"
#include "app/dialogs/f_raporty_okresowe_wg_dat.h"
#include "app/dialogs/report_ranges.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"

namespace sigra::app {
namespace {

const QString kBlad = QStringLiteral("Błąd");

void EndCommand() {
  HideProgressText();
  SetArrowCursor();
}

void Refuse(const QString& text) {
  ErrorBeep();
  HideProgressText();
  ShowError(text);
}

bool Tx350(uint8_t deviceType) {
  return IsTx350(deviceType);
}

bool Pharmacy(uint8_t deviceType) {
  return IsPharmacy(deviceType);
}

bool Yes(const QString& question) {
  ErrorBeep();
  HideProgressText();
  return ShowMessage(question, QStringLiteral("Odpowiedz"), kQuestionStyle) == kIdYes;
}

// D, C and F, the steps before each periodic report dialog.
bool PeriodicReportPossible() {
  uint8_t type = 0;
  return DeviceStep(type) && ClockStep() && FiscalModeStep();
}

// D, C and P with a report that takes no range.
void PrintSimpleReport(int32_t (*report)()) {
  uint8_t type = 0;
  if (DeviceStep(type) && ClockStep()) PrintStep(type, report);
  EndCommand();
}

void PeriodicByMonth(uint8_t kind, const char* caption) {
  if (PeriodicReportPossible()) {
    ReportKind = kind;
    fOkresoweMiesieczne->setWindowTitle(QString::fromUtf8(caption));
    fOkresoweMiesieczne->SetMonth(PreviousMonth(QDate::currentDate()));
    ShowDialogStep(*fOkresoweMiesieczne);
  }
  EndCommand();
}

void PeriodicByDates(uint8_t kind, const char* caption) {
  if (PeriodicReportPossible()) {
    ReportKind = kind;
    fRaportyOkresoweWgDat->setWindowTitle(QString::fromUtf8(caption));
    fRaportyOkresoweWgDat->dtOd->setDate(QDate::currentDate());
    fRaportyOkresoweWgDat->dtDo->setDate(QDate::currentDate());
    ShowDialogStep(*fRaportyOkresoweWgDat);
  }
  EndCommand();
}

void PeriodicByNumbers(uint8_t kind, const char* caption) {
  if (PeriodicReportPossible()) {
    ReportKind = kind;
    fOkresoweWgNumerow->setWindowTitle(QString::fromUtf8(caption));
    fOkresoweWgNumerow->seOd->setValue(1);
    fOkresoweWgNumerow->seDo->setValue(1);
    ShowDialogStep(*fOkresoweWgNumerow);
  }
  EndCommand();
}

}  // namespace

void TGlowneOkno::ConnectReportCommands() {
  const struct {
    const char* item;
    void (TGlowneOkno::*command)();
  } entries[] = {{"Fiskalnydobowy1", &TGlowneOkno::Fiskalnydobowy1Click},
                 {"Finansowypodatkowy1", &TGlowneOkno::Finansowypodatkowy1Click},
                 {"Stanudrukarki1", &TGlowneOkno::Stanudrukarki1Click},
                 {"Miesiczny1", &TGlowneOkno::Miesiczny1Click},
                 {"Miesiczny2", &TGlowneOkno::Miesiczny2Click},
                 {"Wedugdat1", &TGlowneOkno::Wedugdat1Click},
                 {"Wedugdat2", &TGlowneOkno::Wedugdat2Click},
                 {"Wedugnumerw1", &TGlowneOkno::Wedugnumerw1Click},
                 {"Wedugnumerw2", &TGlowneOkno::Wedugnumerw2Click},
                 {"Nazwtowarwzablokowanych1", &TGlowneOkno::Nazwtowarwzablokowanych1Click},
                 {"Opiswstaych1", &TGlowneOkno::Opiswstaych1Click},
                 {"Kasowaniebuforawycen1", &TGlowneOkno::Kasowaniebuforawycen1Click},
                 {"Zdalnewyaczeniedrukarki1", &TGlowneOkno::Zdalnewyaczeniedrukarki1Click}};
  for (const auto& entry : entries) {
    ConnectCommand(entry.item, entry.command);
  }
}

void TGlowneOkno::Fiskalnydobowy1Click() {
  uint8_t type = 0;
  if (!DeviceStep(type)) return EndCommand();
  SetBusyCursor();
  bool failed = false;
  uint8_t kind = 0;
  if (!CheckPrinterErrors(failed, kind)) {
    if (!failed) Refuse(PrinterErrorText(kind));
    return EndCommand();
  }
  uint32_t counter = 0;
  if (const int32_t result = ReadReceiptCounter(counter); result != 0) {
    ReportResultCode(result);
    return EndCommand();
  }
  if (counter != 0) {
    if (!Yes(QStringLiteral("Czy wykonać raport dobowy?"))) return EndCommand();
  } else if (Tx350(type)) {
    Refuse(
        QStringLiteral("  Licznik paragonów jest równy 0.   \r"
                       "Nie można wykonać raportu dobowego."));
    return EndCommand();
  } else {
    if (!Yes(QStringLiteral("  Licznik paragonów jest równy 0   \rCzy wykonać raport dobowy?"))) {
      return EndCommand();
    }
    SetBusyCursor();
    ShowProgressText(QStringLiteral("Raport dobowy..."));
  }
  HandlePrintResult(DailyReport(1), type);
  EndCommand();
}

void TGlowneOkno::Finansowypodatkowy1Click() {
  uint8_t type = 0;
  if (!DeviceStep(type)) return EndCommand();
  SetBusyCursor();
  if (!ClockStep()) return EndCommand();
  bool failed = false;
  if (PrinterReadOnly(failed)) {
    Refuse(QStringLiteral("Drukarka w trybie TYLKO ODCZYT."));
    return EndCommand();
  }
  if (failed) return EndCommand();
  uint32_t counter = 0;
  if (const int32_t result = ReadReceiptCounter(counter); result != 0) {
    ReportResultCode(result);
    return EndCommand();
  }
  if (!IsLuno(type)) {
    Refuse(QStringLiteral("  Drukarka nie obsługuje wydruku raportu finansowego "));
    return EndCommand();
  }
  PrintStep(type, FinancialTaxReport);
  EndCommand();
}

void TGlowneOkno::Stanudrukarki1Click() {
  uint8_t type = 0;
  if (DeviceStep(type)) {
    SetBusyCursor();
    if (ClockStep()) PrintStep(type, PrinterStatusReport);
  }
  EndCommand();
}

void TGlowneOkno::Miesiczny1Click() {
  PeriodicByMonth(kShortMonthly, "Raport skrócony miesięczny...");
}

void TGlowneOkno::Miesiczny2Click() {
  PeriodicByMonth(kDetailedMonthly, "Raport szczegółowy miesięczny...");
}

void TGlowneOkno::Wedugdat1Click() {
  PeriodicByDates(kShortByDates, "Raport skrócony według dat...");
}

void TGlowneOkno::Wedugdat2Click() {
  PeriodicByDates(kDetailedByDates, "Raport szczegółowy według dat...");
}

void TGlowneOkno::Wedugnumerw1Click() {
  PeriodicByNumbers(kShortByNumbers, "Raport skrócony według numerów...");
}

void TGlowneOkno::Wedugnumerw2Click() {
  PeriodicByNumbers(kDetailedByNumbers, "Raport szczegółowy według numerów...");
}

void TGlowneOkno::Nazwtowarwzablokowanych1Click() {
  PrintSimpleReport(LockedArticlesReport);
}

void TGlowneOkno::Opiswstaych1Click() {
  PrintSimpleReport(FixedDescriptionsReport);
}

void TGlowneOkno::Kasowaniebuforawycen1Click() {
  uint8_t type = 0;
  if (!DeviceStep(type) || !ClockStep()) return EndCommand();
  SetBusyCursor();
  uint32_t version = 0;
  if (const int32_t result = ReadDeviceType(type, version); result != 0) {
    ReportResultCode(result);
    return EndCommand();
  }
  if (!Pharmacy(type)) {
    Refuse(QStringLiteral("To nie jest drukarka apteczna."));
    return EndCommand();
  }
  // A buffer the printer did not clear is reported, never announced as cleared.
  if (const int32_t result = ClearPriceBuffer(); result != 0) {
    ReportResultCode(result);
    return EndCommand();
  }
  ErrorBeep();
  HideProgressText();
  ShowMessage(QStringLiteral("Bufor wycen skasowano."), QStringLiteral("Informacja"),
              kInformationStyle);
  EndCommand();
}

void TGlowneOkno::Zdalnewyaczeniedrukarki1Click() {
  uint8_t type = 0;
  if (!DeviceStep(type)) return EndCommand();
  uint32_t version = 0;
  if (const int32_t result = ReadDeviceType(type, version); result != 0) {
    ReportResultCode(result);
    return EndCommand();
  }
  if (!SecondGenerationStep(type, {3, 6, 7, 8, 9}, false)) return EndCommand();
  SetBusyCursor();
  // A printer that switches off may not answer the command: the operator is
  // told of the failure, and that the printer was switched off.
  if (const int32_t result = PowerOff(); result != 0) ReportResultCode(result);
  ErrorBeep();
  HideProgressText();
  ShowMessage(QStringLiteral("Drukarka została wyłączona"), QStringLiteral("Informacja"),
              kInformationStyle);
  EndCommand();
}

}  // namespace sigra::app
