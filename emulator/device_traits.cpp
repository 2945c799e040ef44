#include "emulator/device_traits.h"

#include <array>
#include <stdexcept>
#include <string>

namespace sigra::emu {
namespace {

struct Model {
  uint8_t typeCode;
  std::optional<uint8_t> modelCode;
  int usualVersion;
  // Lowest version that has status bytes 5 and 6; none: never has them.
  std::optional<int> bytes5And6FromVersion;
  bool byte7;
  bool byte8;
  int rateCount;
  bool extendedReceipt;
  bool dayTotals;
  bool euroQuery;
};

constexpr std::optional<uint8_t> kRefuses = std::nullopt;
constexpr std::optional<int> kNever = std::nullopt;

// Indexed by device type. The second-generation Sigra and Sigra F report their
// family code as model byte; Luno and Luno F have model bytes of their own.
constexpr std::array<Model, 10> kModels = {{
    // 0 TX350A, 5 rates
    {0x02, kRefuses, 0, kNever, false, false, 4, false, false, false},
    // 1 TX350A, 7 rates
    {0x11, kRefuses, 0, kNever, false, false, 6, false, false, false},
    // 2 Sigra, first generation
    {0x2C, kRefuses, 0, kNever, false, false, 6, false, false, false},
    // 3 Sigra, second generation
    {0x2C, 0x2C, 3, 3, false, false, 7, true, true, false},
    // 4 TX350B, 5 rates, pharmacy
    {0x05, kRefuses, 0, kNever, false, false, 4, false, false, false},
    // 5 TX350B, 7 rates, pharmacy
    {0x12, kRefuses, 0, kNever, false, false, 6, false, false, false},
    // 6 Sigra F, pharmacy
    {0x12, 0x12, 6, 6, false, true, 7, false, true, false},
    // 7 Luno
    {0x2C, 0x7C, 1, 0, true, false, 7, true, true, true},
    // 8 Luno F, pharmacy
    {0x12, 0x7D, 1, 0, true, true, 7, true, true, true},
    // 9 other device
    {0x63, kRefuses, 0, 0, true, false, 7, true, true, false},
}};

// What the models keep for the service commands and the customer display,
// indexed by device type: the second-generation Sigra and Sigra F keep four
// header lines, the Luno models six lines, a configuration block and a
// graphic display.
struct ServiceModel {
  int userDataLines;
  uint8_t userDataReadCommand;
  bool roundingModes;
  bool luno;
};

constexpr std::array<ServiceModel, 10> kServiceModels = {{
    {0, 157, false, false},  // 0 TX350A, 5 rates
    {0, 157, false, false},  // 1 TX350A, 7 rates
    {4, 157, false, false},  // 2 Sigra, first generation
    {4, 157, true, false},   // 3 Sigra, second generation
    {0, 157, false, false},  // 4 TX350B, 5 rates, pharmacy
    {0, 157, false, false},  // 5 TX350B, 7 rates, pharmacy
    {4, 158, true, false},   // 6 Sigra F, pharmacy
    {6, 157, true, true},    // 7 Luno
    {6, 158, true, true},    // 8 Luno F, pharmacy
    {4, 157, true, false},   // 9 other device
}};

// What the models do with their clock and their reports, indexed by device
// type: the TX350 models refuse to close a day without receipts; the
// second-generation Sigra and Sigra F and the Luno models have the newer
// clock, report and power-off commands; the Luno models their own clock
// initialisation, kept dates and financial tax report.
struct ReportModel {
  bool closesEmptyDays;
  bool secondGeneration;
  bool lunoFamily;
};

constexpr std::array<ReportModel, 10> kReportModels = {{
    {false, false, false},  // 0 TX350A, 5 rates
    {false, false, false},  // 1 TX350A, 7 rates
    {true, false, false},   // 2 Sigra, first generation
    {true, true, false},    // 3 Sigra, second generation
    {false, false, false},  // 4 TX350B, 5 rates, pharmacy
    {false, false, false},  // 5 TX350B, 7 rates, pharmacy
    {true, true, false},    // 6 Sigra F, pharmacy
    {true, true, true},     // 7 Luno
    {true, true, true},     // 8 Luno F, pharmacy
    {true, true, false},    // 9 other device
}};

}  // namespace

DeviceTraits TraitsFor(int type, int version) {
  if (type < 0 || type >= static_cast<int>(kModels.size())) {
    throw std::out_of_range("device type " + std::to_string(type) + " is not 0..9");
  }
  const Model& model = kModels[static_cast<size_t>(type)];
  DeviceTraits traits;
  traits.type = type;
  traits.version = version < 0 ? model.usualVersion : version;
  traits.typeCode = model.typeCode;
  traits.modelCode = model.modelCode;
  traits.hasBytes5And6 =
      model.bytes5And6FromVersion && traits.version >= *model.bytes5And6FromVersion;
  traits.hasByte7 = model.byte7;
  traits.hasByte8 = model.byte8;
  traits.rateCount = model.rateCount;
  traits.extendedReceipt = model.extendedReceipt;
  traits.dayTotals = model.dayTotals;
  traits.euroQuery = model.euroQuery;
  const ServiceModel& service = kServiceModels[static_cast<size_t>(type)];
  traits.userDataLines = service.userDataLines;
  traits.userDataReadCommand = service.userDataReadCommand;
  traits.roundingModes = service.roundingModes;
  traits.settingsBlock = service.luno;
  traits.graphicDisplay = service.luno;
  const ReportModel& reports = kReportModels[static_cast<size_t>(type)];
  traits.closesEmptyDays = reports.closesEmptyDays;
  traits.secondGeneration = reports.secondGeneration;
  traits.lunoFamily = reports.lunoFamily;
  return traits;
}

}  // namespace sigra::emu
