// Shows the printer's unique number, which the menu command puts into the
// label before it shows the dialog.
#ifndef SIGRA_APP_DIALOGS_F_NUMER_UNIKATOWY_H
#define SIGRA_APP_DIALOGS_F_NUMER_UNIKATOWY_H

#include "app/dialogs/answer_dialog.h"

class QLabel;
class QPushButton;

namespace sigra::app {

class TfNumerUnikatowy : public TAnswerDialog {
  Q_OBJECT

 public:
  explicit TfNumerUnikatowy(QWidget* parent = nullptr);

  QLabel* lNumerUnikatowy = nullptr;
  QPushButton* Button1 = nullptr;
};

}  // namespace sigra::app

#endif
