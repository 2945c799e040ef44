#include "protocol/feedback.h"

#include "link/text_1250.h"
#include "link/thread.h"

namespace sigra {
namespace {

ProgressTextHook g_progressText;
ProcessMessagesHook g_processMessages;

}  // namespace

void SetProgressTextHook(ProgressTextHook hook) {
  g_progressText = std::move(hook);
}
void SetProcessMessagesHook(ProcessMessagesHook hook) {
  g_processMessages = std::move(hook);
}

void ShowProgressText(const char* utf8) {
  if (g_progressText) g_progressText(Cp1250FromUtf8(utf8));
}

void Processmessages() {
  link::CheckSynchronize();
  if (g_processMessages) g_processMessages();
}

}  // namespace sigra
