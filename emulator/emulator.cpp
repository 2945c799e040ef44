#include "emulator/emulator.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "emulator/line_pacer.h"
#include "emulator/line_speed.h"
#include "emulator/pty.h"

namespace sigra::emu {
namespace {

// How long the printer waits by default for each data byte of a frame before
// it drops the frame and waits for the next command.
constexpr std::chrono::milliseconds kDataTimeout{1000};

std::string Hex(const Bytes& bytes) {
  std::string text;
  for (uint8_t byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

std::string Label(uint8_t code, const Command* command) {
  if (command != nullptr && !command->name.empty()) return command->name;
  return "command " + std::to_string(code);
}

}  // namespace

struct Emulator::Impl {
  Impl(int type, int version)
      : printer(TraitsFor(type, version), [this](const std::string& line) { Note(line); }),
        table(StandardCommands()) {}

  std::atomic<std::chrono::milliseconds> dataTimeout{kDataTimeout};

  // Called with `mutex` held.
  void Note(const std::string& line) {
    journal.push_back(line);
    if (listener) listener(line);
  }

  // Reads and records one host byte. Between frames an ESC begins a new frame
  // in the record.
  std::optional<uint8_t> Receive(std::optional<std::chrono::milliseconds> timeout,
                                 bool betweenFrames = false) {
    const std::optional<uint8_t> byte = pty.Read(timeout);
    if (byte) {
      if (const std::shared_ptr<LinePacer> line = Line();
          line && !pty.SleepUntil(line->Arrival(std::chrono::steady_clock::now()))) {
        return std::nullopt;
      }
      std::lock_guard lock(mutex);
      if (betweenFrames && *byte == kEsc) frameStarts.push_back(hostBytes.size());
      wire.push_back({Direction::HostToPrinter, *byte, std::chrono::steady_clock::now()});
      hostBytes.push_back(*byte);
      hostBytesArrived.notify_all();
    }
    return byte;
  }

  void Send(const Bytes& bytes) {
    if (const std::shared_ptr<LinePacer> line = Line()) {
      for (uint8_t byte : bytes) {
        if (!pty.SleepUntil(line->Departure(std::chrono::steady_clock::now()))) return;
        {
          std::lock_guard lock(mutex);
          wire.push_back({Direction::PrinterToHost, byte, std::chrono::steady_clock::now()});
        }
        pty.Write({byte});
      }
      return;
    }
    {
      std::lock_guard lock(mutex);
      const auto now = std::chrono::steady_clock::now();
      for (uint8_t byte : bytes) wire.push_back({Direction::PrinterToHost, byte, now});
    }
    pty.Write(bytes);
  }

  // Without the mutex: the printer must not read the host's bytes any later
  // for looking at its line.
  std::shared_ptr<LinePacer> Line() const { return line.load(); }

  void Answer(const Bytes& bytes, std::chrono::milliseconds delay) {
    if (bytes.empty()) return;
    if (delay.count() > 0 && !pty.Sleep(delay)) return;
    Send(bytes);
  }

  void Run() {
    try {
      while (const std::optional<uint8_t> byte = Receive(std::nullopt, true)) {
        if (!HearsHost(*byte)) continue;
        if (*byte != kEsc) {
          std::lock_guard lock(mutex);
          if (!printer.TakeLooseByte(*byte)) {
            Note("ignored byte " + Hex({*byte}) + " outside a command frame");
          }
          continue;
        }
        const std::optional<uint8_t> code = Receive(dataTimeout);
        if (!code) {
          std::lock_guard lock(mutex);
          if (!pty.Stopped()) Note("ESC without a command byte");
          continue;
        }
        const size_t frameStart = FrameStart();
        try {
          Serve(*code);
        } catch (const std::system_error&) {
          throw;
        } catch (const std::exception& error) {
          // A faulty command handler costs its own frame, not the printer.
          std::lock_guard lock(mutex);
          Note("command " + std::to_string(*code) + " failed: " + error.what());
        }
        AfterCommand(frameStart);
      }
    } catch (const std::system_error& error) {
      std::lock_guard lock(mutex);
      Note(std::string("line failed, printer stops: ") + error.what());
    }
  }

  // Whether a byte the host sent between frames reached the printer at its
  // line speed. Only the first byte of each run at a wrong speed is noted.
  bool HearsHost(uint8_t byte) {
    std::lock_guard lock(mutex);
    if (!fixedSpeed || !printer.Traits().settingsBlock) return true;
    const uint32_t own = LineSpeed(printer.Service().settings);
    const uint32_t host = pty.HostSpeed();
    if (host == own) {
      misheard = false;
      return true;
    }
    if (!misheard) {
      Note("byte " + Hex({byte}) + " at " + std::to_string(host) +
           " b/s not understood: the printer listens at " + std::to_string(own) + " b/s");
    }
    misheard = true;
    return false;
  }

  // Where in the wire record the frame just begun (ESC, command byte) starts.
  size_t FrameStart() {
    std::lock_guard lock(mutex);
    return wire.size() >= 2 ? wire.size() - 2 : 0;
  }

  void AfterCommand(size_t frameStart) {
    std::lock_guard lock(mutex);
    if (hexJournal) {
      Bytes host;
      Bytes answer;
      for (size_t i = frameStart; i < wire.size(); ++i) {
        (wire[i].dir == Direction::HostToPrinter ? host : answer).push_back(wire[i].value);
      }
      Note("  hex > " + Hex(host) + (answer.empty() ? "" : " < " + Hex(answer)));
    }
    if (afterCommand) afterCommand(printer);
  }

  // One command sequence, from the printer's side: answer, data, answer after data.
  void Serve(uint8_t code) {
    std::shared_ptr<const Command> command;
    Bytes answer;
    std::chrono::milliseconds delay{};
    {
      std::lock_guard lock(mutex);
      if (silent) {
        Note("silent: no answer to command " + std::to_string(code));
        return;
      }
      printer.PowerBackIfDue();
      printer.BeforeAnswer(code);
      if (printer.SwitchedOff()) {
        Note("switched off: no answer to command " + std::to_string(code));
        return;
      }
      delay = answerDelay;
      command = table.Find(code);
      if (const auto injected = injectedAnswers.find(code); injected != injectedAnswers.end()) {
        answer = injected->second;
        Note(Label(code, command.get()) + " -> " + Hex(answer) + " (injected)");
      } else if (!command) {
        answer = {kNak};
        Note("NAK to unknown command " + std::to_string(code));
      } else if (command->available && !command->available(printer.Traits())) {
        answer = {kNak};
        Note("NAK to " + Label(code, command.get()) + " (command " + std::to_string(code) +
             "): not on device type " + std::to_string(printer.Traits().type));
      } else {
        if (command->answer) answer = command->answer(printer);
        if (!answer.empty()) Note(Label(code, command.get()) + " -> " + Hex(answer));
      }
      if (!answer.empty() && answer.front() != kAck) command.reset();
    }
    Answer(answer, delay);
    {
      std::lock_guard lock(mutex);
      printer.AfterAnswer(code);
    }
    if (command) ReceiveData(code, *command, delay);
  }

  void ReceiveData(uint8_t code, const Command& command, std::chrono::milliseconds delay) {
    Bytes data;
    for (size_t wanted = command.dataLength(data); data.size() < wanted;
         wanted = command.dataLength(data)) {
      const std::optional<uint8_t> byte = Receive(dataTimeout);
      if (!byte) {
        std::lock_guard lock(mutex);
        if (!pty.Stopped()) {
          Note(Label(code, &command) + ": incomplete data (" + std::to_string(data.size()) +
               " of " + std::to_string(wanted) + " bytes) dropped");
        }
        return;
      }
      data.push_back(*byte);
    }
    Bytes after;
    {
      std::lock_guard lock(mutex);
      if (const auto slow = afterDataDelays.find(code); slow != afterDataDelays.end()) {
        delay += slow->second;
      }
      if (command.afterData) after = command.afterData(printer, data);
      if (!data.empty() || !after.empty()) {
        Note(Label(code, &command) + " data " + Hex(data) +
             (after.empty() ? "" : " -> " + Hex(after)));
      }
    }
    Answer(after, delay);
  }

  Pty pty;
  // Guards everything below it. The thread holds it only while it decides an
  // answer or records, never while it waits for the line.
  mutable std::mutex mutex;
  mutable std::condition_variable hostBytesArrived;
  Printer printer;
  CommandTable table;
  std::map<uint8_t, Bytes> injectedAnswers;
  bool silent = false;
  bool fixedSpeed = false;
  bool misheard = false;
  std::chrono::milliseconds answerDelay{0};
  std::map<uint8_t, std::chrono::milliseconds> afterDataDelays;
  // The paced line, none for an instant one.
  std::atomic<std::shared_ptr<LinePacer>> line;
  std::vector<WireByte> wire;
  std::vector<uint8_t> hostBytes;
  // Positions in hostBytes where the printer saw a frame begin.
  std::vector<size_t> frameStarts;
  std::vector<std::string> journal;
  std::function<void(const std::string&)> listener;
  bool hexJournal = false;
  std::function<void(const Printer&)> afterCommand;
  std::thread thread;
};

Emulator::Emulator(int deviceType, int version)
    : impl_(std::make_unique<Impl>(deviceType, version)) {
  impl_->thread = std::thread([impl = impl_.get()] { impl->Run(); });
}

Emulator::~Emulator() {
  impl_->pty.Stop();
  impl_->thread.join();
}

const std::string& Emulator::DevicePath() const {
  return impl_->pty.SlavePath();
}

void Emulator::LinkAsComPort(const std::string& dir, int n) const {
  const std::filesystem::path link = std::filesystem::path(dir) / ("com" + std::to_string(n));
  std::filesystem::remove(link);
  std::filesystem::create_symlink(DevicePath(), link);
}

int Emulator::DeviceType() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->printer.Traits().type;
}

int Emulator::Version() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->printer.Traits().version;
}

void Emulator::SetStatus(uint8_t statusCommand, uint8_t value) {
  WithPrinter([&](Printer& printer) { printer.SetStatus(statusCommand, value); });
}

uint8_t Emulator::Status(uint8_t statusCommand) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->printer.Status(statusCommand);
}

