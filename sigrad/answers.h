// The answers every part of the service gives alike: errors as
// {"error":{"code":N,"message":"..."}} with the HTTP status of their class.
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
constexpr int32_t kCodeConflict = 409;
constexpr int32_t kCodeTooLarge = 413;
constexpr int32_t kCodeUnsupportedType = 415;
constexpr int32_t kCodeMisdirected = 421;
constexpr int32_t kCodeKeyReused = 422;
constexpr int32_t kCodeBusy = 503;

// The HTTP status of a driver result: 503 when the printer cannot be reached
// (the port or the line, codes below 100), 422 when it or the driver refused
// (100 to 299), 500 for an error inside (999 and anything else).
int HttpStatusOf(int32_t code);

nlohmann::json ErrorBody(int32_t code, const std::string& message);

// The error of a driver result, with its Polish text.
nlohmann::json DriverError(int32_t code);

}  // namespace sigra::service

#endif
