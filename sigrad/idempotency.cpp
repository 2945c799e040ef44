#include "sigrad/idempotency.h"

#include <optional>

#include "sigrad/answers.h"
#include "sigrad/calls.h"
#include "sigrad/gate.h"

namespace sigra::service {
namespace {

constexpr size_t kKeyLength = 200;
// How often the journal forgets entries older than it keeps them.
constexpr auto kPurgeEvery = std::chrono::hours(1);

// The stored answer again.
void Replay(const Entry& entry, httplib::Response& res) {
  res.set_header("Idempotent-Replayed", "true");
  res.status = entry.httpStatus;
  res.set_content(entry.answer, "application/json");
}

}  // namespace

void Idempotency::Keyed(Printer& printer, const std::string& kind, const Value& canonical,
                        const std::string& bodyText, Json request, const httplib::Request& req,
                        httplib::Response& res) {
  const std::string key = req.get_header_value("Idempotency-Key");
  if (key.empty() || key.size() > kKeyLength) {
    SendError(res, 400, kCodeBadRequest,
              "The Idempotency-Key header is needed, 1 to 200 characters.");
    return;
  }
  const std::string& id = printer.Config().id;
  const std::string digest = Digest(kind + "\n" + Canonical(canonical));
  std::unique_lock lock(mutex_);
  std::optional<Entry> entry = journal_.Find(id, key);
  if (entry && entry->digest != digest) {
    SendError(res, 422, kCodeKeyReused, "The key was used for another request.");
    return;
  }
  if (entry && (running_.count({id, key}) || entry->state != "done")) {
    SendError(res, 409, kCodeConflict, "The request under this key is still running.");
    return;
  }
  if (entry && !entry->fiscalised) {
    // Unknown: asked of the printer again before it is answered.
    lock.unlock();
    if (!Ask(metrics_, printer, {{"op", "settle"}}, res)) return;
    lock.lock();
    entry = journal_.Find(id, key);
    if (!entry || entry->state != "done" || running_.count({id, key})) {
      SendError(res, 409, kCodeConflict, "The request under this key is still running.");
      return;
    }
  }
  if (entry && entry->fiscalised != false) {
    Replay(*entry, res);
    return;
  }
  journal_.Accept(id, key, kind, digest, bodyText);
  if (const auto now = std::chrono::steady_clock::now(); now - lastPurge_ > kPurgeEvery) {
    journal_.Purge(retentionDays_);
    lastPurge_ = now;
  }
  request["key"] = key;
  // Queued under the lock, so that a printer's requests keep their order.
  std::optional<std::future<Reply>> future = printer.Submit(request, kJobLimit);
  if (!future) {
    // Not queued: nothing was sent.
    Json body = QueueFullBody();
    body["key"] = key;
    body["printer"] = id;
    if (kind == "receipt") body["fiscalised"] = false;
    journal_.Done(id, key, false, 503, body.dump());
    QueueFull(res, body);
    return;
  }
  running_.insert({id, key});
  lock.unlock();
  const Reply reply = Wait(metrics_, printer, *future);
  lock.lock();
  running_.erase({id, key});
  lock.unlock();
  if (kind == "receipt" && reply.body.contains("fiscalised")) {
    metrics_.Outcome(id, reply.body["fiscalised"]);
  }
  Send(res, reply.status, reply.body);
}

}  // namespace sigra::service
