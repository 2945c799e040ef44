// Events on Windows: kernel manual-reset events, waited for with
// WaitForMultipleObjects, which reports the lowest signalled index.
#include <vector>

#include "link/win32/windows_api.h"

namespace sigra::link::os {
namespace {

class Win32Event final : public Event {
 public:
  explicit Win32Event(HANDLE handle) : handle_(handle) {}
  ~Win32Event() override { ::CloseHandle(handle_); }
  Win32Event(const Win32Event&) = delete;
  Win32Event& operator=(const Win32Event&) = delete;

  bool Set() override { return ::SetEvent(handle_) != FALSE; }
  bool Reset() override { return ::ResetEvent(handle_) != FALSE; }
  bool IsSet() const override { return ::WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }
  HANDLE Native() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

HANDLE NativeEvent(const Event& event) {
  return static_cast<const Win32Event&>(event).Native();
}

std::unique_ptr<Event> CreateEvent(bool initiallySet) {
  HANDLE handle = ::CreateEventA(nullptr, TRUE, initiallySet ? TRUE : FALSE, nullptr);
  if (handle == nullptr) return nullptr;
  return std::make_unique<Win32Event>(handle);
}

int WaitForAny(std::initializer_list<const Event*> events, uint32_t timeoutMs) {
  std::vector<HANDLE> handles;
  handles.reserve(events.size());
  for (const Event* event : events) {
    if (event == nullptr) return kWaitFailed;
    handles.push_back(NativeEvent(*event));
  }
  const DWORD woken = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                               FALSE, timeoutMs);
  if (woken == WAIT_TIMEOUT) return kWaitTimeout;
  if (woken >= WAIT_OBJECT_0 && woken < WAIT_OBJECT_0 + handles.size()) {
    return static_cast<int>(woken - WAIT_OBJECT_0);
  }
  return kWaitFailed;
}

}  // namespace sigra::link::os
