// sigractl as a script runs it, against the emulator: what it prints, its
// exit status, and that bad input sends nothing. Also sigra-emu as a process
// left running: its state across a restart and its control socket.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver_fixture.h"
#include "emulator/control_channel.h"
#include "receipt_helpers.h"

extern char** environ;

namespace sigra::testing {
namespace {

struct ToolRun {
  int exit = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A shell word for `text`.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class SigractlTest : public DriverTest {
 protected:
  ToolRun Sigractl(const std::vector<std::string>& args, const std::string& input = "") {
    return Program(SIGRACTL, args, input);
  }

  ToolRun Program(const std::string& program, const std::vector<std::string>& args,
                  const std::string& input = "") {
    std::string command = Quoted(program);
    for (const std::string& arg : args) command.append(" ").append(Quoted(arg));
    const std::string in = Dir() + "/in", out = Dir() + "/out", err = Dir() + "/err";
    std::ofstream(in) << input;
    command += " <" + in + " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
  }

  std::string File(const std::string& name, const std::string& content) {
    const std::string path = Dir() + "/" + name;
    std::ofstream(path) << content;
    return path;
  }
};

constexpr const char* kSale =
    "# the README's sale\n"
    "item \"Chleb razowy 500g\" A 2 szt 4.50\n"
    "item \"Mleko 3,2% 1l\" B 1,500 l 3.99\n"
    "payment 1 Gotówka 20.00 5.01\n"
    "line 0 \"Dziękujemy za zakupy\"\n";

TEST_F(SigractlTest, ASaleFromAFileThenTheDailyReport) {
  emu::Emulator& printer = StartPrinter(7);
  const ToolRun sale = Sigractl({"receipt", File("sale.txt", kSale)});
  EXPECT_EQ(sale.exit, 0) << sale.err;
  EXPECT_EQ(sale.out,
            "Chleb razowy 500g 9,00\nMleko 3,2% 1l 5,99\nsum 14,99\nreceipt 1 fiscalised\n");
  ASSERT_EQ(printer.Printouts().size(), 1U);
  const std::string receipt = printer.Printouts()[0];
  EXPECT_TRUE(HasRow(receipt, "SUMA PLN", "14,99")) << receipt;
  EXPECT_NE(receipt.find("Dziękujemy za zakupy"), std::string::npos) << receipt;
  EXPECT_TRUE(HasRow(receipt, "Gotówka", "20,00")) << receipt;

  const ToolRun report = Sigractl({"--port", "COM1", "daily-report"});
  EXPECT_EQ(report.exit, 0) << report.err;
  EXPECT_EQ(report.out, "daily report printed\n");
  const std::string daily = printer.Printouts().back();
  EXPECT_TRUE(HasRow(daily, "LICZBA PARAGONÓW", "1")) << daily;
  EXPECT_TRUE(HasRow(daily, "RAZEM", "14,99")) << daily;

  // The day is closed: another report finds no receipts and says so.
  const ToolRun empty = Sigractl({"daily-report"});
  EXPECT_EQ(empty.exit, 5);
  EXPECT_EQ(empty.err,
            "sigractl: daily-report: DailyReport: 211 Zerowy licznik paragonów (brak sprzedaży po "
            "rap.dobowym).\n");
}

TEST_F(SigractlTest, BadInputGetsAClearMessageAndSendsNothing) {
  emu::Emulator& printer = StartPrinter(7);
  struct Case {
    std::vector<std::string> args;
    std::string receipt;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"print-money"}, "", "sigractl: unknown command print-money\n"},
      {{}, "", "sigractl: no command given\n"},
      {{"--port", "COM0", "name"}, "", "--port takes 1 to 255 or COM1 to COM255, not COM0"},
      {{"--speed", "115200", "name"}, "", "--speed takes 9600, 19200 or 28800, not 115200"},
      {{"name", "extra"}, "", "name takes no arguments"},
      {{"clock", "shift", "61"}, "", "clock takes nothing, or shift and -60 to -1 or 1 to 60"},
      {{"raw", "256", "1"}, "", "raw takes CMD ANSWER [BYTE...], each 0 to 255"},
      {{"receipt", "/no/such/file"}, "", "cannot read /no/such/file"},
      {{"receipt", "-"}, "# nothing\n", "standard input: the receipt has no item"},
      {{"receipt", "-"}, "item \"Chleb A 1 szt 1\n", "line 1: a quoted text has no closing \""},
      {{"receipt", "-"}, "sale x A 1 szt 1\n", "line 1: unknown entry \"sale\""},
      {{"receipt", "-"}, "item x H 1 szt 1\n", "line 1: rate \"H\" is not one of A to G"},
      {{"receipt", "-"}, "item x A 1 szt\n", "line 1: item needs NAME RATE QUANTITY UNIT PRICE"},
      {{"receipt", "-"}, "item x A 0,00001 szt 1\n", "line 1: quantity \"0,00001\" is not"},
      {{"receipt", "-"}, "item x A 1 szt 4.505\n", "line 1: price \"4.505\" is not an amount"},
      {{"receipt", "-"}, "item x A 1 szt 21474837\n", "line 1: price \"21474837\" is not"},
      {{"receipt", "-"},
       "item x A 1000 szt 3000000\n",
       "line 1: the line's value 1000 x 3000000 does not fit"},
      {{"receipt", "-"},
       "item x A 1 szt 20000000\nitem y A 1 szt 20000000\n",
       "line 2: the receipt's total does not fit"},
      {{"receipt", "-"},
       "item \"Chleb razowy pszenny żytni 500g\" A 1 szt 1\n",
       "is longer than 28 characters"},
      {{"receipt", "-"}, "item 寿司 A 1 szt 1\n", "has a character Windows-1250 lacks"},
      {{"receipt", "-"},
       "item \"Kawa – 250 g\" A 1 szt 1\n",
       "line 1: name \"Kawa – 250 g\" has \"–\", a character the printer cannot print"},
      {{"receipt", "-"},
       "item x A 1 szt 1\npayment 1 \"Bon 10 €\" 1 0\n",
       "has \"€\", a character the printer cannot print"},
      {{"receipt", "-"},
       "item x A 1 szt 1\npayment 5 Karta 1 0\n",
       "line 2: payment number \"5\" is not 1 to 4"},
      {{"receipt", "-"},
       "item x A 1 szt 1\nline 16 tekst\n",
       "line 2: line type \"16\" is not 0 to 15"},
      {{"receipt", "-"},
       "item x A 1 szt 1\ndiscount 100\n",
       "line 2: discount needs a PERCENT of 0 to 99"},
  };
  for (const Case& c : cases) {
    const ToolRun run = Sigractl(c.args, c.receipt);
    EXPECT_EQ(run.exit, 2) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_TRUE(printer.HostBytes().empty());
  EXPECT_TRUE(printer.Printouts().empty());
}

// The programs give the project's one version, and a command line they do
// not take is told for what it is.
TEST_F(SigractlTest, TheProgramsGiveTheProjectsVersionAndNameAWrongOption) {
  const ToolRun sigractl = Sigractl({"--version"});
  EXPECT_EQ(sigractl.exit, 0);
  EXPECT_EQ(sigractl.out.rfind("sigractl " SIGRA_VERSION ", driver ", 0), 0u) << sigractl.out;
  // Alone, --version is the program's; with a number, the emulated model's.
  const ToolRun emulator = Program(SIGRA_EMU, {"--version"});
  EXPECT_EQ(emulator.exit, 0) << emulator.err;
  EXPECT_EQ(emulator.out, "sigra-emu " SIGRA_VERSION "\n");
  EXPECT_EQ(Program(SIGRA_EMU, {"--type", "7", "--version"}).exit, 2);
#ifdef SIGRAD
  const ToolRun sigrad = Program(SIGRAD, {"--version"});
  EXPECT_EQ(sigrad.exit, 0);
  EXPECT_EQ(sigrad.out.rfind("sigrad " SIGRA_VERSION ", driver ", 0), 0u) << sigrad.out;
  const struct {
    std::vector<std::string> args;
    std::string said;
  } wrong[] = {
      {{"--bogus"}, "sigrad: unknown option --bogus\n"},
      {{"--bogus", "x"}, "sigrad: unknown option --bogus\n"},
      {{"--printer", "till1=COM1", "--port", "COM2"}, "sigrad: unknown option --port\n"},
      {{"--printer"}, "sigrad: --printer needs a value\n"},
      {{"stray"}, "sigrad: unknown argument stray\n"},
  };
  for (const auto& c : wrong) {
    const ToolRun run = Program(SIGRAD, c.args);
    EXPECT_EQ(run.exit, 2) << c.said;
    EXPECT_EQ(run.err.rfind(c.said, 0), 0u) << run.err;
  }
#endif
}

TEST_F(SigractlTest, JsonForMachinesAndTheExitStatusByClass) {
  emu::Emulator& printer = StartPrinter(7);
  EXPECT_EQ(Sigractl({"--json", "name"}).out,
            "{\"command\":\"name\",\"result\":0,\"device\":\"Nowa drukarka fiskalna\"}\n");
  EXPECT_EQ(Sigractl({"--json", "rates"}).out,
            "{\"command\":\"rates\",\"result\":0,\"count\":7,\"rates\":[{\"rate\":\"A\","
            "\"value\":2200,\"text\":\"22,00%\"},{\"rate\":\"B\",\"value\":700,\"text\":"
            "\"7,00%\"},{\"rate\":\"C\",\"value\":0,\"text\":\"0,00%\"},{\"rate\":\"D\","
            "\"value\":10000,\"text\":\"ZWOLNIONA\"},{\"rate\":\"E\",\"value\":25500,"
            "\"text\":\"REZERWA\"},{\"rate\":\"F\",\"value\":25500,\"text\":\"REZERWA\"},"
            "{\"rate\":\"G\",\"value\":25500,\"text\":\"REZERWA\"}]}\n");
  EXPECT_EQ(Sigractl({"--json", "receipt", "-"}, "item x A 1 szt\n").out,
            "{\"result\":-1,\"error\":\"standard input: line 1: item needs NAME RATE QUANTITY "
            "UNIT PRICE\"}\n");

  // Opening the connection waits for the printout, which needs paper.
  printer.SetPaper(false);
  const ToolRun noPaper = Sigractl({"--json", "state-report"});
  EXPECT_EQ(noPaper.exit, 4);
  EXPECT_EQ(noPaper.out,
            "{\"command\":\"state-report\",\"result\":109,\"step\":\"CommunicationInit\","
            "\"error\":\"Brak papieru lub podniesiona głowica mechanizmu drukującego.\"}\n");
  printer.SetSilent(true);
  const ToolRun silent = Sigractl({"--timeout", "1", "unique-number"});
  EXPECT_EQ(silent.exit, 3);
  // The driver's text is several lines, CR-separated; they come out as lines.
  EXPECT_EQ(silent.err.rfind("sigractl: unique-number: CommunicationInit: 21 TIMEOUT ODBIERANIA: "
                             "Komputer nie potrafi odebrać informacji z drukarki fiskalnej \n\n",
                             0),
            0U)
      << silent.err;
  EXPECT_EQ(silent.err.find('\r'), std::string::npos);
}

TEST_F(SigractlTest, AReceiptCutByAPowerLossSaysWhetherItWasFiscalised) {
  struct Case {
    const char* point;
    int exit;
    const char* json;
  };
  const Case cases[] = {
      {"after-ack", 7, "\"fiscalised\":true,\"receipt\":1}"},
      {"printing", 7, "\"fiscalised\":true,\"receipt\":2}"},
      {"before-end", 3, "\"fiscalised\":false}"},
  };
  emu::Emulator& printer = StartPrinter(3);
  emu::ControlChannel channel(printer);
  for (const Case& c : cases) {
    ASSERT_EQ(channel.Execute(std::string("cut ") + c.point + " 300"), "ok");
    const ToolRun run = Sigractl({"--json", "--timeout", "1", "receipt", "-"},
                                 "item \"Bułka kajzerka\" A 1 szt 0.60\n");
    EXPECT_EQ(run.exit, c.exit) << c.point;
    EXPECT_EQ(
        run.out.rfind("{\"command\":\"receipt\",\"result\":21,\"step\":\"ReceiptEnd\"", 0), 0U)
        << run.out;
    const std::string end = std::string(c.json) + "\n";
    EXPECT_EQ(
        run.out.compare(run.out.size() - std::min(run.out.size(), end.size()), end.size(), end), 0)
        << c.point << ": " << run.out;
  }
  const ToolRun plain = Sigractl({"receipt", "-"}, "item \"Bułka kajzerka\" A 1 szt 0.60\n");
  EXPECT_EQ(plain.exit, 0) << plain.err;
  EXPECT_EQ(plain.out, "Bułka kajzerka 0,60\nsum 0,60\nreceipt 3 fiscalised\n");
  EXPECT_EQ(Sigractl({"receipt-number"}).out, "3\n");
}

TEST_F(SigractlTest, StatusBytesInTheStatusWindowsWords) {
  emu::Emulator& printer = StartPrinter(7);
  printer.SetStatusByte(1, 0x2B);  // maker and user data, fiscal mode, version 2
  printer.SetStatusByte(4, 0x00);  // drawer open
  printer.SetStatusByte(5, 0x10);  // head raised in the original printer
  printer.SetStatusByte(6, 'K');
  const ToolRun run = Sigractl({"status"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out,
            "Wpisane dane o użytkowniku\n"
            "Moduł w trybie fiskalnym\n"
            "Wersja oprogramowania w module : 02\n"
            "Szuflada otwarta\n"
            "PODNIESIONA GŁOWICA W DRUKARCE ORYGINAŁU\n"
            "Przyczyna ostatniego unieważnienia paragonu: K\n");
  // A four-byte printer: no bytes 5 to 8 asked twice, the paper line shown.
  StartPrinter(2).SetPaper(false);
  const ToolRun old = Sigractl({"--json", "status"});
  EXPECT_EQ(old.out,
            "{\"command\":\"status\",\"result\":0,\"bytes\":[3,0,2,8],\"lines\":"
            "[\"Wpisane dane o użytkowniku\",\"Moduł w trybie szkoleniowym\",\"Wersja "
            "oprogramowania w module : 00\",\"Brak papieru (zapalona jest LED PAPER OUT)\","
            "\"Szuflada zamknięta lub niepodłączona\"]}\n");
}

TEST_F(SigractlTest, RawSequencesCountersAndTheClock) {
  emu::Emulator& printer = StartPrinter(7);
  EXPECT_EQ(Sigractl({"raw", "255", "2"}).out, "2C\n");
  EXPECT_EQ(Sigractl({"raw", "0x95", "1"}).out, "00\n");
  EXPECT_EQ(Sigractl({"unique-number"}).out, "ABC12345678\n");
  EXPECT_EQ(Sigractl({"receipt-number"}).out, "0\n");
  EXPECT_EQ(Sigractl({"report-number"}).out, "0\n");
  EXPECT_EQ(Sigractl({"clock"}).out, "2024-05-17 14:05\n");
  printer.ClearRecord();
  const ToolRun shift = Sigractl({"clock", "shift", "-15"});
  EXPECT_EQ(shift.exit, 0) << shift.err;
  EXPECT_EQ(shift.out, "clock moved -15 min: 24.05.17;13:50\n");
  EXPECT_TRUE(Contains(printer.Commands(), Frame({27, 54, 0, 1, 5})));
  // Once a receipt is in the day the clock stays.
  ASSERT_EQ(Sigractl({"receipt", "-"}, "item \"Bułka kajzerka\" A 1 szt 0.60\n").exit, 0);
  const ToolRun refused = Sigractl({"clock", "shift", "+5"});
  EXPECT_EQ(refused.exit, 5);
  EXPECT_NE(refused.err.find("218 Niezerowy licznik paragonów"), std::string::npos);
}

// sigra-emu as a separate process, linked as COM1 in the test's folder.
class EmulatorProcess {
 public:
  EmulatorProcess(const std::string& dir, const std::vector<std::string>& extra)
      : log_(dir + "/emu-" + std::to_string(++runs_) + ".log") {
    std::vector<std::string> args = {SIGRA_EMU, "--type", "7", "--link", dir, "--port", "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 200 && Log().find('\n') == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~EmulatorProcess() { Stop(); }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
  }

  std::string Log() const { return ReadAll(log_); }

 private:
  static inline int runs_ = 0;
  std::string log_;
  pid_t pid_ = 0;
};

std::string Control(const std::string& socketPath, const std::string& line) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return "no connection";
  }
  const std::string request = line + "\n";
  EXPECT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
  std::string reply;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') reply += c;
  close(fd);
  return reply;
}

TEST_F(SigractlTest, ARestartedEmulatorKeepsItsDayAndTakesControlLines) {
  const std::string state = Dir() + "/printer.state";
  const std::string socketPath = Dir() + "/control";
  const std::vector<std::string> options = {"--clock",   "host",     "--state",   state,
                                            "--control", socketPath, "--journal", "hex"};
  {
    EmulatorProcess emulator(Dir(), options);
    ASSERT_EQ(Sigractl({"receipt", File("sale.txt", kSale)}).exit, 0);
    EXPECT_EQ(Control(socketPath, "paper out"), "ok");
    EXPECT_EQ(Sigractl({"state-report"}).exit, 4);
    EXPECT_EQ(Control(socketPath, "paper in"), "ok");
    EXPECT_EQ(Control(socketPath, "status"), "ok 03 00 00 08 00 00 00 00");
    EXPECT_NE(emulator.Log().find("  hex > 1B 23 < 06\n"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(socketPath));
  EmulatorProcess restarted(Dir(), options);
  EXPECT_EQ(Sigractl({"receipt-number"}).out, "1\n");
  ASSERT_EQ(Sigractl({"daily-report"}).exit, 0);
  const std::string log = restarted.Log();
  EXPECT_NE(log.find("| LICZBA PARAGONÓW                       1\n"), std::string::npos) << log;
  EXPECT_NE(log.find("| RAZEM                              14,99\n"), std::string::npos) << log;
  restarted.Stop();
  EXPECT_NE(ReadAll(state).find("\nreceipt-counter 0\n"), std::string::npos);
  EXPECT_NE(ReadAll(state).find("\ndaily-report 1 "), std::string::npos);
}

}  // namespace
}  // namespace sigra::testing
