// Asks for the number of paper lines fed after each printout and sends it.
#ifndef SIGRA_APP_DIALOGS_F_ILOSC_WIERSZY_H
#define SIGRA_APP_DIALOGS_F_ILOSC_WIERSZY_H

#include "app/dialogs/answer_dialog.h"

class QPushButton;
class QSpinBox;

namespace sigra::app {

class TfIloscWierszy : public TAnswerDialog {
  Q_OBJECT

 public:
  explicit TfIloscWierszy(QWidget* parent = nullptr);

  QSpinBox* seIloscWierszy = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 public slots:
  void Button1Click();

 protected:
  void FormActivate() override;
};

}  // namespace sigra::app

#endif
