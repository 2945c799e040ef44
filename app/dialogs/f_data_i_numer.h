// Asks, before a report of the fiscal-mode switch, for today's date and the
// printer's unique number (eight digits).
#ifndef SIGRA_APP_DIALOGS_F_DATA_I_NUMER_H
#define SIGRA_APP_DIALOGS_F_DATA_I_NUMER_H

#include "app/dialogs/answer_dialog.h"

class QDateEdit;
class QLineEdit;
class QPushButton;

namespace sigra::app {

class TfDataINumer : public TAnswerDialog {
  Q_OBJECT

 public:
  explicit TfDataINumer(QWidget* parent = nullptr);

  QDateEdit* db = nullptr;
  QLineEdit* meNumer = nullptr;
  QPushButton* Button1 = nullptr;  // "Nie"
  QPushButton* Button2 = nullptr;  // "Tak"

 public slots:
  // Escape answers "Nie" too.
  void reject() override;
};

}  // namespace sigra::app

#endif
