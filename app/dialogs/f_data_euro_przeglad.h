// Reads and writes one of the two dates the printer keeps for the operator:
// the euro changeover date (EuroDateMode set) or the next inspection date.
#ifndef SIGRA_APP_DIALOGS_F_DATA_EURO_PRZEGLAD_H
#define SIGRA_APP_DIALOGS_F_DATA_EURO_PRZEGLAD_H

#include "app/dialogs/answer_dialog.h"

class QDateEdit;
class QPushButton;

namespace sigra::app {

class TfDataEuroPrzeglad : public TAnswerDialog {
  Q_OBJECT

 public:
  explicit TfDataEuroPrzeglad(QWidget* parent = nullptr);

  QDateEdit* dtDate = nullptr;
  QPushButton* bOdczyt = nullptr;
  QPushButton* bZapis = nullptr;

 public slots:
  void bOdczytClick();
  void bZapisClick();

 protected:
  void FormActivate() override;

 private:
  void Write();
};

}  // namespace sigra::app

#endif
