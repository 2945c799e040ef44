#include "sigrad/win32/service.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <sddl.h>
#include <shlobj.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

namespace sigra::service {
namespace {

constexpr const char* kDefaultName = "Sigra";
// The log is kept below this size: the full file is renamed sigrad.log.1
// (replacing the one before) and a new one begun.
constexpr std::streamoff kLogLimit = 4 << 20;
// How long each step of a start or a stop may take before the next report.
constexpr DWORD kStartHint = 15000;
constexpr DWORD kStopHint = 30000;

std::mutex g_mutex;
std::function<void()> g_stop;
std::function<int(std::vector<std::string>)> g_serve;
SERVICE_STATUS_HANDLE g_status = nullptr;
SERVICE_STATUS g_state{};
std::string g_name = kDefaultName;
// Said last by the service on its log: the reason of a failed start.
std::string g_lastLine;

void Report(DWORD state, DWORD exitStatus = 0) {
  std::lock_guard lock(g_mutex);
  if (!g_status || g_state.dwCurrentState == SERVICE_STOPPED) return;
  g_state.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  g_state.dwCurrentState = state;
  g_state.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  g_state.dwWin32ExitCode = exitStatus == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
  g_state.dwServiceSpecificExitCode = exitStatus;
  const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
  g_state.dwCheckPoint = pending ? g_state.dwCheckPoint + 1 : 0;
  g_state.dwWaitHint = state == SERVICE_START_PENDING ? kStartHint
                       : state == SERVICE_STOP_PENDING ? kStopHint
                                                       : 0;
  SetServiceStatus(g_status, &g_state);
}

DWORD CurrentState() {
  std::lock_guard lock(g_mutex);
  return g_state.dwCurrentState;
}

// While a start or a stop takes long (printers settling, a receipt ending),
// the service manager hears that it goes on.
void KeepReporting(DWORD state) {
  std::thread([state] {
    while (CurrentState() == state) {
      Sleep(kStartHint / 3);
      if (CurrentState() == state) Report(state);
    }
  }).detach();
}

void EventLog(WORD type, const std::string& text) {
  HANDLE source = RegisterEventSourceA(nullptr, g_name.c_str());
  if (!source) return;
  const char* strings[] = {text.c_str()};
  ReportEventA(source, type, 0, 1, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
}

// Everything the service and its printers' processes write to standard
// error goes through a pipe into the log file, a line at a time, each with
// its time.
void LogTo(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) return;
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  SetStdHandle(STD_ERROR_HANDLE, write);
  // A service starts without standard handles, so the C library's stderr has
  // no descriptor (-2), which freopen refuses (Wine's does): descriptor 2 is
  // made the pipe, and stderr given it.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(write), _O_WRONLY | _O_BINARY);
  _dup2(fd, 2);
  if (fd != 2) _close(fd);
  stderr->_file = 2;
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  std::thread([read, path] {
    std::string pending;
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(read, chunk, sizeof chunk, &n, nullptr) && n > 0) {
      pending.append(chunk, n);
      size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        {
          std::lock_guard lock(g_mutex);
          g_lastLine = line;
        }
        std::ofstream log(path, std::ios::app | std::ios::binary);
        if (log.tellp() >= kLogLimit) {
          log.close();
          MoveFileExA(path.c_str(), (path + ".1").c_str(), MOVEFILE_REPLACE_EXISTING);
          log.open(path, std::ios::app | std::ios::binary);
        }
        SYSTEMTIME now;
        GetLocalTime(&now);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear,
                      now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
        log << stamp << line << "\r\n";
      }
    }
  }).detach();
}

