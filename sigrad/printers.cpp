#include "sigrad/printers.h"

#include <cerrno>
#include <cstdlib>
#include <thread>
#include <vector>

#include "sigrad/answers.h"

namespace sigra::service {
namespace {

// How long a printer's process may take to settle and say it is ready.
constexpr auto kStartLimit = std::chrono::seconds(120);
// How long a failed start waits before the next.
constexpr auto kRestartPause = std::chrono::seconds(1);
// How long a stopped worker has to close its port and end.
constexpr auto kStopLimit = std::chrono::seconds(2);
// How often an idle printer's unknown outcomes are asked of it again.
constexpr auto kIdleSettle = std::chrono::seconds(10);
// How long a printer may stand idle before it is asked whether it still
// answers (the lightest reading), so that what /v1/printers and /healthz say
// of it is never much older.
constexpr auto kIdleProbe = std::chrono::seconds(30);
// How often a printout stopped for lack of paper is looked at while idle, to
// resume it soon after paper is back.
constexpr auto kStoppedLook = std::chrono::seconds(1);
constexpr auto kSettleLimit = std::chrono::seconds(120);

Reply Unreachable(const std::string& message, const char* id) {
  return {503, ErrorBody(kCodeBusy, message, id)};
}

// The answer to `request`, which the printer's process did not answer: for a
// receipt, with whether the printer may have fiscalised it.
Reply Unanswered(const nlohmann::json& request, const std::string& printer,
                 const std::string& message, const char* id, const nlohmann::json& fiscalised) {
  Reply reply = Unreachable(message, id);
  if (request.value("op", "") == "receipt") {
    reply.body["fiscalised"] = fiscalised;
    reply.body["key"] = request["key"];
    reply.body["printer"] = printer;
  }
  return reply;
}

constexpr const char* kStopping = "The service is stopping; nothing was sent.";

}  // namespace

Printer::Printer(PrinterConfig config, std::string program, std::string journal,
                 size_t queueLimit, std::function<void(const std::string&)> fatal)
    : config_(std::move(config)),
      program_(std::move(program)),
      journal_(std::move(journal)),
      queueLimit_(queueLimit),
      fatal_(std::move(fatal)),
      info_({{"online", false}, {"device_type", nullptr}, {"device_name", nullptr}}) {
  thread_ = std::thread([this] { Run(); });
}

Printer::~Printer() {
  Halt();
  thread_.join();
  Stop();
}

void Printer::Halt() {
  std::deque<std::unique_ptr<Job>> waiting;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    const auto begun = queue_.begin() + (serving_ ? 1 : 0);
    waiting.insert(waiting.end(), std::make_move_iterator(begun),
                   std::make_move_iterator(queue_.end()));
    queue_.erase(begun, queue_.end());
  }
  wake_.notify_all();
  for (auto& job : waiting) {
    job->reply.set_value(Unanswered(job->request, config_.id, kStopping, kIdStopping, false));
  }
}

void Printer::AwaitEnd() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [&] { return ended_; });
}

bool Printer::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

void Printer::Pause(std::chrono::seconds time) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, time, [&] { return stopping_; });
}

std::optional<std::future<Reply>> Printer::Submit(nlohmann::json request,
                                                  std::chrono::seconds limit) {
  auto job = std::make_unique<Job>();
  job->request = std::move(request);
  job->limit = limit;
  std::future<Reply> reply = job->reply.get_future();
  {
    std::lock_guard lock(mutex_);
    if (stopping_) {
      job->reply.set_value(Unanswered(job->request, config_.id, kStopping, kIdStopping, false));
      return reply;
    }
    if (queue_.size() >= queueLimit_) return std::nullopt;
    queue_.push_back(std::move(job));
  }
  wake_.notify_one();
  return reply;
}

void Printer::AwaitStart(std::chrono::seconds limit) {
  started_.get_future().wait_for(limit);
}

nlohmann::json Printer::Info() const {
  std::lock_guard lock(mutex_);
  return info_;
}

size_t Printer::QueueLength() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

bool Printer::Begun(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return serving_ && servingKey_ == key;
}

bool Printer::Online() const {
  std::lock_guard lock(mutex_);
  return info_.value("online", false);
}

