// Where a dialog of the program appears: centred over the main window, its
// parent.
#ifndef SIGRA_APP_DIALOGS_DIALOG_PLACEMENT_H
#define SIGRA_APP_DIALOGS_DIALOG_PLACEMENT_H

class QWidget;

namespace sigra::app {

// Moves `dialog` so that it is centred over its parent window (halves
// rounded toward zero); a dialog without a parent stays where it is.
void CentreOverParent(QWidget& dialog);

}  // namespace sigra::app

#endif
