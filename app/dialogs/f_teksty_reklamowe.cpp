#include "app/dialogs/f_teksty_reklamowe.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <string>

#include "app/feedback.h"
#include "app/message_box.h"
#include "commands/advertising_lines.h"
#include "app/dialogs/advertising_text.h"
#include "app/dialogs/dialog_placement.h"
#include "link/text_1250.h"

namespace sigra::app {
namespace {

QPushButton* Button(QWidget* parent, const char* text, const char* name) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

void Centre(QCheckBox* box, QLineEdit* line) {
  if (box->isChecked()) line->setText(CentredAdvertisingLine(line->text()));
}

}  // namespace

TfTekstyReklamowe::TfTekstyReklamowe(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fTekstyReklamowe"));
  setWindowTitle(QStringLiteral("Linie reklamowe"));

  auto* grid = new QGridLayout;
  QLabel** labels[] = {&Label1, &Label2, &Label3};
  QLineEdit** lines[] = {&l1, &l2, &l3};
  QCheckBox** boxes[] = {&cb1, &cb2, &cb3};
  for (int i = 0; i < 3; ++i) {
    const QString number = QString::number(i + 1);
    *labels[i] = new QLabel(number, this);
    (*labels[i])->setObjectName(QStringLiteral("Label") + number);
    *lines[i] = new QLineEdit(this);
    (*lines[i])->setObjectName(QStringLiteral("l") + number);
    (*lines[i])->setMaxLength(kAdvertisingWidth);
    // Room for 40 characters of the fixed-width font the display uses.
    (*lines[i])->setFont(QFont(QStringLiteral("Monospace")));
    (*lines[i])->setMinimumWidth((*lines[i])->fontMetrics().horizontalAdvance(QString(42, 'W')));
    (*labels[i])->setBuddy(*lines[i]);
    *boxes[i] = new QCheckBox(QStringLiteral("Centruj"), this);
    (*boxes[i])->setObjectName(QStringLiteral("cb") + number);
    (*boxes[i])->setChecked(true);
    grid->addWidget(*labels[i], i, 0);
    grid->addWidget(*lines[i], i, 1);
    grid->addWidget(*boxes[i], i, 2);
  }
  connect(cb1, &QCheckBox::clicked, this, &TfTekstyReklamowe::cb1Click);
  connect(cb2, &QCheckBox::clicked, this, &TfTekstyReklamowe::cb2Click);
  connect(cb3, &QCheckBox::clicked, this, &TfTekstyReklamowe::cb3Click);

  bZapis1 = Button(this, "Zapis do drukarki", "bZapis1");
  bOdczyt = Button(this, "Odczyt z drukarki", "bOdczyt");
  bKasuj = Button(this, "Kasowanie z drukarki", "bKasuj");
  connect(bZapis1, &QPushButton::clicked, this, &TfTekstyReklamowe::bZapis1Click);
  connect(bOdczyt, &QPushButton::clicked, this, &TfTekstyReklamowe::bOdczytClick);
  connect(bKasuj, &QPushButton::clicked, this, &TfTekstyReklamowe::bKasujClick);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bZapis1);
  buttons->addWidget(bOdczyt);
  buttons->addWidget(bKasuj);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfTekstyReklamowe::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  CentreOverParent(*this);
  bOdczytClick();
}

void TfTekstyReklamowe::cb1Click() {
  Centre(cb1, l1);
}
void TfTekstyReklamowe::cb2Click() {
  Centre(cb2, l2);
}
void TfTekstyReklamowe::cb3Click() {
  Centre(cb3, l3);
}

void TfTekstyReklamowe::EnableButtons(bool enabled) {
  bZapis1->setEnabled(enabled);
  bOdczyt->setEnabled(enabled);
  bKasuj->setEnabled(enabled);
}

void TfTekstyReklamowe::ReportFailure(int32_t code) {
  EnableButtons(true);
  SetArrowCursor();
  ErrorBeep();
  ShowError(ResultCodeText(code));
  HideProgressText();
}

void TfTekstyReklamowe::bZapis1Click() {
  cb1Click();
  cb2Click();
  cb3Click();
  EnableButtons(false);
  SetBusyCursor();
  const QLineEdit* lines[] = {l1, l2, l3};
  for (uint8_t line = 0; line < 3; ++line) {
    const std::string text =
        Cp1250FromUtf8(AdvertisingLineToSend(lines[line]->text()).toStdString());
    if (const int32_t result = WriteAdvertisingLine(line, text); result != 0) {
      ReportFailure(result);
      return;
    }
  }
  EnableButtons(true);
  SetArrowCursor();
  ErrorBeep();
  ShowMessage(QStringLiteral("Zapisano do drukarki teksty reklamowe"), QStringLiteral("Informacja"),
              kInformationStyle);
}

void TfTekstyReklamowe::bOdczytClick() {
  EnableButtons(false);
  SetBusyCursor();
  QLineEdit* lines[] = {l1, l2, l3};
  for (uint8_t line = 0; line < 3; ++line) {
    std::string text;
    uint8_t flag = 0;
    if (const int32_t result = ReadAdvertisingLine(line, text, flag); result != 0) {
      ReportFailure(result);
      return;
    }
    lines[line]->setText((flag & 0x01) ? QString::fromStdString(Utf8FromCp1250(text)) : QString());
  }
  SetArrowCursor();
  EnableButtons(true);
}

void TfTekstyReklamowe::bKasujClick() {
  EnableButtons(false);
  if (const int32_t result = ClearAdvertisingLines(); result != 0) {
    ReportFailure(result);
    return;
  }
  l1->clear();
  l2->clear();
  l3->clear();
  EnableButtons(true);
  ErrorBeep();
  ShowMessage(QStringLiteral("Skasowano teksty reklamowe"), QStringLiteral("Informacja"),
              kInformationStyle);
}

}  // namespace sigra::app
