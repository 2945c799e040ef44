// What the small dialogs share: each centres itself over the main window when
// it is shown, runs its own activation step then, and removes the progress
// text when it closes. A failed driver call is reported the same way in all.
#ifndef SIGRA_APP_DIALOGS_ANSWER_DIALOG_H
#define SIGRA_APP_DIALOGS_ANSWER_DIALOG_H

#include <QDialog>
#include <cstdint>

class QLayout;
class QPushButton;

namespace sigra::app {

class TAnswerDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TAnswerDialog(QWidget* parent) : QDialog(parent) {}

 public slots:
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;
  // Runs each time the dialog is shown, once it is on screen and centred.
  virtual void FormActivate() {}
  // Arrow cursor, then the result-code report. Returns whether `code` is 0.
  static bool Succeeded(int32_t code);

  struct QuestionButtons {
    QPushButton* yes;
    QPushButton* no;
  };
  // Lays the dialog out as `fields` above `question` and its "&Tak" and "&Nie"
  // buttons (named Button1 and Button2). "&Tak" is the default button; "&Nie"
  // closes the dialog.
  QuestionButtons LayOutQuestion(QLayout* fields, const QString& question);
};

}  // namespace sigra::app

#endif
