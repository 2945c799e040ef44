#include "sigrad/platform.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <thread>

namespace sigra::service {

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& trace) {
  int down[2];
  int up[2];
  if (pipe2(down, O_CLOEXEC) != 0) return false;
  if (pipe2(up, O_CLOEXEC) != 0) {
    close(down[0]);
    close(down[1]);
    return false;
  }
  std::vector<const char*> argv = {program.c_str()};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  const std::string traceVariable = "SIGRA_TRACE=" + trace;
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) {
    if (std::string_view(*e).rfind("SIGRA_TRACE=", 0) != 0) env.push_back(*e);
  }
  if (!trace.empty()) env.push_back(const_cast<char*>(traceVariable.c_str()));
  env.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // The printer's process dies with the service.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    dup2(down[0], 0);
    dup2(up[1], 1);
    execve(program.c_str(), const_cast<char* const*>(argv.data()), env.data());
    _exit(127);
  }
  close(down[0]);
  close(up[1]);
  if (pid < 0) {
    close(down[1]);
    close(up[0]);
    return false;
  }
  pid_ = pid;
  toChild_ = down[1];
  fromChild_ = up[0];
  return true;
}

bool ChildProcess::Running() const { return pid_ > 0; }

bool ChildProcess::Ended() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) != 0; }

bool ChildProcess::Write(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(toChild_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ChildProcess::Read(std::string& into, std::chrono::steady_clock::time_point deadline) {
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{fromChild_, POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char chunk[4096];
    const ssize_t n = read(fromChild_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    into.append(chunk, static_cast<size_t>(n));
    return true;
  }
}

void ChildProcess::Stop(std::chrono::milliseconds limit) {
  if (toChild_ >= 0) close(toChild_);
  toChild_ = -1;
  if (pid_ > 0) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  pid_ = -1;
  Kill();
}

void ChildProcess::Kill() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (toChild_ >= 0) close(toChild_);
  if (fromChild_ >= 0) close(fromChild_);
  pid_ = -1;
  toChild_ = -1;
  fromChild_ = -1;
}

namespace platform {

std::string ThisProgram() { return "/proc/self/exe"; }

std::string DefaultJournal() {
  // Under systemd with StateDirectory= (the packaged unit: /var/lib/sigra).
  if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state) {
    const std::string first(state, std::strcspn(state, ":"));
    return first + "/journal.db";
  }
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
    return std::string(state) + "/sigra/journal.db";
  }
  const char* home = std::getenv("HOME");
  return std::string(home ? home : ".") + "/.local/state/sigra/journal.db";
}

// Taken with flock, so that it is released when the process ends, however.
// The printers' processes do not inherit it.
std::string LockJournal(const std::string& journal) {
  const std::string path = journal + ".lock";
  std::error_code ignored;
  const std::filesystem::path folder = std::filesystem::path(journal).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return "the journal's lock " + path + " cannot be opened: " + std::strerror(errno);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK) {
      return "the journal " + journal + " is in use by another sigrad (its lock " + path +
             " is held)";
    }
    return "the journal's lock " + path + " cannot be taken: " + std::strerror(error);
  }
  // Kept open, so held, until the process ends.
  return "";
}

void WatchStopRequests(std::function<void()> stop) {
  signal(SIGPIPE, SIG_IGN);
  // A hangup (the terminal it was started from closing) does not stop a
  // receipt half printed; the printers' processes inherit this.
  signal(SIGHUP, SIG_IGN);
  // SIGTERM and SIGINT are taken by a thread of their own; every other
  // thread starts with them blocked.
  sigset_t stopping;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGTERM);
  sigaddset(&stopping, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
  std::thread([stopping, stop = std::move(stop)] {
    int signal = 0;
    sigwait(&stopping, &signal);
    stop();
  }).detach();
}

void ReportServing() {}

void ExitNow(int status) {
  std::fflush(stderr);
  _exit(status);
}

std::string TlsUnavailable() { return ""; }

std::array<unsigned char, 32> Sha256(std::string_view text) {
  std::array<unsigned char, 32> digest{};
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_sha256(), nullptr);
  return digest;
}

bool SameBytes(const void* a, const void* b, size_t size) {
  return CRYPTO_memcmp(a, b, size) == 0;
}

void PrepareWorkerPipes() {}

}  // namespace platform
}  // namespace sigra::service
