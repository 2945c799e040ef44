// "Raporty okresowe miesięczne": the periodic report of one calendar month.
#ifndef SIGRA_APP_DIALOGS_F_OKRESOWE_MIESIECZNE_H
#define SIGRA_APP_DIALOGS_F_OKRESOWE_MIESIECZNE_H

#include "app/dialogs/periodic_report_dialog.h"

class QSpinBox;

namespace sigra::app {

class TfOkresoweMiesieczne : public TPeriodicReportDialog {
  Q_OBJECT

 public:
  explicit TfOkresoweMiesieczne(QWidget* parent);

  QLabel* Label1 = nullptr;
  QSpinBox* seRok = nullptr;
  QLabel* Label2 = nullptr;
  QSpinBox* seMiesiac = nullptr;

  // Shows this month in the two fields.
  void SetMonth(QDate month);

 public slots:
  void Button1Click() override;

 protected:
  QWidget* FirstField() const override;
};

}  // namespace sigra::app

#endif
