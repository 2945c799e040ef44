// "Raporty okresowe według numerów": the periodic report from one daily
// report number to another, or only that range for the fiscal-mode switch.
#ifndef SIGRA_APP_DIALOGS_F_OKRESOWE_WG_NUMEROW_H
#define SIGRA_APP_DIALOGS_F_OKRESOWE_WG_NUMEROW_H

#include "app/dialogs/periodic_report_dialog.h"

class QSpinBox;

namespace sigra::app {

class TfOkresoweWgNumerow : public TPeriodicReportDialog {
  Q_OBJECT

 public:
  explicit TfOkresoweWgNumerow(QWidget* parent);

  QLabel* Label1 = nullptr;
  QSpinBox* seOd = nullptr;
  QLabel* Label2 = nullptr;
  QSpinBox* seDo = nullptr;

 public slots:
  void Button1Click() override;
  // The to-number cannot go below the from-number.
  void seOdChange();

 protected:
  QWidget* FirstField() const override;
};

}  // namespace sigra::app

#endif
