// Operator feedback: the progress text in the main window, one turn of the
// message loop, the error beep, the busy cursor and the messages. Everything
// here runs on the user-interface thread and acts on the main window when
// there is one.
#ifndef SIGRA_APP_FEEDBACK_H
#define SIGRA_APP_FEEDBACK_H

#include <QString>
#include <cstdint>

namespace sigra::app {

// Shows a text centred above the status bar; an empty text removes it.
void ShowProgressText(const QString& text);
void HideProgressText();
// Processes the window messages pending for the application once.
void Processmessages();
// A tone of 1000 Hz for 50 ms where the machine has a speaker we may drive;
// silent otherwise.
void ErrorBeep();

// The main window's cursor while a command works with the printer, and after.
void SetBusyCursor();
void SetArrowCursor();

// Lets the driver show its progress texts and turn the message loop through
// this layer.
void ConnectDriverFeedback();

// Text of a result code for the operator.
QString ResultCodeText(int32_t code);
// The result-code report: ErrorBeep, HideProgressText, then the code's text
// in an error box.
void ReportResultCode(int32_t code);

// Message boxes in the styles of the program.
int ShowMessage(const QString& text, const QString& caption, uint32_t flags);
void ShowError(const QString& text);  // caption "Błąd", error style

}  // namespace sigra::app

#endif
