#include "ui/check_list_box.h"

#include "ui/application.h"

TCheckListBox::TCheckListBox(QWidget* parent, const std::vector<std::u16string>& items,
                             int item_height)
    : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (const std::u16string& text : items) {
    auto* item = new QListWidgetItem(QString::fromStdU16String(text), this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setSizeHint(QSize(0, item_height));
  }
  connect(this, &QListWidget::itemChanged, this, [this] {
    if (!FProgramSets && OnClickCheck) Application.Guard([this] { OnClickCheck(this); });
  });
}

bool TCheckListBox::Checked(int index) const { return item(index)->checkState() == Qt::Checked; }

void TCheckListBox::SetChecked(int index, bool checked) {
  FProgramSets = true;
  item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  FProgramSets = false;
}
