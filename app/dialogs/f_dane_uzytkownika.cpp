#include "app/dialogs/f_dane_uzytkownika.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/file_text.h"
#include "app/message_box.h"
#include "commands/user_data.h"
#include "app/dialogs/dialog_placement.h"
#include "app/dialogs/dialog_state.h"
#include "app/logic/header_line.h"
#include "app/logic/nip_check.h"
#include "app/dialogs/qt_text.h"
#include "app/dialogs/radio_group.h"
#include "app/logic/user_data_file.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/status.h"

namespace sigra::app {
namespace {

constexpr int kWide = 40;
constexpr int kNarrow = 20;

bool Luno(uint8_t deviceType) {
  return IsLuno(deviceType);
}

void Refuse(const QString& text) {
  ErrorBeep();
  ShowError(text);
}

}  // namespace

TfDaneUzytkownika::TfDaneUzytkownika(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fDaneUzytkownika"));
  setWindowTitle(QStringLiteral("Dane użytkownika"));

  rgTyp = new TRadioGroup(QString(),
                          {QStringLiteral("SIGRA/SIGRA F"), QStringLiteral("LUNO/LUNO F")}, this);
  rgTyp->setObjectName(QStringLiteral("rgTyp"));
  rgTyp->SetItemIndex(0);
  connect(rgTyp, &TRadioGroup::Clicked, this, &TfDaneUzytkownika::rgTypClick);

  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const QFontMetrics metrics(fixed);
  wideEdit_ = metrics.horizontalAdvance(QString(kWide + 1, QChar('W'))) + 12;
  narrowEdit_ = metrics.horizontalAdvance(QString(kNarrow + 1, QChar('W'))) + 12;

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  auto* heading = new QLabel(QStringLiteral("Znaków w linii "), this);
  heading->setObjectName(QStringLiteral("Label7"));
  grid->addWidget(heading, 0, 2);

  const char* editNames[6] = {"l1", "l2", "l3", "L4", "L5", "l6"};
  const char* centreNames[6] = {"cb1", "CB2", "cb3", "cb4", "cb5", "cb6"};
  for (int n = 1; n <= 6; ++n) {
    const size_t i = Index(n);
    rowLabels_[i] = new QLabel(QString::number(n), this);
    rowLabels_[i]->setObjectName(QStringLiteral("Label%1").arg(n));
    edits_[i] = new QLineEdit(this);
    edits_[i]->setObjectName(QString::fromLatin1(editNames[i]));
    edits_[i]->setFont(fixed);
    edits_[i]->setMaxLength(kWide);
    edits_[i]->setFixedWidth(wideEdit_);
    edits_[i]->installEventFilter(this);
    widths_[i] = new TRadioGroup(QString(), {QStringLiteral("40"), QStringLiteral("20")}, this);
    widths_[i]->setObjectName(QStringLiteral("rg%1").arg(n));
    // A row of two options, as high as the edit beside it.
    widths_[i]->setFlat(true);
    widths_[i]->layout()->setContentsMargins(4, 0, 4, 0);
    widths_[i]->SetItemIndex(0);
    connect(widths_[i], &TRadioGroup::Clicked, this, [this, n] { WidthClick(n); });
    centres_[i] = new QCheckBox(QStringLiteral("Centruj"), this);
    centres_[i]->setObjectName(QString::fromLatin1(centreNames[i]));
    centres_[i]->setChecked(true);
    connect(centres_[i], &QCheckBox::toggled, this, [this, n] { CentreClick(n); });
    grid->addWidget(rowLabels_[i], n, 0, Qt::AlignRight);
    grid->addWidget(edits_[i], n, 1, Qt::AlignLeft);
    grid->addWidget(widths_[i], n, 2);
    grid->addWidget(centres_[i], n, 3);
    if (n <= 5) {
      highs_[i] = new QCheckBox(QStringLiteral("Wys. gen."), this);
      highs_[i]->setObjectName(QStringLiteral("cbWys%1").arg(n));
      grid->addWidget(highs_[i], n, 4);
    }
  }
  grid->setColumnMinimumWidth(1, wideEdit_);
  l1 = edits_[0], l2 = edits_[1], l3 = edits_[2], L4 = edits_[3], L5 = edits_[4], l6 = edits_[5];
  rg1 = widths_[0], rg2 = widths_[1], rg3 = widths_[2], rg4 = widths_[3], rg5 = widths_[4],
  rg6 = widths_[5];
  cb1 = centres_[0], CB2 = centres_[1], cb3 = centres_[2], cb4 = centres_[3], cb5 = centres_[4],
  cb6 = centres_[5];
  cbWys1 = highs_[0], cbWys2 = highs_[1], cbWys3 = highs_[2], cbWys4 = highs_[3],
  cbWys5 = highs_[4];

  const auto button = [this](const char* caption, const char* name) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    // Enter in a line must not start a printer command.
    b->setAutoDefault(false);
    return b;
  };
  Button2 = button("Z&apis do drukarki", "Button2");
  Button3 = button("O&dczyt z drukarki", "Button3");
  bWydrKontr = button("&Wydruk kontrolny", "bWydrKontr");
  bOdczytPlik = button("&Odczyt z pliku", "bOdczytPlik");
  bZapisPlik = button("&Zapis do pliku", "bZapisPlik");
  connect(Button2, &QPushButton::clicked, this, &TfDaneUzytkownika::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TfDaneUzytkownika::Button3Click);
  connect(bWydrKontr, &QPushButton::clicked, this, &TfDaneUzytkownika::bWydrKontrClick);
  connect(bOdczytPlik, &QPushButton::clicked, this, &TfDaneUzytkownika::bOdczytPlikClick);
  connect(bZapisPlik, &QPushButton::clicked, this, &TfDaneUzytkownika::bZapisPlikClick);

