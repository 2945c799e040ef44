#include "app/dialogs/dialog_placement.h"

#include <QWidget>

namespace sigra::app {

void CentreOverParent(QWidget& dialog) {
  const QWidget* main = dialog.parentWidget();
  if (!main) return;
  const QRect outer = main->frameGeometry();
  const QSize size = dialog.frameGeometry().size();
  dialog.move(outer.left() + (outer.width() - size.width()) / 2,
              outer.top() + (outer.height() - size.height()) / 2);
}

}  // namespace sigra::app
