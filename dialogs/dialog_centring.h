// Dialogs centre themselves over the main window when they are activated.
#ifndef SIGRA_DIALOGS_DIALOG_CENTRING_H
#define SIGRA_DIALOGS_DIALOG_CENTRING_H

class QWidget;

namespace sigra::app {

// Moves `dialog` so that its centre lies over the centre of the window it
// belongs to (halves rounded toward zero); a dialog without one stays put.
void CentreOverMainWindow(QWidget& dialog);

}  // namespace sigra::app

#endif
