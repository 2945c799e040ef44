#include "app/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <vector>

namespace sigra::app {
namespace {

QtMessageBoxes g_qtBoxes;
MessageBoxes* g_installed = nullptr;

QMessageBox::Icon IconOf(uint32_t flags) {
  switch (flags & 0xF0) {
    case kMbIconStop:
      return QMessageBox::Critical;
    case kMbIconQuestion:
      return QMessageBox::Question;
    case kMbIconExclamation:
      return QMessageBox::Warning;
    case kMbIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

std::vector<QMessageBox::StandardButton> ButtonsOf(uint32_t flags) {
  switch (flags & 0x0F) {
    case kMbOkCancel:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case kMbYesNoCancel:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case kMbYesNo:
      return {QMessageBox::Yes, QMessageBox::No};
    default:
      return {QMessageBox::Ok};
  }
}

int AnswerOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok:
      return kIdOk;
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    default:
      return kIdCancel;
  }
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(const QString& text, const QString& caption,
                                             uint32_t flags) {
  auto box = std::make_unique<QMessageBox>();
  box->setWindowModality(Qt::ApplicationModal);
  box->setWindowTitle(caption);
  box->setTextFormat(Qt::PlainText);
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QChar('\r'), QChar('\n'));
  box->setText(shown);
  box->setIcon(IconOf(flags));
  const std::vector<QMessageBox::StandardButton> buttons = ButtonsOf(flags);
  for (QMessageBox::StandardButton b : buttons) box->addButton(b);
  size_t defaultIndex = (flags & kMbDefButton3) ? 2 : (flags & kMbDefButton2) ? 1 : 0;
  if (defaultIndex >= buttons.size()) defaultIndex = 0;
  box->setDefaultButton(buttons[defaultIndex]);
  return box;
}

int QtMessageBoxes::MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) {
  std::unique_ptr<QMessageBox> box = BuildMessageBox(text, caption, flags);
  box->exec();
  QAbstractButton* clicked = box->clickedButton();
  return clicked ? AnswerOf(box->standardButton(clicked)) : kIdCancel;
}

MessageBoxes& Messages() {
  return g_installed ? *g_installed : g_qtBoxes;
}

void SetMessageBoxes(MessageBoxes* boxes) {
  g_installed = boxes;
}

}  // namespace sigra::app
