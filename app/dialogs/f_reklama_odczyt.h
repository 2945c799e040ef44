// "Dane na wyświetlacz": the picture the customer display holds, as read back
// from the printer.
#ifndef SIGRA_APP_DIALOGS_F_REKLAMA_ODCZYT_H
#define SIGRA_APP_DIALOGS_F_REKLAMA_ODCZYT_H

#include <QDialog>

class QLabel;
class QPushButton;

namespace sigra::app {

class TfReklamaOdczyt : public QDialog {
  Q_OBJECT

 public:
  explicit TfReklamaOdczyt(QWidget* parent);

  // The picture, stretched to its frame of twice the display's size.
  QLabel* iBitmapa = nullptr;
  QPushButton* BitBtn1 = nullptr;

 protected:
  void showEvent(QShowEvent* e) override;
};

}  // namespace sigra::app

#endif
