// The device settings of the Luno printers: the configuration block's line
// speed, print and display options, backlight, contrast, volume, switch-off,
// receive time-out and advertising delay, and the extra lines fed after a
// printout. Showing the dialog reads them from the printer.
#ifndef SIGRA_APP_DIALOGS_F_USTAWIENIA_H
#define SIGRA_APP_DIALOGS_F_USTAWIENIA_H

#include <QDialog>
#include <cstdint>

#include "app/logic/settings_block.h"

class QComboBox;
class QPushButton;
class QSpinBox;

namespace sigra::app {

class TRadioGroup;

class TfUstawienia : public QDialog {
  Q_OBJECT

 public:
  explicit TfUstawienia(QWidget* parent = nullptr);

  TRadioGroup* rgSzybkosc = nullptr;
  TRadioGroup* rgWydruk = nullptr;
  TRadioGroup* rgZera = nullptr;
  TRadioGroup* rgSposobWyswietlenia = nullptr;
  TRadioGroup* rgStronaKodowa = nullptr;
  QSpinBox* seLinie = nullptr;
  QSpinBox* seCzasWyl = nullptr;
  QSpinBox* sePodsw = nullptr;
  QSpinBox* seKontrast = nullptr;
  QSpinBox* seGlosnosc = nullptr;
  QSpinBox* seReklama = nullptr;
  QComboBox* cbTimeout = nullptr;
  QPushButton* bOdczyt = nullptr;
  QPushButton* bZapis = nullptr;
  QPushButton* bDomyslne = nullptr;

 public slots:
  void bOdczytClick();
  void bZapisClick();
  void bDomyslneClick();
  void rgWydrukClick();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  // The checks before a read or a write; false when the command ends.
  bool OpeningChecks(uint8_t& deviceType);
  // Reads the five groups into `block`; false after a failure shown.
  bool ReadBlock(SettingsBytes& block);
  bool WriteGroup(const SettingsBytes& block, uint8_t group);
  void Fill(const SettingsBytes& block, int32_t feedLines);
  void SetButtonsEnabled(bool enabled);
};

}  // namespace sigra::app

#endif
