// The kernel's count of context switches of each thread of this process: a
// thread that blocks switches away voluntarily, so the voluntary count tells
// how often it slept and was woken. Used by the benchmarks and by the tests
// that check a wait wakes nobody before its time.
#ifndef SIGRA_BENCH_THREAD_SWITCHES_H
#define SIGRA_BENCH_THREAD_SWITCHES_H

#include <dirent.h>

#include <fstream>
#include <map>
#include <string>

namespace sigra::bench {

struct Switches {
  long voluntary = 0;
  long involuntary = 0;
};

inline long StatusField(const std::string& path, const std::string& field) {
  std::ifstream status(path);
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return 0;
}

// By thread id.
inline std::map<int, Switches> ThreadSwitches() {
  std::map<int, Switches> result;
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return result;
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    const std::string path = std::string("/proc/self/task/") + entry->d_name + "/status";
    result[std::stoi(entry->d_name)] = {StatusField(path, "voluntary_ctxt_switches"),
                                        StatusField(path, "nonvoluntary_ctxt_switches")};
  }
  closedir(tasks);
  return result;
}

// Voluntary switches of all threads of this process together.
inline long VoluntarySwitches() {
  long total = 0;
  for (const auto& [tid, switches] : ThreadSwitches()) total += switches.voluntary;
  return total;
}

}  // namespace sigra::bench

#endif
