// A captioned group of options of which one is chosen, by index.
#ifndef SIGRA_APP_DIALOGS_RADIO_GROUP_H
#define SIGRA_APP_DIALOGS_RADIO_GROUP_H

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QRadioButton;

namespace sigra::app {

class TRadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  // The options side by side in `columns` columns.
  TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent, int columns = 0);

  // The chosen option; 0 when none is.
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Item(int index) const;

 signals:
  // The operator chose an option.
  void Clicked();

 private:
  std::vector<QRadioButton*> items_;
};

}  // namespace sigra::app

#endif
