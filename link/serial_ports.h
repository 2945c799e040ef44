// Why a COM port does not open, told the same way on every system.
#ifndef SIGRA_LINK_SERIAL_PORTS_H
#define SIGRA_LINK_SERIAL_PORTS_H

#include <chrono>
#include <string>

namespace sigra::link::ports {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 255;

// How long numbering a new adapter waits at most for another program that is
// numbering one, unless the call says otherwise.
inline constexpr std::chrono::milliseconds kDefaultTableWait{5000};

// Why port n does not open, for the person who asked for it.
struct OpenProblem {
  // The device tried.
  std::string device;
  // The system's code for the failed opening (errno on Linux, GetLastError
  // on Windows); 0 when the port opens.
  int error = 0;
  // For lack of rights: the group that may open the device (empty when none
  // but root's may), whether the user is a member of it in the group
  // database (then only this session lacks it), and the user's name.
  std::string group;
  bool userInGroup = false;
  std::string user;
  // The port table could not be used (read, parsed or locked): the file and
  // why; then no device was tried, none being sure to be port n.
  std::string table;
};
OpenProblem TryOpen(int n, std::chrono::milliseconds wait = kDefaultTableWait);
// Whether the opening failed for lack of rights. Never on Windows, where any
// user may open a COM port and a refusal means another program holds it.
bool LacksRights(const OpenProblem& problem);
// The system's reason, and for missing rights what to do about them (join
// the device's group, log in again): the one text every program gives.
std::string ProblemText(const OpenProblem& problem);

}  // namespace sigra::link::ports

#endif