void Emulator::SetStatusByte(int n, uint8_t value) {
  WithPrinter([&](Printer& printer) { printer.SetStatusByte(n, value); });
}

uint8_t Emulator::StatusByte(int n) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->printer.StatusByte(n);
}

void Emulator::StartPrintout(int polls) {
  WithPrinter([&](Printer& printer) { printer.StartPrintout(polls); });
}

bool Emulator::Printing() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->printer.Printing();
}

void Emulator::SetPaper(bool present) {
  WithPrinter([&](Printer& printer) { printer.SetPaper(present); });
}

void Emulator::PaperRunsOutAfter(int polls) {
  WithPrinter([&](Printer& printer) { printer.PaperRunsOutAfter(polls); });
}

void Emulator::SetPrinterFailure(bool failed) {
  WithPrinter([&](Printer& printer) { printer.SetPrinterFailure(failed); });
}

void Emulator::SetControllerLost(bool lost) {
  WithPrinter([&](Printer& printer) { printer.SetControllerLost(lost); });
}

void Emulator::WithPrinter(const std::function<void(Printer&)>& edit) {
  std::lock_guard lock(impl_->mutex);
  edit(impl_->printer);
}

void Emulator::SetLineRate(int bitsPerSecond) {
  std::lock_guard lock(impl_->mutex);
  if (bitsPerSecond > 0) {
    impl_->line.store(std::make_shared<LinePacer>(bitsPerSecond));
    impl_->printer.SetPrintingTime(PrintingTime(kLinesPerSecond));
  } else {
    impl_->line.store(nullptr);
    impl_->printer.SetPrintingTime(std::nullopt);
  }
}

