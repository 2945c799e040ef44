// The display test's companion: what the customer display should show at each
// step, as a text of lit segments or as one of six pictures.
#ifndef SIGRA_APP_DIALOGS_F_TEST_WYSWIETLACZA_H
#define SIGRA_APP_DIALOGS_F_TEST_WYSWIETLACZA_H

#include <array>

#include "app/dialogs/answer_dialog.h"

class QLabel;
class QPushButton;

namespace sigra::app {

class TfTestWyswietlacza : public TAnswerDialog {
  Q_OBJECT

 public:
  explicit TfTestWyswietlacza(QWidget* parent = nullptr);

  // Hides the six pictures.
  void HideImages();
  // The picture shown, or null.
  QLabel* ShownImage() const;

  QLabel* Label1 = nullptr;
  QLabel* iTest1 = nullptr;
  QLabel* iTest2 = nullptr;
  QLabel* ITest3 = nullptr;
  QLabel* ITest4 = nullptr;
  QLabel* iTest3Neg = nullptr;
  QLabel* iTest4Neg = nullptr;
  QPushButton* bOK = nullptr;

 private:
  std::array<QLabel*, 6> images_{};
};

}  // namespace sigra::app

#endif
