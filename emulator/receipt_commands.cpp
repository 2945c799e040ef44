#include <algorithm>
#include <string>

#include "emulator/command_table.h"

namespace sigra::emu {
namespace {

constexpr uint8_t kStatus3 = 149;
constexpr int kReceiptCancelledBit = 4;
constexpr uint8_t kLineFeed = 10;
constexpr size_t kMostData = 255;

// Extended receipts take article names of 5 significant characters.
constexpr int kShortNameMinimum = 5;
constexpr int kNameMinimum = 10;

bool Extended(const DeviceTraits& traits) {
  return traits.extendedReceipt;
}

// Runs `act` on the open receipt; without one the data is noted and dropped.
template <class Act>
void OnReceipt(Printer& printer, const char* what, Act act) {
  if (!printer.Fiscal().receipt) {
    printer.Note(std::string(what) + " outside a receipt ignored");
    return;
  }
  act(*printer.Fiscal().receipt);
}

// A step of the receipt that may make the printer cancel it.
template <class Step>
void Checked(Printer& printer, const char* what, Step step) {
  OnReceipt(printer, what, [&](Receipt& receipt) {
    if (const std::optional<std::string> reason = step(receipt)) printer.CancelReceipt(*reason);
  });
}

uint32_t UInt32At(const Bytes& data) {
  return data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
}

}  // namespace

void AddReceiptCommands(CommandTable& table) {
  table.Add(33, {.name = "receipt begin", .answer = [](Printer& printer) {
                   FiscalState& fiscal = printer.Fiscal();
                   if (fiscal.receipt) {
                     printer.Note("receipt begin refused: a receipt is open");
                     return Bytes{kNak};
                   }
                   if (!fiscal.rates.AnyDefined()) {
                     printer.Note("receipt begin refused: no tax rates");
                     return Bytes{kNak};
                   }
                   fiscal.receipt.emplace(fiscal.rates, printer.Traits().extendedReceipt
                                                            ? kShortNameMinimum
                                                            : kNameMinimum);
                   printer.SetBit(kStatus3, kReceiptCancelledBit, false);
                   return Bytes{kAck};
                 }});
  // Sale and voided lines, the discount and the total are not answered: a
  // line the printer does not accept cancels the receipt, which the host
  // learns from status 149.
  table.Add(6, {.name = "receipt line",
                .dataLength = FixedData(49),
                .afterData = [](Printer& printer, const Bytes& data) {
                  Checked(printer, "receipt line",
                          [&](Receipt& receipt) { return receipt.AddItem(data); });
                  return Bytes{};
                }});
  table.Add(27, {.name = "discount",
                 .dataLength = FixedData(1),
                 .afterData = [](Printer& printer, const Bytes& data) {
                   Checked(printer, "discount",
                           [&](Receipt& receipt) { return receipt.SetDiscount(data[0]); });
                   return Bytes{};
                 }});
  table.Add(7, {.name = "receipt total",
                .dataLength = FixedData(4),
                .afterData = [](Printer& printer, const Bytes& data) {
                  Checked(printer, "receipt total",
                          [&](Receipt& receipt) { return receipt.ConfirmTotal(UInt32At(data)); });
                  return Bytes{};
                }});
  table.Add(23, {.name = "package line",
                 .dataLength = FixedData(10),
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       std::optional<Receipt>& receipt = printer.Fiscal().receipt;
                       return Bytes{receipt && receipt->AddPackage(data) ? kAck : kNak};
                     },
                 .available = Extended});
  table.Add(128, {.name = "subtotal",
                  .answer =
                      [](Printer& printer) {
                        OnReceipt(printer, "subtotal",
                                  [](Receipt& receipt) { receipt.AddSubtotal(); });
                        return Bytes{};
                      },
                  .available = Extended});
  for (const bool second : {false, true}) {
    table.Add(second ? 130 : 129,
              {.name = second ? "payment, second amount" : "payment, first amount",
               .dataLength = FixedData(18),
               .afterData =
                   [second](Printer& printer, const Bytes& data) {
                     OnReceipt(printer, "payment",
                               [&](Receipt& receipt) { receipt.AddPayment(second, data); });
                     return Bytes{};
                   },
               .available = Extended});
  }
  // The type character, the text and a line feed that ends it.
  table.Add(9, {.name = "line after the receipt",
                .dataLength =
                    [](const Bytes& received) {
                      if (received.size() >= 2 && received.back() == kLineFeed) {
                        return received.size();
                      }
                      return std::min(received.size() + 1, kMostData);
                    },
                .afterData =
                    [](Printer& printer, const Bytes& data) {
                      OnReceipt(printer, "line after the receipt",
                                [&](Receipt& receipt) { receipt.AddLineAfter(data); });
                      return Bytes{};
                    }});
  table.Add(36, {.name = "receipt end", .answer = [](Printer& printer) {
                   FiscalState& fiscal = printer.Fiscal();
                   if (!fiscal.receipt) {
                     printer.Note("receipt end refused: no receipt open");
                     return Bytes{kNak};
                   }
                   if (fiscal.receipt->SaleLineCount() == 0) {
                     printer.Note("receipt end refused: no lines; receipt dropped");
                     fiscal.receipt.reset();
                     return Bytes{kNak};
                   }
                   if (!fiscal.receipt->TotalConfirmed()) {
                     printer.Note("receipt end refused: no total confirmed");
                     return Bytes{kNak};
                   }
                   ++fiscal.receiptCounter;
                   const auto shares = fiscal.receipt->Shares();
                   for (size_t k = 0; k < shares.size(); ++k) {
                     fiscal.dayTotals[k] += static_cast<uint64_t>(shares[k]);
                   }
                   printer.Print(fiscal.receipt->Printout(fiscal.receiptCounter));
                   fiscal.receipt.reset();
                   return Bytes{kAck};
                 }});
  // The connection check also cancels a receipt the printer holds open; one
  // without lines it drops and refuses. This replaces the plain check of the
  // connection group.
  table.Add(35, {.name = "connection check", .answer = [](Printer& printer) {
                   std::optional<Receipt>& receipt = printer.Fiscal().receipt;
                   if (!receipt) return Bytes{kAck};
                   if (receipt->SaleLineCount() == 0) {
                     printer.Note("receipt without lines dropped");
                     receipt.reset();
                     return Bytes{kNak};
                   }
                   printer.CancelReceipt("cancelled by the host");
                   return Bytes{kAck};
                 }});
}

}  // namespace sigra::emu
