// Reads through single command sequences on the open port, for a printer
// that answers but does not let a connection open: one without paper, with
// its head raised or its printout stopped, or reporting a failure. Its
// counters and status bytes still tell what it did and why it stands.
#ifndef SIGRA_SIGRAD_RAW_READS_H
#define SIGRA_SIGRAD_RAW_READS_H

#include <cstdint>
#include <string>

namespace sigra::service::raw {

// The receipt counter, or with `receipt` false the daily report counter, as
// the driver reads them; `luno` when the printer is a Luno or a Luno F,
// whose receipt counter is asked again with a longer answer when it reads 0.
int32_t Counter(bool receipt, bool luno, int32_t& counter);

// Whether the printer is a Luno or a Luno F, asked with the device-type and
// model queries.
int32_t IsLuno(bool& luno);

// Status byte 3: paper, the printout and its stop, failures.
int32_t Status3(uint8_t& byte);

// The resume command: a printout stopped for lack of paper goes on, once
// paper is back.
int32_t ResumePrintout();

// The printer's unique number, which tells one printer from another on the
// same port; empty from a model that does not know the query.
int32_t UniqueNumber(std::string& number);

}  // namespace sigra::service::raw

#endif
