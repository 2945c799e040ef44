// "Never twice": a receipt or a daily report under its Idempotency-Key goes
// to the printer at most once, its answer kept in the journal. For a key
//   missing or over 200 characters     400
//   used before for another body       422 (the digest of the kind and the
//                                      canonical body differs)
//   whose request still runs           409 (also while its entry is not done)
//   done, outcome not known            the printer's process settles it from
//                                      the printer's counter first
//   done and fiscalised (a report:     the stored answer again, with
//   done)                              Idempotent-Replayed: true
//   done and not fiscalised, or new    journalled as accepted before a byte is
//                                      sent, then queued; a full queue stores
//                                      it done, not fiscalised, and says 503
// Requests are queued under one lock, so that a printer's keep their order.
#ifndef SIGRA_SIGRAD_IDEMPOTENCY_H
#define SIGRA_SIGRAD_IDEMPOTENCY_H

#include <httplib.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "sigrad/body.h"
#include "sigrad/journal.h"
#include "sigrad/metrics.h"
#include "sigrad/printers.h"

namespace sigra::service {

class Idempotency {
 public:
  Idempotency(Journal& journal, Metrics& metrics, int retentionDays)
      : journal_(journal), metrics_(metrics), retentionDays_(retentionDays) {}

  // Runs `request` on the printer under the request's Idempotency-Key, or
  // answers from the journal. `kind` is "receipt" or "daily_report",
  // `canonical` the body the key's digest is taken of, `bodyText` the body
  // as journalled.
  void Keyed(Printer& printer, const std::string& kind, const Value& canonical,
             const std::string& bodyText, Json request, const httplib::Request& req,
             httplib::Response& res);

  // For a body the service refuses today: when the request's key was sold
  // (or its outcome is not known) under this very body, perhaps by an
  // earlier sigrad with other rules, its stored answer, so that a till
  // retrying learns the sale was made. True when it answered.
  bool ReplayDone(Printer& printer, const std::string& kind, const Value& canonical,
                  const httplib::Request& req, httplib::Response& res);

  // Where a key's request is, as GET .../receipts/KEY tells it: "queued",
  // "running" or "done".
  std::string Phase(Printer& printer, const Entry& entry);

  // At start, before any printer's process: entries a stopped or killed
  // service left accepted, of which nothing was sent, are done, not
  // fiscalised.
  void ForgetAccepted();

 private:
  // Stores `entry`, still accepted though its request has ended, as done and
  // not fiscalised: nothing of it was sent.
  Json NotSent(const Entry& entry, int status, Json body);

  Journal& journal_;
  Metrics& metrics_;
  const int retentionDays_;
  std::mutex mutex_;
  // The keys whose request is with the printer's process: (printer, key).
  std::set<std::pair<std::string, std::string>> running_;
  std::chrono::steady_clock::time_point lastPurge_ = std::chrono::steady_clock::now();
  // The journal was found deleted or replaced (said once on standard error).
  bool journalLost_ = false;
};

}  // namespace sigra::service

#endif
