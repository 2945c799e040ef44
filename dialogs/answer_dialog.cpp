#include "dialogs/answer_dialog.h"

#include <QShowEvent>
#include <QTimer>

#include "app/feedback.h"
#include "dialogs/dialog_placement.h"

namespace sigra::app {

void TAnswerDialog::done(int result) {
  HideProgressText();
  QDialog::done(result);
}

void TAnswerDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  // After the showing is complete: an activation that shows a message must
  // not stop the dialog half laid out.
  QTimer::singleShot(0, this, [this] {
    CentreOverParent(*this);
    FormActivate();
  });
}

bool TAnswerDialog::Succeeded(int32_t code) {
  if (code == 0) return true;
  SetArrowCursor();
  ReportResultCode(code);
  return false;
}

}  // namespace sigra::app
