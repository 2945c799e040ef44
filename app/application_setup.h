// What every run of the operator program sets up before it creates its forms.
#ifndef SIGRA_APP_APPLICATION_SETUP_H
#define SIGRA_APP_APPLICATION_SETUP_H

class QTranslator;

namespace sigra::app {

// Names the program, gives Qt's standard buttons their Polish texts through
// `polish` (which must outlive the application), and prepares the driver for
// a program that opens and closes the port itself: its commands use the port
// the program opened, and its progress texts reach the main window.
void SetUpApplication(QTranslator& polish);

}  // namespace sigra::app

#endif
