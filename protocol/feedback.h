// Operator feedback the driver gives while it works: a progress text and a
// turn of the message loop between status readings. A program that uses the
// driver alone sees no effect; the operator application sets both hooks.
#ifndef SIGRA_PROTOCOL_FEEDBACK_H
#define SIGRA_PROTOCOL_FEEDBACK_H

#include <functional>
#include <string>

namespace sigra {

// Text in Windows-1250.
using ProgressTextHook = std::function<void(const std::string& text)>;
using ProcessMessagesHook = std::function<void()>;

void SetProgressTextHook(ProgressTextHook hook);
void SetProcessMessagesHook(ProcessMessagesHook hook);

// Shows a progress text given as UTF-8 source text.
void ShowProgressText(const char* utf8);
// Serves calls the port threads hand to this thread, then runs the
// application's message processing once.
void Processmessages();

}  // namespace sigra

#endif
