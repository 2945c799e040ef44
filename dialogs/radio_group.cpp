#include "dialogs/radio_group.h"

#include <QBoxLayout>
#include <QRadioButton>

namespace sigra::app {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items,
                         Qt::Orientation orientation, QWidget* parent)
    : QGroupBox(caption, parent) {
  auto* layout = new QBoxLayout(
      orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, this);
  layout->setContentsMargins(4, caption.isEmpty() ? 2 : 4, 4, 2);
  for (const QString& text : items) {
    auto* item = new QRadioButton(text, this);
    items_.push_back(item);
    layout->addWidget(item);
    connect(item, &QRadioButton::toggled, this, [this](bool on) {
      if (on) emit Click();
    });
  }
}

int TRadioGroup::ItemIndex() const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->isChecked()) return static_cast<int>(i);
  }
  return -1;
}

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < static_cast<int>(items_.size())) {
    items_[static_cast<size_t>(index)]->setChecked(true);
  }
}

}  // namespace sigra::app
