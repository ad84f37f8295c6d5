#include "ui/check_list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

#include "ui/application.h"

namespace {

// Draws each item in the list's own colours: a white box with a clear outline and a dark tick,
// the current item on a deeper shade of the list's background instead of the toolkit's bar.
// A click anywhere on an item, or Space on the current one, toggles its mark.
class TCheckItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QColor background = option.palette.color(QPalette::Base);
    const QColor ink(40, 60, 20);
    if (option.state & QStyle::State_HasFocus || option.state & QStyle::State_Selected) {
      painter->setPen(QPen(background.darker(140), 1));
      painter->setBrush(background.darker(112));
      painter->drawRoundedRect(QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    const QRectF box = CheckBox(option.rect);
    painter->setPen(QPen(ink, 1.2));
    painter->setBrush(Qt::white);
    painter->drawRoundedRect(box, 2, 2);
    if (index.data(Qt::CheckStateRole).toInt() == Qt::Checked) {
      QPainterPath tick;
      tick.moveTo(box.left() + 2.5, box.center().y());
      tick.lineTo(box.left() + box.width() * 0.42, box.bottom() - 2.5);
      tick.lineTo(box.right() - 2.2, box.top() + 2.5);
      painter->setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter->setBrush(Qt::NoBrush);
      painter->drawPath(tick);
    }
    painter->setPen(option.palette.color(QPalette::Text));
    painter->setFont(option.font);
    const QRect text = option.rect.adjusted(static_cast<int>(box.right()) + 6 - option.rect.left(), 0, 0, 0);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
    painter->restore();
  }

  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem&,
                   const QModelIndex& index) override {
    bool toggle = false;
    if (event->type() == QEvent::MouseButtonRelease)
      toggle = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    else if (event->type() == QEvent::MouseButtonDblClick)
      return true;  // the press and release already toggled
    else if (event->type() == QEvent::KeyPress)
      toggle = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
    if (!toggle) return false;
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
  }

 private:
  static QRectF CheckBox(const QRect& item) {
    const qreal side = std::min(13, item.height() - 4);
    return QRectF(item.left() + 4.5, item.center().y() - side / 2 + 0.5, side, side);
  }
};

}  // namespace

TCheckListBox::TCheckListBox(QWidget* parent, const std::vector<std::u16string>& items,
                             int item_height)
    : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setItemDelegate(new TCheckItemDelegate(this));
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
