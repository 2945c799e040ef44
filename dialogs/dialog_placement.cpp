#include "dialogs/dialog_placement.h"

#include <QWidget>

namespace sigra::app {

void CentreOverOwner(QWidget& dialog) {
  const QWidget* owner = dialog.parentWidget();
  if (owner == nullptr) return;
  const QRect main = owner->window()->frameGeometry();
  const QSize size = dialog.frameGeometry().size();
  dialog.move(main.left() + (main.width() - size.width()) / 2,
              main.top() + (main.height() - size.height()) / 2);
}

}  // namespace sigra::app