void Emulator::FixLineSpeed(uint32_t baud) {
  std::lock_guard lock(impl_->mutex);
  if (!SelectLineSpeed(impl_->printer.Service().settings, baud)) {
    throw std::invalid_argument("line speed " + std::to_string(baud) + " b/s");
  }
  impl_->fixedSpeed = true;
}

void Emulator::Define(uint8_t code, Command command) {
  std::lock_guard lock(impl_->mutex);
  impl_->table.Add(code, std::move(command));
}

void Emulator::AnswerWith(uint8_t command, std::vector<uint8_t> bytes) {
  std::lock_guard lock(impl_->mutex);
  impl_->injectedAnswers[command] = std::move(bytes);
}

void Emulator::Nak(uint8_t command) {
  AnswerWith(command, {kNak});
}

void Emulator::SetSilent(bool silent) {
  std::lock_guard lock(impl_->mutex);
  impl_->silent = silent;
}

void Emulator::SetAnswerDelay(std::chrono::milliseconds delay) {
  std::lock_guard lock(impl_->mutex);
  impl_->answerDelay = delay;
}

void Emulator::DelayAfterData(uint8_t command, std::chrono::milliseconds delay) {
  std::lock_guard lock(impl_->mutex);
  impl_->afterDataDelays[command] = delay;
}

