#include "app/dialogs/f_numer_unikatowy.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sigra::app {

TfNumerUnikatowy::TfNumerUnikatowy(QWidget* parent) : TAnswerDialog(parent) {
  setObjectName(QStringLiteral("fNumerUnikatowy"));
  setWindowTitle(QStringLiteral("Informacja..."));
  lNumerUnikatowy = new QLabel(this);
  lNumerUnikatowy->setObjectName(QStringLiteral("lNumerUnikatowy"));
  Button1 = new QPushButton(QStringLiteral("&OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lNumerUnikatowy, 0, Qt::AlignHCenter);
  layout->addWidget(Button1, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace sigra::app
