#include "link/port_list_view.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QStyledItemDelegate>

#include "link/serial_ports.h"

namespace serialPorts {
namespace {

constexpr int kComNumberRole = Qt::UserRole + 40;
constexpr int kDeviceRole = Qt::UserRole + 41;

// Draws an entry with its device label in place of the bare entry text.
class DeviceEntryDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString label = index.data(kDeviceRole).toString();
    if (!label.isEmpty()) option->text = label;
  }
};

}  // namespace

void MarkComEntry(QComboBox* portList, int position, int comNumber) {
  portList->setItemData(position, comNumber, kComNumberRole);
}

int ComNumberAt(const QComboBox* portList, int position) {
  if (!portList || position < 0 || position >= portList->count()) return 0;
  return portList->itemData(position, kComNumberRole).toInt();
}

void ShowDevicesInPortList(QComboBox* portList) {
  if (!portList) return;
  if (!dynamic_cast<DeviceEntryDelegate*>(portList->itemDelegate()))
    portList->setItemDelegate(new DeviceEntryDelegate(portList));
  for (int i = 0; i < portList->count(); ++i) {
    const int com = ComNumberAt(portList, i);
    if (com < 1) continue;
    const QString label = EntryLabel(com - 1);
    portList->setItemData(i, label, kDeviceRole);
    portList->setItemData(i, label, Qt::ToolTipRole);
    portList->setItemData(i, label, Qt::AccessibleTextRole);
  }
  // The open list is as wide as its longest label (the delegate measures the labels), which it
  // shows whole.
  QAbstractItemView* view = portList->view();
  view->setTextElideMode(Qt::ElideNone);
  view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() +
                        portList->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  const int com = ComNumberAt(portList, portList->currentIndex());
  portList->setToolTip(com > 0 ? EntryLabel(com - 1) : QString());
  portList->setAccessibleDescription(portList->toolTip());
}

}  // namespace serialPorts