void Printer::Run() {
  // At once, so that its unfinished entries are settled and the printer is
  // known before the first request.
  Start();
  started_.set_value();
  auto lastContact = std::chrono::steady_clock::now();
  while (true) {
    std::unique_ptr<Job> job;
    {
      std::unique_lock lock(mutex_);
      const auto idle = stopped_ ? kStoppedLook : kIdleSettle;
      if (!wake_.wait_for(lock, idle, [&] { return stopping_ || !queue_.empty(); })) {
        // Idle: an outcome left unknown is settled as soon as the printer
        // answers again, a stopped printout resumed once paper is back, a
        // process that died is started again, and now and then the printer
        // is asked whether it still answers. Never while a request runs.
        lock.unlock();
        const bool probe = std::chrono::steady_clock::now() - lastContact >= kIdleProbe;
        Job settle{{{"op", "settle"}, {"probe", probe}}, kSettleLimit, {}};
        Serve(settle);
        if (probe) lastContact = std::chrono::steady_clock::now();
        continue;
      }
      if (stopping_) break;
      job = std::move(queue_.front());
      serving_ = true;
      servingKey_ = job->request.value("key", "");
    }
    Reply reply = Serve(*job);
    lastContact = std::chrono::steady_clock::now();
    {
      std::lock_guard lock(mutex_);
      queue_.pop_front();
      serving_ = false;
    }
    job->reply.set_value(std::move(reply));
  }
  // The printer's process closes its port before the service may end,
  // which kills the process.
  Stop();
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
  }
  wake_.notify_all();
}

bool Printer::Start() {
  // Each printer traces into a file of its own.
  std::string trace;
  if (const char* base = std::getenv("SIGRA_TRACE"); base && *base) {
    trace = std::string(base) + "." + config_.id;
  }
  if (!worker_.Start(program_,
                     {"--worker", config_.id, "--port", std::to_string(config_.port), "--speed",
                      std::to_string(config_.speed), "--journal", journal_},
                     trace)) {
    return false;
  }
  buffered_.clear();
  const std::optional<std::string> ready = ReadLine(std::chrono::steady_clock::now() + kStartLimit);
  const nlohmann::json said =
      ready ? nlohmann::json::parse(*ready, nullptr, false) : nlohmann::json();
  if (said.is_object() && said.contains("fatal")) fatal_(said["fatal"].get<std::string>());
  if (!said.is_object() || !said.value("ready", false)) {
    Stop();
    return false;
  }
  std::lock_guard lock(mutex_);
  info_ = {{"online", said["online"]},
           {"device_type", said["device_type"]},
           {"device_name", said["device_name"]}};
  return true;
}

void Printer::Stop() {
  // The end of its input lets the worker close its port, clearing the
  // port's exclusive mode for the next user; one that does not end soon is
  // hung and killed.
  worker_.Stop(kStopLimit);
  std::lock_guard lock(mutex_);
  info_["online"] = false;
}

std::optional<std::string> Printer::ReadLine(std::chrono::steady_clock::time_point deadline) {
  while (true) {
    if (const size_t end = buffered_.find('\n'); end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return line;
    }
    if (!worker_.Read(buffered_, deadline)) return std::nullopt;
  }
}

Reply Printer::Serve(Job& job) {
  if (worker_.Ended()) {
    // Died while idle: nothing of this request was sent to it.
    Stop();
  }
  if (!worker_.Running() && (Stopping() || !Start())) {
    Pause(kRestartPause);
    return Unreachable("The printer's process does not start; the printer may be unreachable.",
                       "printer_unreachable");
  }
  const auto deadline = std::chrono::steady_clock::now() + job.limit;
  const std::optional<std::string> line =
      worker_.Write(job.request.dump() + "\n") ? ReadLine(deadline) : std::nullopt;
  const nlohmann::json answer =
      line ? nlohmann::json::parse(*line, nullptr, false) : nlohmann::json();
  if (answer.is_object() && answer.contains("fatal")) {
    fatal_(answer["fatal"].get<std::string>());
  }
  if (!answer.is_object() || !answer.contains("status")) {
    // Hung past its timeouts or dead: started afresh for the next request,
    // which first settles what this one left in the journal.
    Stop();
    if (!Stopping()) Start();
    return Unanswered(job.request, config_.id,
                      "The printer's process did not answer in time and was restarted.",
                      kIdNotAnswering, nullptr);
  }
  {
    std::lock_guard lock(mutex_);
    info_["online"] = answer.value("online", false);
    // A printer first reached after the start is known from then on.
    for (const char* field : {"device_type", "device_name"}) {
      if (answer.contains(field) && !answer[field].is_null()) info_[field] = answer[field];
    }
    stopped_ = answer.value("stopped", false);
  }
  return {answer["status"].get<int>(), answer["body"]};
}

}  // namespace sigra::service
