#include "app/dialogs/f_data_i_numer.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/message_box.h"

namespace sigra::app {

TfDataINumer::TfDataINumer(QWidget* parent) : TAnswerDialog(parent) {
  setObjectName(QStringLiteral("fDataINumer"));
  setWindowTitle(QStringLiteral("Podaj datę i numer unikatowy urządzenia"));
  db = new QDateEdit(QDate::currentDate(), this);
  db->setObjectName(QStringLiteral("db"));
  db->setDisplayFormat(QStringLiteral("yy-MM-dd"));
  db->setCalendarPopup(true);
  meNumer = new QLineEdit(this);
  meNumer->setObjectName(QStringLiteral("meNumer"));
  // Eight required digits.
  meNumer->setInputMask(QStringLiteral("99999999;_"));
  auto* question = new QLabel(QStringLiteral("Czy wykonać raport?"), this);
  Button2 = new QPushButton(QStringLiteral("Tak"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setAutoDefault(false);
  Button1 = new QPushButton(QStringLiteral("Nie"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button2, &QPushButton::clicked, this, [this] { done(kIdYes); });
  connect(Button1, &QPushButton::clicked, this, [this] { done(kIdNo); });

  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Data bieżąca"), db);
  fields->addRow(QStringLiteral("Numer unikatowy (cyfry)"), meNumer);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button2);
  buttons->addWidget(Button1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(question, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfDataINumer::reject() {
  done(kIdNo);
}

}  // namespace sigra::app
