// Asks for the register number and the operator code and sends them.
#ifndef SIGRA_APP_DIALOGS_F_NUMER_KASY_H
#define SIGRA_APP_DIALOGS_F_NUMER_KASY_H

#include "app/dialogs/answer_dialog.h"

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace sigra::app {

class TfNumerKasy : public TAnswerDialog {
  Q_OBJECT

 public:
  explicit TfNumerKasy(QWidget* parent = nullptr);

  QSpinBox* seNrKasy = nullptr;
  QLineEdit* eKod = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 public slots:
  void Button1Click();

 protected:
  void FormActivate() override;
};

}  // namespace sigra::app

#endif
