// Where the program's dialogs appear: centred over the window that owns them.
#ifndef SIGRA_DIALOGS_DIALOG_PLACEMENT_H
#define SIGRA_DIALOGS_DIALOG_PLACEMENT_H

class QWidget;

namespace sigra::app {

// Moves `dialog` so that it is centred over its parent's window, halves
// rounded toward zero; a dialog without a parent stays where it is.
void CentreOverOwner(QWidget& dialog);

}  // namespace sigra::app

#endif
