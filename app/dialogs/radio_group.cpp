#include "app/dialogs/radio_group.h"

#include <QGridLayout>
#include <QRadioButton>

namespace sigra::app {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent,
                         int columns)
    : QGroupBox(caption, parent) {
  auto* layout = new QGridLayout(this);
  const int perRow = columns > 0 ? columns : static_cast<int>(items.size());
  for (int i = 0; i < items.size(); ++i) {
    auto* item = new QRadioButton(items[i], this);
    layout->addWidget(item, i / perRow, i % perRow);
    connect(item, &QRadioButton::clicked, this, &TRadioGroup::Clicked);
    items_.push_back(item);
  }
  if (!items_.empty()) items_.front()->setChecked(true);
}

int TRadioGroup::ItemIndex() const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->isChecked()) return static_cast<int>(i);
  }
  return 0;
}

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && static_cast<size_t>(index) < items_.size()) {
    items_[static_cast<size_t>(index)]->setChecked(true);
  }
}

QRadioButton* TRadioGroup::Item(int index) const {
  return items_.at(static_cast<size_t>(index));
}

}  // namespace sigra::app
