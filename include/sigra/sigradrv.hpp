// Sigra fiscal printer driver: the C++ interface.
//
// The functions of sigradrv.h, plus the twins without the "p" prefix, which take
// and return std::string holding Windows-1250 bytes. They have C linkage and
// undecorated names like the rest; use them only from C++ built with the same
// standard library as the driver.
#ifndef SIGRA_SIGRADRV_HPP
#define SIGRA_SIGRADRV_HPP

#include <string>

#include "sigra/sigradrv.h"

extern "C" {

SIGRA_API int32_t SIGRA_CALL ErrMessage(int32_t Code, std::string& Text);
SIGRA_API int32_t SIGRA_CALL DeviceName(std::string& Text);

}  // extern "C"

#endif
