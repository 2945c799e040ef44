#include "app/dialogs/f_odczyt_stawek.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_placement.h"

namespace sigra::app {

TfOdczytStawek::TfOdczytStawek(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fOdczytStawek"));
  setWindowTitle(QStringLiteral("Stawki podatkowe z drukarki fiskalnej "));

  auto* layout = new QVBoxLayout(this);
  QLabel** labels[7] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7};
  for (int i = 0; i < 7; ++i) {
    *labels[i] = new QLabel(this);
    (*labels[i])->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    layout->addWidget(*labels[i]);
  }
  Button1 = new QPushButton(QStringLiteral("&OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  layout->addSpacing(8);
  layout->addWidget(Button1, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::array<QLabel*, 7> TfOdczytStawek::Labels() const {
  return {Label1, Label2, Label3, Label4, Label5, Label6, Label7};
}

void TfOdczytStawek::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  CentreOverParent(*this);
}

}  // namespace sigra::app
