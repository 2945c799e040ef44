// The customer display of the Luno printers: reading its picture back,
// writing a bitmap to it, erasing it, and the advertising lines.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <vector>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "commands/display_data.h"
#include "app/logic/display_bitmap.h"
#include "app/dialogs/f_reklama.h"
#include "app/dialogs/f_reklama_odczyt.h"
#include "app/dialogs/f_teksty_reklamowe.h"

namespace sigra::app {
namespace {

const QString kTmpBmp = QStringLiteral("tmp.bmp");

void EndCommand() {
  HideProgressText();
  SetArrowCursor();
}

// Writes the picture read back to "tmp.bmp" in the current directory, loads
// it into the read-back dialog and deletes the file. False after telling the
// operator why it could not be done.
bool ShowReadbackThroughFile() {
  const std::vector<uint8_t> bytes = ReadbackBitmapFile(DisplayReadbackData);
  QFile file(kTmpBmp);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size()) ||
      !file.flush()) {
    file.close();
    file.remove();
    ErrorBeep();
    ShowError(QStringLiteral("Nie można zapisać pliku ") + kTmpBmp +
              QStringLiteral(" w bieżącym katalogu:\r") + QDir::currentPath());
    return false;
  }
  file.close();
  QPixmap picture;
  const bool loaded = picture.load(kTmpBmp, "BMP");
  QFile::remove(kTmpBmp);
  if (!loaded) {
    ErrorBeep();
    ShowError(QStringLiteral("Nie można odczytać pliku ") + kTmpBmp);
    return false;
  }
  fReklamaOdczyt->iBitmapa->setPixmap(picture);
  fReklamaOdczyt->iBitmapa->setVisible(true);
  return true;
}

}  // namespace

void TGlowneOkno::ConnectDisplayCommands() {
  ConnectCommand("Odczyt2", &TGlowneOkno::Odczyt2Click);
  ConnectCommand("Danenawy2", &TGlowneOkno::Danenawy2Click);
  ConnectCommand("Kasowanie1", &TGlowneOkno::Kasowanie1Click);
  ConnectCommand("Liniereklamowe1", &TGlowneOkno::Liniereklamowe1Click);
}

void TGlowneOkno::Odczyt2Click() {
  SetBusyCursor();
  if (const int32_t result = ReadDisplayData(); result != 0) {
    SetArrowCursor();
    ReportResultCode(result);
  } else if (ShowReadbackThroughFile()) {
    ShowDialogStep(*fReklamaOdczyt);
  }
  EndCommand();
}

void TGlowneOkno::Danenawy2Click() {
  fReklama->opOpen->setDirectory(QDir::currentPath());
  if (fReklama->opOpen->exec() != QDialog::Accepted) return EndCommand();
  const QStringList chosen = fReklama->opOpen->selectedFiles();
  if (chosen.isEmpty() || !LoadDisplayBitmap(chosen.first())) return EndCommand();
  ErrorBeep();
  if (ShowMessage(QStringLiteral("Czy zapisać dane do drukarki?"), QStringLiteral("Pytanie"),
                  kQuestionStyle) != kIdYes) {
    return EndCommand();
  }
  SetBusyCursor();
  const int32_t result = WriteDisplayData();
  SetArrowCursor();
  ErrorBeep();
  HideProgressText();
  if (result == 234) {
    ShowMessage(ResultCodeText(result), QStringLiteral("UWAGA"), kWarningStyle);
  } else if (result != 0) {
    ShowError(ResultCodeText(result));
  } else {
    ShowMessage(QStringLiteral("Zapisano dane na wyświetlacz do drukarki"),
                QStringLiteral("Informacja"), kInformationStyle);
  }
  EndCommand();
}

void TGlowneOkno::Kasowanie1Click() {
  SetBusyCursor();
  const int32_t result = ClearDisplayData();
  SetArrowCursor();
  ErrorBeep();
  HideProgressText();
  if (result != 0) {
    ShowError(ResultCodeText(result));
  } else {
    ShowMessage(QStringLiteral("Skasowano informacje na wyświetlacz"), QStringLiteral("Informacja"),
                kInformationStyle);
  }
  EndCommand();
}

void TGlowneOkno::Liniereklamowe1Click() {
  ShowDialogStep(*fTekstyReklamowe);
  EndCommand();
}

}  // namespace sigra::app
