#include "app/dialogs/f_reklama.h"

#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <span>
#include <string>

#include "app/feedback.h"
#include "app/message_box.h"
#include "commands/display_data.h"
#include "app/logic/display_bitmap.h"

namespace sigra::app {

bool LoadDisplayBitmap(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ShowError(QStringLiteral("NIE MOŻNA ODCZYTAĆ PLIKU ") + path);
    return false;
  }
  const QByteArray bytes = file.readAll();
  const std::string refusal = DecodeDisplayBitmap(
      std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size()),
      DisplayBitmapData);
  if (refusal.empty()) return true;
  ShowError(QString::fromStdString(refusal));
  return false;
}

TfReklama::TfReklama(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fReklama"));
  setWindowTitle(QStringLiteral("Dane na wyświetlacz"));

  opOpen = new QFileDialog(this);
  opOpen->setObjectName(QStringLiteral("opOpen"));
  opOpen->setNameFilter(QStringLiteral("Bitmaps (*.bmp)"));
  opOpen->setFileMode(QFileDialog::ExistingFile);
  opOpen->setAcceptMode(QFileDialog::AcceptOpen);
  // The same dialog on every platform, and one the tests can drive.
  opOpen->setOption(QFileDialog::DontUseNativeDialog);
  opOpen->installEventFilter(this);

  bZapisz = new QPushButton(QStringLiteral("Zapis do drukarki"), this);
  bZapisz->setObjectName(QStringLiteral("bZapisz"));
  connect(bZapisz, &QPushButton::clicked, this, &TfReklama::bZapiszClick);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bZapisz);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TfReklama::eventFilter(QObject* watched, QEvent* e) {
  if (watched == opOpen && e->type() == QEvent::Show && parentWidget() != nullptr) {
    const QRect main = parentWidget()->frameGeometry();
    const QSize size = opOpen->frameGeometry().size();
    opOpen->move(main.left() + (main.width() - size.width()) / 2,
                 main.top() + (main.height() - size.height()) / 2);
  }
  return QDialog::eventFilter(watched, e);
}

void TfReklama::bZapiszClick() {
  SetBusyCursor();
  const int32_t result = WriteDisplayData();
  SetArrowCursor();
  ErrorBeep();
  if (result != 0) {
    ShowError(ResultCodeText(result));
    return;
  }
  ShowMessage(QStringLiteral("Zapisano dane na wyświetlacz do drukarki"),
              QStringLiteral("Informacja"), kInformationStyle);
}

}  // namespace sigra::app
