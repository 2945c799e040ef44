// The process that drives one printer. The driver's connection state is
// process-wide, so each printer has a process of its own: the service starts
// it as `sigrad --worker ...` with a pipe on its standard input and output,
// sends one request a line (JSON) and reads one answer a line:
//   -> {"op":"receipt","key":"...","body":"..."}
//   <- {"status":201,"body":{...},"online":true}
// Its first line says it is ready, after it has settled the journal entries
// of its printer that a killed service left unfinished:
//   <- {"ready":true,"online":true,"device_type":7,"device_name":"VELMO LUNO"}
// A journal it cannot write ends it with {"fatal":"..."}.
#ifndef SIGRA_SIGRAD_WORKER_H
#define SIGRA_SIGRAD_WORKER_H

#include <cstdint>
#include <string>

namespace sigra::service {

struct WorkerOptions {
  std::string printer;
  int32_t port = 1;
  int32_t speed = 9600;
  std::string journal;
};

// Serves requests until its input ends; the process's exit status.
int WorkerMain(const WorkerOptions& options);

}  // namespace sigra::service

#endif
