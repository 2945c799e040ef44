// The about box of the operator program.
#ifndef SIGRA_APP_ABOUT_BOX_H
#define SIGRA_APP_ABOUT_BOX_H

#include <QDialog>

class QLabel;
class QPushButton;

namespace sigra::app {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* lWersja = nullptr;
  QPushButton* OKButton = nullptr;

 public slots:
  void OKButtonClick();
};

}  // namespace sigra::app

#endif
