#include "protocol/operator_port.h"

namespace sigra {

OperatorPortSettings OperatorPort;

}  // namespace sigra
