#include "sigrad/idempotency.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "sigrad/answers.h"
#include "sigrad/calls.h"
#include "sigrad/gate.h"

namespace sigra::service {
namespace {

constexpr size_t kKeyLength = 200;
// How often the journal forgets entries older than it keeps them.
constexpr auto kPurgeEvery = std::chrono::hours(1);

// Where a key's outcome is found: GET /v1/printers/ID/receipts/KEY. The
// HTTP library decodes the path once and the route once more (a header's
// escapes are read too), so a '%' of the key is written encoded twice.
std::string OutcomePath(const std::string& printer, const std::string& key) {
  std::string path = "/v1/printers/" + printer + "/receipts/";
  for (const char c : key) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~') {
      path += c;
    } else if (c == '%') {
      path += "%2525";
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      path += escaped;
    }
  }
  return path;
}

// A receipt or report made: where its outcome is kept.
void SetLocation(httplib::Response& res, const std::string& printer, const std::string& key) {
  if (res.status == 201) res.set_header("Location", OutcomePath(printer, key));
}

// The stored answer again.
void Replay(const Entry& entry, httplib::Response& res) {
  res.set_header("Idempotent-Replayed", "true");
  res.status = entry.httpStatus;
  SetRetryAfter(res, res.status);
  SetLocation(res, entry.printer, entry.key);
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
  if (!journal_.Intact()) {
    // Written into a file no longer at its path, or into a new one, the
    // sale could be forgotten and sold again: nothing is sold until the
    // journal is put back or the service is restarted on a journal. (What
    // was done is still answered above, from the file as it was opened.)
    const std::string message = "The journal " + journal_.Path() +
                                " was deleted or replaced while the service ran; nothing is "
                                "sold until it is back or the service is restarted.";
    if (!journalLost_) std::fprintf(stderr, "sigrad: %s\n", message.c_str());
    journalLost_ = true;
    Json body = ErrorBody(kCodeBusy, message, kIdJournalLost);
    if (kind == "receipt") body["fiscalised"] = false;
    Send(res, 503, body);
    return;
  }
  journalLost_ = false;
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
  Reply reply = Wait(metrics_, printer, *future);
  lock.lock();
  running_.erase({id, key});
  // Answered without the printer's process taking it up (the service
  // stopping, the process dead before it began): nothing was sent.
  if (entry = journal_.Find(id, key); entry && entry->state == "accepted") {
    reply.body = NotSent(*entry, reply.status, reply.body);
  }
  lock.unlock();
  if (kind == "receipt" && reply.body.contains("fiscalised")) {
    metrics_.Outcome(id, reply.body["fiscalised"]);
  }
  Send(res, reply.status, reply.body);
  SetLocation(res, id, key);
}

Json Idempotency::NotSent(const Entry& entry, int status, Json body) {
  body["key"] = entry.key;
  body["printer"] = entry.printer;
  if (entry.kind == "receipt") body["fiscalised"] = false;
  journal_.Done(entry.printer, entry.key, false, status, body.dump());
  return body;
}

bool Idempotency::ReplayDone(Printer& printer, const std::string& kind, const Value& canonical,
                             const httplib::Request& req, httplib::Response& res) {
  const std::string key = req.get_header_value("Idempotency-Key");
  if (key.empty()) return false;
  std::lock_guard lock(mutex_);
  const std::optional<Entry> entry = journal_.Find(printer.Config().id, key);
  if (!entry || entry->state != "done" || entry->fiscalised == false ||
      entry->digest != Digest(kind + "\n" + Canonical(canonical))) {
    return false;
  }
  Replay(*entry, res);
  return true;
}

void Idempotency::ForgetAccepted() {
  std::lock_guard lock(mutex_);
  for (const Entry& entry : journal_.Accepted()) {
    NotSent(entry, 503,
            ErrorBody(kCodeBusy, "The service stopped before the sale began; nothing was sent.",
                      kIdInterrupted));
  }
}

std::string Idempotency::Phase(Printer& printer, const Entry& entry) {
  if (entry.state == "done") return "done";
  if (entry.state != "accepted" || printer.Begun(entry.key)) return "running";
  return "queued";
}

}  // namespace sigra::service
