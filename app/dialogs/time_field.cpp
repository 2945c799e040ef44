#include "app/dialogs/time_field.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <stdexcept>

#include "app/dialogs/time_entry.h"

namespace sigra::app {

TTimeField::TTimeField(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("meZegar"));
  // An optional first hour digit and four required ones.
  setInputMask(QStringLiteral("09:99;_"));
  setMaxLength(5);
  setText(QStringLiteral("00:00"));
  setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00:00")) + 16);
}

void TTimeField::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (onEnter) onEnter();
    return;
  }
  const QString typed = e->text();
  if (typed.size() != 1 || !typed[0].isPrint()) {
    QLineEdit::keyPressEvent(e);
    return;
  }
  const int position = hasSelectedText() ? selectionStart() : cursorPosition();
  const TimeKeyVerdict verdict = FilterTimeKey(displayText(), position, typed[0]);
  if (!verdict.accept) return;
  QLineEdit::keyPressEvent(e);
  if (verdict.blankSecondHourDigit) {
    const int caret = cursorPosition();
    QString shown = displayText();
    shown[1] = QChar(kTimeBlank);
    setText(shown);
    setCursorPosition(caret);
  }
}

void TTimeField::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  const bool toAnotherField = e->reason() == Qt::TabFocusReason ||
                              e->reason() == Qt::BacktabFocusReason ||
                              e->reason() == Qt::MouseFocusReason;
  if (!toAnotherField || hasAcceptableInput()) return;
  if (qobject_cast<QAbstractButton*>(QApplication::focusWidget())) return;
  throw std::runtime_error("'" + displayText().toStdString() + "' is not a valid time");
}

}  // namespace sigra::app
