// The answers every part of the service gives alike: errors as
// {"error":{"code":N,"id":"paper_out","message":"..."}} with the HTTP status
// of their class. The code is the driver's result code or the service's own;
// the id names the error in words a program can branch on, and never changes
// for an error once given.
#ifndef SIGRA_SIGRAD_ANSWERS_H
#define SIGRA_SIGRAD_ANSWERS_H

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace sigra::service {

// The service's own codes, beside the driver's result codes.
constexpr int32_t kCodeBadRequest = 400;
constexpr int32_t kCodeUnauthorized = 401;
constexpr int32_t kCodeForbidden = 403;
constexpr int32_t kCodeNotFound = 404;
constexpr int32_t kCodeMethodNotAllowed = 405;
constexpr int32_t kCodeConflict = 409;
constexpr int32_t kCodeTooLarge = 413;
constexpr int32_t kCodeUnsupportedType = 415;
constexpr int32_t kCodeMisdirected = 421;
constexpr int32_t kCodeKeyReused = 422;
constexpr int32_t kCodeBusy = 503;

// Ids of the errors a code alone does not tell apart.
inline constexpr const char* kIdQueueFull = "queue_full";
inline constexpr const char* kIdStopping = "service_stopping";
inline constexpr const char* kIdJournalLost = "journal_lost";
inline constexpr const char* kIdNotAnswering = "printer_process_not_answering";
inline constexpr const char* kIdInterrupted = "interrupted";
inline constexpr const char* kIdRateUndefined = "rate_undefined";
inline constexpr const char* kIdOtherPrinter = "other_printer";

// The HTTP status of a driver result: 503 when the printer cannot be reached
// (the port or the line, codes below 100), 422 when it or the driver refused
// (100 to 299), 500 for an error inside (999 and anything else).
int HttpStatusOf(int32_t code);

// The id of a code: "paper_out" for 109, "bad_request" for 400, ...
std::string ErrorId(int32_t code);

// An error with the id of its code, or the id given.
nlohmann::json ErrorBody(int32_t code, const std::string& message);
nlohmann::json ErrorBody(int32_t code, const std::string& message, const std::string& id);

// The error of a driver result, with its Polish text.
nlohmann::json DriverError(int32_t code);

}  // namespace sigra::service

#endif
