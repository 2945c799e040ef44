#include "app/about_box.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/feedback.h"

namespace sigra::app {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("O programie"));

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);

  ProgramIcon = new QLabel(panel);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
  ProductName = new QLabel(panel);
  ProductName->setObjectName(QStringLiteral("ProductName"));
  Version = new QLabel(QStringLiteral("Sigra, Sigra F, Luno, Luno F"), panel);
  Version->setObjectName(QStringLiteral("Version"));
  lWersja = new QLabel(panel);
  lWersja->setObjectName(QStringLiteral("lWersja"));
  auto* maker = new QLabel(QStringLiteral("Drukarki fiskalne VELMO"), panel);
  maker->setObjectName(QStringLiteral("Copyright"));
  auto* rights = new QLabel(QStringLiteral("Wszelkie prawa zastrzeżone."), panel);
  rights->setObjectName(QStringLiteral("Comments"));

  auto* texts = new QVBoxLayout;
  for (QLabel* label : {ProductName, Version, lWersja, maker, rights}) texts->addWidget(label);
  auto* panelLayout = new QHBoxLayout(panel);
  panelLayout->addWidget(ProgramIcon, 0, Qt::AlignTop);
  panelLayout->addLayout(texts);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  layout->addWidget(OKButton, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  lWersja->setText(QStringLiteral("WERSJA 3.02 z dnia 31.10.2007r."));
  ProductName->setText(QStringLiteral("Program użytkownika drukarek"));
}

void TAboutBox::OKButtonClick() {
  accept();
  HideProgressText();
}

}  // namespace sigra::app
