// The Polish texts of the driver's result codes.
#ifndef SIGRA_PROTOCOL_RESULT_CODES_H
#define SIGRA_PROTOCOL_RESULT_CODES_H

#include <cstdint>
#include <string>

namespace sigra {

// The Windows-1250 text of a result code: empty for 0 (success), a fixed text for
// each code the driver knows, and a common text for any other code, negative
// codes and system error codes included. The reference stays valid for the
// lifetime of the program.
const std::string& ResultText(int32_t code);

}  // namespace sigra

#endif
