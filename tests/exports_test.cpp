// The built driver library exports the 52 functions of the driver interface,
// under their plain names, and nothing else.
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

const std::set<std::string> kInterface = {
    // Connection, raw access, messages, print control.
    "CommunicationInit", "CommunicationEnd", "OpenPort", "ClosePort", "DeviceName", "pDeviceName",
    "RSSequence", "ErrMessage", "pErrMessage", "PrintControl", "PrintResume",
    // Receipt opening and items.
    "ReceiptConditions", "ReceiptBegin", "CharsInArticleName", "pCharsInArticleName", "ReceiptItem",
    "pReceiptItem", "PackageItem", "PrintSubtotal",
    // Receipt closing and totals.
    "FillPayment", "pFillPayment", "ErasePayments", "FillLines", "pFillLines", "EraseLines",
    "ReceiptEnd", "ReceiptCancel", "ReadTotal", "pReadTotal", "ReadSelTotal", "pReadSelTotal",
    // Reports.
    "DailyReport", "LockedArticlesReport", "PrinterStatusReport", "PeriodReport", "MonthlyReport",
    "NumberReport",
    // Tax rates.
    "ReadVAT", "SetVAT",
    // Clock and counters.
    "ReadClock", "pReadClock", "ReceiptNumber", "PrinterNumber", "DailyReportNumber",
    "ReadUniqueNumber", "pReadUniqueNumber", "WriteLineFeed",
    // Drawer and driver information.
    "OpenDrawer", "DllVersion", "pDllVersion", "DllAuthor", "pDllAuthor"};

// The names the library's dynamic symbol table offers to other programs:
// defined, global, weak or unique, and of default or protected visibility.
std::set<std::string> ExportedNames(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> image{std::istreambuf_iterator<char>(file), {}};
  if (image.size() < sizeof(ElfW(Ehdr))) return {};
  ElfW(Ehdr) header;
  std::memcpy(&header, image.data(), sizeof header);
  std::vector<ElfW(Shdr)> sections(header.e_shnum);
  std::memcpy(sections.data(), image.data() + header.e_shoff, sections.size() * sizeof(ElfW(Shdr)));
  std::set<std::string> names;
  for (const ElfW(Shdr) & section : sections) {
    if (section.sh_type != SHT_DYNSYM) continue;
    const char* strings = image.data() + sections[section.sh_link].sh_offset;
    const size_t count = section.sh_size / sizeof(ElfW(Sym));
    for (size_t i = 0; i < count; ++i) {
      ElfW(Sym) symbol;
      std::memcpy(&symbol, image.data() + section.sh_offset + i * sizeof symbol, sizeof symbol);
      const unsigned binding = ELF64_ST_BIND(symbol.st_info);
      const unsigned visibility = ELF64_ST_VISIBILITY(symbol.st_other);
      const bool bound = binding == STB_GLOBAL || binding == STB_WEAK || binding == STB_GNU_UNIQUE;
      const bool visible = visibility == STV_DEFAULT || visibility == STV_PROTECTED;
      if (symbol.st_shndx != SHN_UNDEF && bound && visible) names.insert(strings + symbol.st_name);
    }
  }
  return names;
}

std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += "\n  " + name;
  return text;
}

TEST(DriverLibrary, ExportsExactlyTheInterface) {
  ASSERT_EQ(kInterface.size(), 52u);
  const std::set<std::string> exported = ExportedNames(SIGRA_DRIVER_LIBRARY);
  ASSERT_FALSE(exported.empty()) << "no dynamic symbols read from " << SIGRA_DRIVER_LIBRARY;
  std::vector<std::string> missing;
  std::vector<std::string> extra;
  std::set_difference(kInterface.begin(), kInterface.end(), exported.begin(), exported.end(),
                      std::back_inserter(missing));
  std::set_difference(exported.begin(), exported.end(), kInterface.begin(), kInterface.end(),
                      std::back_inserter(extra));
  EXPECT_TRUE(missing.empty()) << missing.size() << " functions not exported:" << Listed(missing);
  EXPECT_TRUE(extra.empty()) << extra.size()
                             << " names exported beyond the interface:" << Listed(extra);
}

}  // namespace
