// Carries control-channel lines to a running printer from standard input or
// from a Unix socket, on a thread of its own, until it is destroyed.
//
// With standard input, replies go to `reply` (the program's standard output,
// shared with the journal). With a socket, clients connect one after another
// (for example `socat - UNIX-CONNECT:PATH` or `nc -U PATH`) and get each reply
// on their connection; the socket file is removed again at the end.
#ifndef SIGRA_EMULATOR_CONTROL_SERVER_H
#define SIGRA_EMULATOR_CONTROL_SERVER_H

#include <functional>
#include <string>
#include <thread>

#include "emulator/control_channel.h"

namespace sigra::emu {

class ControlServer {
 public:
  // `where` is "-" for standard input or the path of the socket to create.
  // std::system_error when the socket cannot be made.
  ControlServer(ControlChannel& channel, const std::string& where,
                std::function<void(const std::string&)> reply);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

 private:
  void Run();
  // Serves the lines of `fd` until its end or the stop; replies through
  // `answer`.
  void Serve(int fd, const std::function<void(const std::string&)>& answer);
  // Waits until `fd` can be read; false once the server stops.
  bool Wait(int fd);

  ControlChannel& channel_;
  std::function<void(const std::string&)> reply_;
  std::string socketPath_;
  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace sigra::emu

#endif
