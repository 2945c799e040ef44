// Every message of the operator program goes through one interface shaped like
// the Windows call it stands for: a text, a caption and the style flags in,
// the button pressed out. The Qt implementation shows a task-modal box with
// the icon, buttons and default button the flags ask for; tests install a
// scripted one.
#ifndef SIGRA_APP_MESSAGE_BOX_H
#define SIGRA_APP_MESSAGE_BOX_H

#include <QString>
#include <cstdint>
#include <memory>

class QMessageBox;

namespace sigra::app {

// Style flags.
inline constexpr uint32_t kMbOk = 0x0000;
inline constexpr uint32_t kMbOkCancel = 0x0001;
inline constexpr uint32_t kMbYesNoCancel = 0x0003;
inline constexpr uint32_t kMbYesNo = 0x0004;
inline constexpr uint32_t kMbIconStop = 0x0010;
inline constexpr uint32_t kMbIconQuestion = 0x0020;
inline constexpr uint32_t kMbIconExclamation = 0x0030;
inline constexpr uint32_t kMbIconInformation = 0x0040;
inline constexpr uint32_t kMbDefButton2 = 0x0100;
inline constexpr uint32_t kMbDefButton3 = 0x0200;
inline constexpr uint32_t kMbTaskModal = 0x2000;

// The styles in use.
inline constexpr uint32_t kErrorStyle = kMbTaskModal | kMbIconStop | kMbOk;             // 0x2010
inline constexpr uint32_t kFaultQuestionStyle = kMbTaskModal | kMbIconStop | kMbYesNo;  // 0x2014
inline constexpr uint32_t kQuestionStyle = kMbTaskModal | kMbIconQuestion | kMbYesNo;   // 0x2024
inline constexpr uint32_t kPaperQuestionStyle =
    kMbTaskModal | kMbIconExclamation | kMbYesNo;                                         // 0x2034
inline constexpr uint32_t kWarningStyle = kMbTaskModal | kMbIconExclamation | kMbOk;      // 0x2030
inline constexpr uint32_t kInformationStyle = kMbTaskModal | kMbIconInformation | kMbOk;  // 0x2040

// Answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the message and returns the button pressed (kIdYes for Yes).
  virtual int MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) = 0;
};

// The message boxes on the screen.
class QtMessageBoxes : public MessageBoxes {
 public:
  int MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) override;
};

// The box the Qt implementation shows for these arguments, not yet shown. Line
// breaks of the message ("\r\n" or a lone "\r") become new lines.
std::unique_ptr<QMessageBox> BuildMessageBox(const QString& text, const QString& caption,
                                             uint32_t flags);

// The implementation in use: the Qt one unless another was installed.
MessageBoxes& Messages();
// Installs another implementation (not owned); nullptr restores the Qt one.
void SetMessageBoxes(MessageBoxes* boxes);

}  // namespace sigra::app

#endif
