// The time entry field "meZegar" of the clock dialogs: a masked "HH:MM" edit
// that takes only the keys of a real time and objects when it is left
// incomplete.
#ifndef SIGRA_APP_DIALOGS_TIME_FIELD_H
#define SIGRA_APP_DIALOGS_TIME_FIELD_H

#include <QLineEdit>
#include <functional>

namespace sigra::app {

class TTimeField : public QLineEdit {
 public:
  explicit TTimeField(QWidget* parent);

  // Called when Enter is pressed in the field.
  std::function<void()> onEnter;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  // Leaving the field for another entry control with an incomplete time
  // throws; the program's exception handler reports it and the operator goes
  // on. A button the operator turns to judges the time itself.
  void focusOutEvent(QFocusEvent* e) override;
};

}  // namespace sigra::app

#endif
