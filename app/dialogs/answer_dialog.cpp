#include "app/dialogs/answer_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "app/feedback.h"
#include "app/dialogs/dialog_placement.h"

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

TAnswerDialog::QuestionButtons TAnswerDialog::LayOutQuestion(QLayout* fields,
                                                             const QString& question) {
  auto* yes = new QPushButton(QStringLiteral("&Tak"), this);
  yes->setObjectName(QStringLiteral("Button1"));
  yes->setDefault(true);
  auto* no = new QPushButton(QStringLiteral("&Nie"), this);
  no->setObjectName(QStringLiteral("Button2"));
  no->setAutoDefault(false);
  connect(no, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(yes);
  buttons->addWidget(no);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(new QLabel(question, this), 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  return {yes, no};
}

}  // namespace sigra::app
