// The Windows headers as the link layer's own Windows sources use them. The
// headers map CreateEvent, CreateFile and QueryDosDevice to their ANSI or
// wide variants by macro, which would rename the link layer's functions of
// the same names; the macros are dropped and the ANSI calls made by name.
#ifndef SIGRA_LINK_WIN32_WINDOWS_API_H
#define SIGRA_LINK_WIN32_WINDOWS_API_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef CreateEvent
#undef CreateFile
#undef QueryDosDevice

#include "link/os_event.h"

namespace sigra::link::os {

// The kernel event behind an Event made by CreateEvent, for waits that mix it
// with other kernel objects.
HANDLE NativeEvent(const Event& event);

}  // namespace sigra::link::os

#endif
