#include "app/feedback.h"

#include <QApplication>
#include <QCursor>

#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "app/startup.h"
#include "link/text_1250.h"
#include "protocol/feedback.h"
#include "protocol/result_codes.h"

namespace sigra::app {

void ShowProgressText(const QString& text) {
  if (GlowneOkno) GlowneOkno->SetProgressText(text);
}

void HideProgressText() {
  ShowProgressText(QString());
}

void Processmessages() {
  if (GlowneOkno) GlowneOkno->Processmessages();
}

void SetBusyCursor() {
  if (GlowneOkno) GlowneOkno->setCursor(BusyCursor());
}

void SetArrowCursor() {
  if (GlowneOkno) GlowneOkno->setCursor(Qt::ArrowCursor);
}

void ConnectDriverFeedback() {
  sigra::SetProgressTextHook([](const std::string& cp1250) {
    ShowProgressText(QString::fromStdString(Utf8FromCp1250(cp1250)));
  });
  sigra::SetProcessMessagesHook([] { Processmessages(); });
}

QString ResultCodeText(int32_t code) {
  return QString::fromStdString(Utf8FromCp1250(ResultText(code)));
}

void ReportResultCode(int32_t code) {
  ErrorBeep();
  HideProgressText();
  ShowError(ResultCodeText(code));
}

int ShowMessage(const QString& text, const QString& caption, uint32_t flags) {
  return Messages().MessageBoxExA(text, caption, flags);
}

void ShowError(const QString& text) {
  ShowMessage(text, QStringLiteral("Błąd"), kErrorStyle);
}

}  // namespace sigra::app