  Label8 = new QLabel(QStringLiteral("INS"), this);
  Label8->setObjectName(QStringLiteral("Label8"));
  Label8->hide();

  const QStringList textFiles = {QStringLiteral("Pliki tekstowe z danymi użytkownika (*.txt)")};
  oPlik = new QFileDialog(this);
  oPlik->setObjectName(QStringLiteral("oPlik"));
  oPlik->setAcceptMode(QFileDialog::AcceptOpen);
  oPlik->setFileMode(QFileDialog::ExistingFile);
  oPlik->setNameFilters(textFiles + QStringList{QStringLiteral("Wszystkie pliki (*.*)")});
  zPlik = new QFileDialog(this);
  zPlik->setObjectName(QStringLiteral("zPlik"));
  zPlik->setAcceptMode(QFileDialog::AcceptSave);
  zPlik->setNameFilters(textFiles);
  for (QFileDialog* files : {oPlik, zPlik}) {
    files->setOption(QFileDialog::DontUseNativeDialog);
    files->setDefaultSuffix(QStringLiteral("txt"));
    files->setDirectory(QDir::currentPath());
  }

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {Button2, Button3, bWydrKontr, bOdczytPlik, bZapisPlik}) {
    buttons->addWidget(b);
  }
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(rgTyp);
  bottom->addStretch();
  bottom->addWidget(Label8);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bottom);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  rgTypClick();
}

int TfDaneUzytkownika::LineWidth(int n) const {
  return WidthChoice(n)->ItemIndex() == 1 ? kNarrow : kWide;
}

void TfDaneUzytkownika::WidthClick(int n) {
  QLineEdit* edit = Edit(n);
  if (LineWidth(n) == kNarrow) {
    edit->setText(FromCp1250(TrimLine(ToCp1250(edit->text()))));
    edit->setMaxLength(kNarrow);
    edit->setFixedWidth(narrowEdit_);
  } else {
    edit->setMaxLength(kWide);
    edit->setFixedWidth(wideEdit_);
  }
  CentreClick(n);
}

void TfDaneUzytkownika::CentreClick(int n) {
  if (!CentreBox(n)->isChecked()) return;
  QLineEdit* edit = Edit(n);
  edit->setText(FromCp1250(CentreLine(ToCp1250(edit->text()), static_cast<size_t>(LineWidth(n)))));
}

