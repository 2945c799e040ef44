// sigrad.exe as a Windows service (`sigrad.exe --service`): started by the
// service manager, with its options from sigrad.conf and its log lines in
// sigrad.log, both in %ProgramData%\Sigra.
#ifndef SIGRA_SIGRAD_WIN32_SERVICE_H
#define SIGRA_SIGRAD_WIN32_SERVICE_H

#include <functional>
#include <string>
#include <vector>

namespace sigra::service {

// %ProgramData%\Sigra, without a trailing backslash.
std::string ProgramDataFolder();

// The configuration file's options as command-line arguments: one option a
// line, its value after the first blank ("--printer till1=COM3"); blank lines
// and lines starting with # are skipped. Empty on success, else why not.
std::string ReadConfiguration(const std::string& path, std::vector<std::string>& args);

// Runs `serve` (sigrad's own main, given the configuration's options) under
// the service manager; the process's exit status.
int RunService(std::function<int(std::vector<std::string>)> serve);

// For the platform layer: how the service manager's stop reaches the
// service, and the report that the service serves or has ended.
void SetStopRequest(std::function<void()> stop);
void ReportServing();
void ReportExit(int status);

}  // namespace sigra::service

#endif
