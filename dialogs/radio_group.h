// A framed group of radio buttons with one chosen item, as the dialogs use
// for their options: the index of the chosen item, and a signal whenever the
// choice changes, by the operator or by the program.
#ifndef SIGRA_DIALOGS_RADIO_GROUP_H
#define SIGRA_DIALOGS_RADIO_GROUP_H

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QRadioButton;

namespace sigra::app {

class TRadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  TRadioGroup(const QString& caption, const QStringList& items, Qt::Orientation orientation,
              QWidget* parent);

  // -1 while no item is chosen.
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Item(int index) const { return items_[static_cast<size_t>(index)]; }

 signals:
  // The choice changed.
  void Click();

 private:
  std::vector<QRadioButton*> items_;
};

}  // namespace sigra::app

#endif