void TfDaneUzytkownika::rgTypClick() {
  const bool six = rgTyp->ItemIndex() == 1;
  if (!six) {
    L5->clear();
    l6->clear();
  }
  for (int n = 5; n <= 6; ++n) {
    Edit(n)->setVisible(six);
    WidthChoice(n)->setVisible(six);
    CentreBox(n)->setVisible(six);
    RowLabel(n)->setVisible(six);
  }
  for (QCheckBox* high : highs_) high->setVisible(six);
  RowLabel(4)->setText(six ? QStringLiteral("  4") : QStringLiteral("NIP"));
  RowLabel(5)->setText(QStringLiteral("5  "));
  RowLabel(6)->setText(QStringLiteral("NIP"));
}

void TfDaneUzytkownika::SetLayout(int index) {
  rgTyp->SetItemIndex(index);
  rgTypClick();
}

void TfDaneUzytkownika::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) FormActivate();
}

void TfDaneUzytkownika::FormActivate() {
  SetLayout(Luno(UserDataDeviceType) ? 1 : 0);
  SetPrinterButtonsEnabled(true);
  CentreOverParent(*this);
  l1->setFocus();
}

void TfDaneUzytkownika::done(int result) {
  SetArrowCursor();
  HideProgressText();
  QDialog::done(result);
}

void TfDaneUzytkownika::ToggleOverwrite() {
  overwrite_ = !overwrite_;
  Label8->setVisible(overwrite_);
}

void TfDaneUzytkownika::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Insert) {
    ToggleOverwrite();
    return;
  }
  QDialog::keyPressEvent(e);
}

bool TfDaneUzytkownika::eventFilter(QObject* watched, QEvent* e) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit == nullptr || e->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, e);
  const auto* key = static_cast<QKeyEvent*>(e);
  if (key->key() == Qt::Key_Insert) {
    ToggleOverwrite();
    return true;
  }
  // In overwrite mode a typed character replaces the one after the caret.
  const QString typed = key->text();
  if (overwrite_ && !typed.isEmpty() && typed.at(0).unicode() >= 32 && !edit->hasSelectedText() &&
      edit->cursorPosition() < edit->text().size()) {
    edit->del();
  }
  return false;
}

void TfDaneUzytkownika::SetPrinterButtonsEnabled(bool enabled) {
  for (QPushButton* b : {Button2, Button3, bWydrKontr}) b->setEnabled(enabled);
}

bool TfDaneUzytkownika::OpeningChecks(bool write, uint8_t& deviceType, bool& fiscal) {
  uint8_t checked = 0;
  bool failed = false;
  if (!CheckFiscalDevice(checked, failed)) {
    if (!failed) Refuse(QString::fromUtf8(kNotFiscalPrinter) + (write ? "." : ""));
    return false;
  }
  if (ClockMemoryErased(failed)) {
    Refuse(write ? QStringLiteral("Skasowana pamięć CMOS.")
                 : QStringLiteral("Skasowana pamięć CMOS. Wejdź do inicjowania zegara."));
    return false;
  }
  if (failed) return false;
  uint32_t version = 0;
  if (const int32_t code = ReadDeviceType(deviceType, version); code != 0) {
    ReportResultCode(code);
    return false;
  }
  if (write) UserDataDeviceType = deviceType;
  if (IsFirstGeneration(deviceType)) {
    Refuse(QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji") +
           (write ? "." : ""));
    return false;
  }
  int32_t mode = 0;
  if (const int32_t code = IsFiscalMode(mode); code != 0) {
    ReportResultCode(code);
    return false;
  }
  fiscal = mode == 1;
  return true;
}

bool TfDaneUzytkownika::NipAccepted(const QString& text) {
  const QString wrong = QStringLiteral("NUMER NIP ZOSTAŁ WPROWADZONY NIEPRAWIDŁOWO\r");
  switch (NipCheck(ToCp1250(text))) {
    case kNipValid:
      return true;
    case kNipBadChecksum:
      ErrorBeep();
      if (ShowMessage(wrong + QStringLiteral("   Program wykrył błędną sumę kontrolną.  \r"
                                             "Aby ponownie wprowadzić NIP naciśnij NIE. \r"
                                             "      Aby kontynuować naciśnij TAK.       "),
                      QStringLiteral("Błąd"), kFaultQuestionStyle) == kIdYes) {
        return true;
      }
      break;
    case kNipNoDigits:
      Refuse(wrong + QStringLiteral("                      Brak cyfr w ciągu znaków.         "));
      break;
    default:
      Refuse(wrong + QStringLiteral("     Brak słowa 'NIP' w ciągu znaków     "));
      break;
  }
  SetArrowCursor();
  return false;
}

