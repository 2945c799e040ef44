// "Dane na wyświetlacz": the picture-open dialog in which the operator chooses
// the bitmap for the customer display, the loader that turns the file into
// the display image, and the button that sends the image.
#ifndef SIGRA_APP_DIALOGS_F_REKLAMA_H
#define SIGRA_APP_DIALOGS_F_REKLAMA_H

#include <QDialog>

class QFileDialog;
class QPushButton;

namespace sigra::app {

// Loads the bitmap file at `path` into DisplayBitmapData. On failure the
// reason has been shown in an error box and the previous image stays.
bool LoadDisplayBitmap(const QString& path);

class TfReklama : public QDialog {
  Q_OBJECT

 public:
  explicit TfReklama(QWidget* parent);

  QFileDialog* opOpen = nullptr;
  QPushButton* bZapisz = nullptr;

 public slots:
  void bZapiszClick();

 protected:
  // Centres the picture-open dialog over the main window when it appears:
  // this form, its owner, is never on screen.
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace sigra::app

#endif
