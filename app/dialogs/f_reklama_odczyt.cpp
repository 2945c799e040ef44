#include "app/dialogs/f_reklama_odczyt.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/dialogs/dialog_placement.h"

namespace sigra::app {

TfReklamaOdczyt::TfReklamaOdczyt(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fReklamaOdczyt"));
  setWindowTitle(QStringLiteral("Dane na wyświetlacz"));

  iBitmapa = new QLabel(this);
  iBitmapa->setObjectName(QStringLiteral("iBitmapa"));
  iBitmapa->setFixedSize(2 * 192, 2 * 64);
  iBitmapa->setScaledContents(true);
  iBitmapa->setFrameShape(QFrame::Box);

  BitBtn1 = new QPushButton(QStringLiteral("&OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(iBitmapa);
  layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfReklamaOdczyt::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) CentreOverParent(*this);
}

}  // namespace sigra::app