QString TfDaneUzytkownika::Fitted(int n) const {
  const std::string text = ToCp1250(Edit(n)->text());
  const auto width = static_cast<size_t>(LineWidth(n));
  return FromCp1250(CentreBox(n)->isChecked() ? CentreLine(text, width) : FitLine(text, width));
}

uint8_t TfDaneUzytkownika::Attributes(int n) const {
  const bool high = HighPrintBox(n) != nullptr && HighPrintBox(n)->isChecked();
  return static_cast<uint8_t>((high ? 2 : 0) + (LineWidth(n) == kNarrow ? 1 : 0));
}

bool TfDaneUzytkownika::WriteLine(int n, uint8_t attributes, const QString& text) {
  const int32_t code = WriteUserDataLine(static_cast<uint8_t>(n), attributes, ToCp1250(text));
  if (code == 0) return true;
  Button2->setEnabled(true);
  SetArrowCursor();
  ReportResultCode(code);
  return false;
}

void TfDaneUzytkownika::Button2Click() {
  Button2->setEnabled(false);
  ShowProgressText(QStringLiteral("Zapis danych użytkownika..."));
  SetBusyCursor();
  Write();
  Button2->setEnabled(true);
  SetArrowCursor();
  HideProgressText();
}

void TfDaneUzytkownika::Write() {
  uint8_t type = 0;
  bool fiscal = false;
  if (!OpeningChecks(true, type, fiscal)) return;
  l1->setText(Fitted(1));
  if (!fiscal) {
    L4->setText(Fitted(4));
    SetPrinterButtonsEnabled(true);
    if (!NipAccepted(Luno(type) ? l6->text() : L4->text())) return;
  }
  const int middle = Luno(type) ? 5 : 3;
  for (int n = 1; n <= middle; ++n) {
    if (!WriteLine(n, Attributes(n), n == 1 ? l1->text() : Fitted(n))) return;
  }
  if (fiscal) {
    Button2->setEnabled(true);
    Read();
    ErrorBeep();
    ShowMessage(QStringLiteral("       Drukarka pracuje w trybie fiskalnym.     \r"
                               "    Do drukarki zostały zapisane linie danych   \r"
                               "użytkownika oprócz linii zawierającej numer NIP."),
                QStringLiteral("Informacja"), kInformationStyle);
    return;
  }
  if (Luno(type)) {
    if (!WriteLine(6, LineWidth(6) == kNarrow ? 1 : 0, Fitted(6))) return;
  } else if (!WriteLine(4, Attributes(4), L4->text())) {
    return;
  }
  ErrorBeep();
  ShowMessage(Luno(type)
                  ? QStringLiteral("Do drukarki zostało zapisanych 6 linii danych użytkownika.")
                  : QStringLiteral("Do drukarki zostały zapisane 4 linie danych użytkownika."),
              QStringLiteral("Informacja"), kInformationStyle);
}

void TfDaneUzytkownika::Button3Click() {
  Read();
  HideProgressText();
}

void TfDaneUzytkownika::PutLine(int n, const QString& text, int width) {
  QLineEdit* edit = Edit(n);
  const bool changes = (width == kWide || width == kNarrow) && width != LineWidth(n);
  if (changes) edit->setMaxLength(width);
  edit->setText(text);
  // A change of width runs the line's width handler.
  if (changes) {
    WidthChoice(n)->SetItemIndex(width == kNarrow ? 1 : 0);
    WidthClick(n);
  }
}

void TfDaneUzytkownika::Read() {
  SetBusyCursor();
  Button3->setEnabled(false);
  uint8_t type = 0;
  bool fiscal = false;
  if (OpeningChecks(false, type, fiscal)) {
    const bool six = Luno(type);
    UserDataLines lines;
    uint8_t options = 0;
    if (const int32_t code = ReadUserData(six ? 6 : 4, lines, options); code != 0) {
      ReportResultCode(code);
    } else {
      for (int n = 1; n <= (six ? 6 : 4); ++n) {
        const std::string& text = lines[Index(n)];
        PutLine(n, FromCp1250(text), static_cast<int>(text.size()));
      }
      (six ? l6 : L4)->setEnabled(!fiscal);
      SetLayout(six ? 1 : 0);
      if (six) {
        for (int n = 1; n <= 5; ++n) HighPrintBox(n)->setChecked((options >> (n - 1)) & 1);
      }
    }
  }
  SetArrowCursor();
  Button3->setEnabled(true);
  update();
}

