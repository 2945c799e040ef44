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

 private:
  Journal& journal_;
  Metrics& metrics_;
  const int retentionDays_;
  std::mutex mutex_;
  // The keys whose request is with the printer's process: (printer, key).
  std::set<std::pair<std::string, std::string>> running_;
  std::chrono::steady_clock::time_point lastPurge_ = std::chrono::steady_clock::now();
};

}  // namespace sigra::service

#endif
