// Entry point of the driver DLL. When the process ends while a port is still
// open (the program never called CommunicationEnd or ClosePort), the system
// has already ended the port threads before it notifies the DLL; closing the
// port object then would wait for threads that can never report their end,
// and the process would not exit. The port object is left to the system,
// which releases its handles with the process.
#include "link/comm.h"
#include "link/win32/windows_api.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) {
    static_cast<void>(sigra::link::PortObject.release());
  }
  return TRUE;
}
