// The commands a tester gives a running printer to change its condition, one
// line each, for example "paper out" in the middle of a receipt and "paper in"
// once the driver has reported it. Each line is answered by one line: "ok",
// "ok" and what was asked for, or "error: " and why.
//
//   paper out | paper in          the paper runs out / is loaded again
//   paper out-after POLLS         the paper runs out after POLLS status polls
//                                 of the printouts to come (the next receipt's
//                                 printout stopped in its middle); "paper in"
//                                 loads it again
//   head up | head down           the print head is raised / lowered again
//   drawer open | drawer closed   the cash drawer
//   power off | power on          the printer is switched off (it answers
//                                 nothing) / on again
//   controller lost | controller back
//                                 the printing mechanism's controller stops
//                                 answering the fiscal module / answers again
//   failure on | failure off      a printer failure
//   cut POINT [MS]                the printer loses power at POINT of the next
//                                 receipt closing: before-end (as the receipt
//                                 end arrives), after-ack (once it is
//                                 acknowledged, before printing) or printing
//                                 (during the printout); it comes back after
//                                 MS milliseconds, or with "power on". A
//                                 receipt left open is cancelled on power-up.
//   status                        "ok" and status bytes 1 to 8 in hex
//   help                          the list of commands
#ifndef SIGRA_EMULATOR_CONTROL_CHANNEL_H
#define SIGRA_EMULATOR_CONTROL_CHANNEL_H

#include <string>
#include <string_view>

#include "emulator/emulator.h"

namespace sigra::emu {

class ControlChannel {
 public:
  explicit ControlChannel(Emulator& emulator) : emulator_(emulator) {}

  // Carries out one line and gives the reply, without its line feed.
  std::string Execute(std::string_view line);

 private:
  // Paper and head both stop the printout; either keeps it stopped.
  void UpdatePaper();

  Emulator& emulator_;
  bool paperOut_ = false;
  bool headUp_ = false;
};

}  // namespace sigra::emu

#endif
