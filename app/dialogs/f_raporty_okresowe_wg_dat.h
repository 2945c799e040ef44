// "Raporty okresowe według dat": the periodic report from one date to
// another, or only that range for the fiscal-mode switch.
#ifndef SIGRA_APP_DIALOGS_F_RAPORTY_OKRESOWE_WG_DAT_H
#define SIGRA_APP_DIALOGS_F_RAPORTY_OKRESOWE_WG_DAT_H

#include "app/dialogs/periodic_report_dialog.h"

class QDateEdit;

namespace sigra::app {

class TfRaportyOkresoweWgDat : public TPeriodicReportDialog {
  Q_OBJECT

 public:
  explicit TfRaportyOkresoweWgDat(QWidget* parent);

  QLabel* Label1 = nullptr;
  QDateEdit* dtOd = nullptr;
  QLabel* Label2 = nullptr;
  QDateEdit* dtDo = nullptr;

 public slots:
  void Button1Click() override;

 protected:
  QWidget* FirstField() const override;
};

}  // namespace sigra::app

#endif
