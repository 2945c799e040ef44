// Shows the printer's rounding of amounts and sends the one the operator
// chooses.
#ifndef SIGRA_APP_DIALOGS_F_SPOSOB_ZAOKRAGLANIA_H
#define SIGRA_APP_DIALOGS_F_SPOSOB_ZAOKRAGLANIA_H

#include "app/dialogs/answer_dialog.h"

class QPushButton;

namespace sigra::app {

class TRadioGroup;

class TfSposobZaokraglania : public TAnswerDialog {
  Q_OBJECT

 public:
  explicit TfSposobZaokraglania(QWidget* parent = nullptr);

  TRadioGroup* rgZaokraglanie = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 public slots:
  void Button1Click();

 protected:
  void FormActivate() override;
};

}  // namespace sigra::app

#endif