// The installer leaves the printer a shop gave it (msiexec ... PRINTER=COM3
// SPEED=9600) in the registry; the configuration is written from it when
// there is none yet, so that a file an administrator edited stays as it is.
void WriteFirstConfiguration(const std::string& conf) {
  if (GetFileAttributesA(conf.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  auto value = [](const char* name) {
    char text[64];
    DWORD size = sizeof text;
    return RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Sigra", name, RRF_RT_REG_SZ, nullptr,
                        text, &size) == ERROR_SUCCESS
               ? std::string(text)
               : std::string();
  };
  const std::string printer = value("Printer");
  if (printer.empty()) return;
  const std::string speed = value("Speed");
  std::ofstream file(conf, std::ios::binary);
  file << "# The options of the Sigra service (sigrad), one per line; sigrad --help\r\n"
          "# lists them. Written at the first start from the installer's PRINTER\r\n"
          "# and SPEED.\r\n"
       << "--printer till1=" << printer << (speed.empty() ? "" : ":" + speed) << "\r\n";
  std::fprintf(stderr, "sigrad: wrote %s for the printer on %s\n", conf.c_str(), printer.c_str());
}

// A crash (an exit the service did not report) is followed by a start again:
// after 5 s, then after 30 s; the count begins again after a day.
void RestartAfterCrash() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return;
  SC_HANDLE service = OpenServiceA(manager, g_name.c_str(), SERVICE_CHANGE_CONFIG | SERVICE_START);
  if (service) {
    SC_ACTION actions[] = {{SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 30000}};
    SERVICE_FAILURE_ACTIONSA failure{};
    failure.dwResetPeriod = 24 * 60 * 60;
    failure.cActions = 2;
    failure.lpsaActions = actions;
    ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
  if (control != SERVICE_CONTROL_STOP && control != SERVICE_CONTROL_SHUTDOWN) {
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
  if (CurrentState() != SERVICE_RUNNING) return NO_ERROR;
  Report(SERVICE_STOP_PENDING);
  KeepReporting(SERVICE_STOP_PENDING);
  std::function<void()> stop;
  {
    std::lock_guard lock(g_mutex);
    stop = g_stop;
  }
  // The stop itself runs on a thread of its own: the manager waits for this
  // answer.
  if (stop) std::thread(stop).detach();
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD argc, char** argv) {
  if (argc > 0 && argv[0] && *argv[0]) g_name = argv[0];
  g_status = RegisterServiceCtrlHandlerExA(g_name.c_str(), Control, nullptr);
  if (!g_status) return;
  Report(SERVICE_START_PENDING);
  KeepReporting(SERVICE_START_PENDING);
  const std::string folder = ProgramDataFolder();
  LogTo(folder + "\\sigrad.log");
  RestartAfterCrash();
  std::vector<std::string> args;
  const std::string conf = folder + "\\sigrad.conf";
  WriteFirstConfiguration(conf);
  int status = 2;
  if (std::string error = ReadConfiguration(conf, args); !error.empty()) {
    std::fprintf(stderr, "sigrad: %s\n", error.c_str());
    EventLog(EVENTLOG_ERROR_TYPE, "The Sigra service did not start: " + error + ".");
  } else {
    std::fprintf(stderr, "sigrad: started by the service manager, options from %s\n",
                 conf.c_str());
    status = g_serve(args);
    if (status != 0 && CurrentState() == SERVICE_START_PENDING) {
      Sleep(100);  // the reason's line through the log's pipe
      std::string reason;
      {
        std::lock_guard lock(g_mutex);
        reason = g_lastLine;
      }
      EventLog(EVENTLOG_ERROR_TYPE, "The Sigra service did not start (options from " + conf +
                                        "): " + reason);
    }
  }
  ReportExit(status);
}

}  // namespace

std::string ProgramDataFolder() {
  // The shell's answer, not the environment's: a service's environment may
  // name another folder (Wine's gives C:\users\Public).
  char data[MAX_PATH];
  const std::string folder =
      SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data) == S_OK
          ? std::string(data) + "\\Sigra"
          : "C:\\ProgramData\\Sigra";
  // The service's account may write it, other users only read it. The
  // folder made here gets that (and hands it to its files); one made before,
  // by an administrator, is kept as it is.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorA(
          "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;LS)(A;OICI;FRFX;;;BU)",
          SDDL_REVISION_1, &descriptor, nullptr)) {
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    CreateDirectoryA(folder.c_str(), &attributes);
    LocalFree(descriptor);
  }
  return folder;
}

std::string ReadConfiguration(const std::string& path, std::vector<std::string>& args) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "its configuration " + path + " cannot be read";
  std::string line;
  const char* blanks = " \t\r";
  while (std::getline(file, line)) {
    // A UTF-8 byte order mark, as Notepad may write.
    if (args.empty() && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    const size_t begin = line.find_first_not_of(blanks);
    if (begin == std::string::npos || line[begin] == '#') continue;
    line = line.substr(begin, line.find_last_not_of(blanks) + 1 - begin);
    const size_t blank = line.find_first_of(blanks);
    args.push_back(line.substr(0, blank));
    if (blank != std::string::npos) args.push_back(line.substr(line.find_first_not_of(blanks, blank)));
  }
  return "";
}

int RunService(std::function<int(std::vector<std::string>)> serve) {
  g_serve = std::move(serve);
  SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(kDefaultName), ServiceMain},
                                  {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherA(table)) {
    std::fprintf(stderr,
                 "sigrad: --service is for the service manager, which starts it"
                 " (sc start %s); in a console run sigrad --printer ...\n",
                 kDefaultName);
    return 2;
  }
  return static_cast<int>(g_state.dwServiceSpecificExitCode);
}

void SetStopRequest(std::function<void()> stop) {
  std::lock_guard lock(g_mutex);
  g_stop = std::move(stop);
}

void ReportServing() { Report(SERVICE_RUNNING); }

void ReportExit(int status) { Report(SERVICE_STOPPED, static_cast<DWORD>(status)); }

}  // namespace sigra::service
