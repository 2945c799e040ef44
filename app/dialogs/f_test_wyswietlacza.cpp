#include "app/dialogs/f_test_wyswietlacza.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app/logic/test_pictures.h"

namespace sigra::app {
namespace {

// Shown twice the display's size, each pixel a square of 2 by 2.
constexpr int kScale = 2;

QPixmap ToPixmap(const Picture& picture) {
  QImage image(static_cast<int>(kPictureWidth), static_cast<int>(kPictureHeight),
               QImage::Format_Mono);
  image.setColor(0, qRgb(255, 255, 255));
  image.setColor(1, qRgb(0, 0, 0));
  for (size_t y = 0; y < kPictureHeight; ++y) {
    for (size_t x = 0; x < kPictureWidth; ++x) {
      image.setPixel(static_cast<int>(x), static_cast<int>(y), picture[y][x] ? 1 : 0);
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace

TfTestWyswietlacza::TfTestWyswietlacza(QWidget* parent) : TAnswerDialog(parent) {
  setObjectName(QStringLiteral("fTestWyswietlacza"));
  setWindowTitle(QStringLiteral("Test wyświetlacza"));
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  // The segment texts place their words by spaces, as on the display.
  Label1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  const Picture sigra = SigraPicture();
  const Picture checkerboard = Checkerboard();
  const Picture fine = FinePattern();
  const struct {
    QLabel** member;
    const char* name;
    Picture picture;
  } images[] = {{&iTest1, "iTest1", sigra},
                {&iTest2, "iTest2", Inverse(sigra)},
                {&ITest3, "ITest3", checkerboard},
                {&ITest4, "ITest4", fine},
                {&iTest3Neg, "iTest3Neg", Inverse(checkerboard)},
                {&iTest4Neg, "iTest4Neg", Inverse(fine)}};

  auto* layout = new QGridLayout(this);
  layout->addWidget(Label1, 0, 0, Qt::AlignHCenter);
  for (size_t i = 0; i < images_.size(); ++i) {
    auto* image = new QLabel(this);
    image->setObjectName(QString::fromLatin1(images[i].name));
    image->setPixmap(ToPixmap(images[i].picture));
    image->setScaledContents(true);
    image->setFixedSize(static_cast<int>(kPictureWidth) * kScale,
                        static_cast<int>(kPictureHeight) * kScale);
    image->setFrameStyle(QFrame::Box);
    *images[i].member = image;
    images_[i] = image;
    // The pictures share one place; the test shows one at a time.
    layout->addWidget(image, 1, 0, Qt::AlignHCenter);
  }
  bOK = new QPushButton(QStringLiteral("&OK"), this);
  bOK->setObjectName(QStringLiteral("bOK"));
  bOK->setDefault(true);
  connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(bOK, 2, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  HideImages();
}

void TfTestWyswietlacza::HideImages() {
  for (QLabel* image : images_) image->hide();
}

QLabel* TfTestWyswietlacza::ShownImage() const {
  for (QLabel* image : images_) {
    if (!image->isHidden()) return image;
  }
  return nullptr;
}

}  // namespace sigra::app