void Emulator::ClearFaults() {
  std::lock_guard lock(impl_->mutex);
  impl_->injectedAnswers.clear();
  impl_->silent = false;
  impl_->answerDelay = std::chrono::milliseconds{0};
  impl_->afterDataDelays.clear();
}

void Emulator::Inject(std::vector<uint8_t> bytes) {
  impl_->Send(bytes);
}

std::vector<WireByte> Emulator::Wire() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->wire;
}

std::vector<uint8_t> Emulator::HostBytes() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->hostBytes;
}

std::vector<std::vector<uint8_t>> Emulator::Commands() const {
  std::lock_guard lock(impl_->mutex);
  const std::vector<uint8_t>& bytes = impl_->hostBytes;
  std::vector<size_t> cuts = impl_->frameStarts;
  cuts.push_back(bytes.size());
  std::vector<std::vector<uint8_t>> frames;
  size_t begin = 0;
  for (size_t cut : cuts) {
    if (cut > begin)
      frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                          bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    begin = cut;
  }
  return frames;
}

void Emulator::ClearRecord() {
  std::lock_guard lock(impl_->mutex);
  impl_->wire.clear();
  impl_->hostBytes.clear();
  impl_->frameStarts.clear();
}

bool Emulator::WaitForHostBytes(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->hostBytesArrived.wait_for(lock, timeout,
                                          [&] { return impl_->hostBytes.size() >= count; });
}

std::vector<std::string> Emulator::Printouts() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->printer.Printouts();
}

std::vector<std::string> Emulator::Journal() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->journal;
}

void Emulator::SetJournalListener(std::function<void(const std::string&)> listener) {
  std::lock_guard lock(impl_->mutex);
  impl_->listener = std::move(listener);
}

void Emulator::SetHexJournal(bool on) {
  std::lock_guard lock(impl_->mutex);
  impl_->hexJournal = on;
}

void Emulator::SetDataTimeout(std::chrono::milliseconds timeout) {
  impl_->dataTimeout = timeout;
}

void Emulator::SetAfterCommand(std::function<void(const Printer&)> hook) {
  std::lock_guard lock(impl_->mutex);
  impl_->afterCommand = std::move(hook);
}

}  // namespace sigra::emu