void TfDaneUzytkownika::bWydrKontrClick() {
  SetPrinterButtonsEnabled(false);
  SetBusyCursor();
  ControlPrint();
  SetPrinterButtonsEnabled(true);
  SetArrowCursor();
  HideProgressText();
}

void TfDaneUzytkownika::ControlPrint() {
  uint8_t type = 0;
  bool fiscal = false;
  if (!OpeningChecks(false, type, fiscal)) return;
  const bool six = Luno(UserDataDeviceType);
  if (fiscal && !six) {
    Refuse(
        QStringLiteral("    Drukarka pracuje w trybie fiskalnym.   \r"
                       "Kontrolny wydruk nagłówka nie jest możliwy."));
    return;
  }
  const auto centre = [this](int n, int width) {
    Edit(n)->setText(FromCp1250(CentreLine(ToCp1250(Edit(n)->text()), static_cast<size_t>(width))));
  };
  for (int n = 1; n <= 3; ++n) centre(n, LineWidth(n));
  // The tax number line of the Sigra models prints 40 wide whatever its
  // width choice says.
  if (!six) L4->setMaxLength(kWide);
  centre(4, six ? LineWidth(4) : kWide);
  SetPrinterButtonsEnabled(true);
  ErrorBeep();
  if (!NipAccepted(six ? l6->text() : L4->text())) return;
  UserDataLines lines;
  for (int n = 1; n <= (six ? 6 : 4); ++n) lines[Index(n)] = ToCp1250(Edit(n)->text());
  if (const int32_t code = PrintUserData(six ? 6 : 4, lines); code != 0) ReportResultCode(code);
}

void TfDaneUzytkownika::bZapisPlikClick() {
  if (zPlik->exec() == QDialog::Accepted && !zPlik->selectedFiles().isEmpty()) {
    SaveFile(zPlik->selectedFiles().constFirst());
  }
}

void TfDaneUzytkownika::bOdczytPlikClick() {
  if (oPlik->exec() == QDialog::Accepted && !oPlik->selectedFiles().isEmpty()) {
    LoadFile(oPlik->selectedFiles().constFirst());
  }
}

void TfDaneUzytkownika::SaveFile(const QString& path) {
  std::array<HeaderLine, 6> lines;
  for (int n = 1; n <= 6; ++n) {
    HeaderLine& line = lines[Index(n)];
    line.text = ToCp1250(Edit(n)->text());
    line.width = LineWidth(n);
    line.highPrint = HighPrintBox(n) != nullptr && HighPrintBox(n)->isChecked();
  }
  const std::string bytes = SaveUserDataFile(lines, rgTyp->ItemIndex() == 1);
  QFile file(path);
  const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                     file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                         static_cast<qint64>(bytes.size());
  if (!saved) {
    ErrorBeep();
    ShowError(QStringLiteral("Nie można zapisać pliku ") + QDir::toNativeSeparators(path));
  }
}

void TfDaneUzytkownika::LoadFile(const QString& path) {
  QFile file(path);
  LoadedUserData loaded;
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = file.readAll();
    loaded = LoadUserDataFile(
        Cp1250FromFileText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
  } else {
    loaded.formatError = true;
  }
  // A file that is not a header file changes nothing: the lines are taken
  // over only once the whole file has been read.
  if (loaded.formatError) {
    ErrorBeep();
    ShowError(QStringLiteral("Błędny format pliku ") +
              QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    return;
  }
  for (size_t i = 0; i < loaded.lines.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    const LoadedLine& line = loaded.lines[i];
    if (n >= 4) Edit(n)->setEnabled(true);
    PutLine(n, FromCp1250(line.text), line.width.value_or(0));
    if (line.highPrint && HighPrintBox(n) != nullptr) HighPrintBox(n)->setChecked(*line.highPrint);
  }
  SetLayout(loaded.sixLine ? 1 : 0);
}

}  // namespace sigra::app
