#include "link/port_list_view.h"

#include <QComboBox>
#include <QStyledItemDelegate>

#include "link/serial_ports.h"

namespace serialPorts {
namespace {

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

void ShowDevicesInPortList(QComboBox* portList) {
  if (!portList) return;
  if (!dynamic_cast<DeviceEntryDelegate*>(portList->itemDelegate()))
    portList->setItemDelegate(new DeviceEntryDelegate(portList));
  for (int i = 0; i < portList->count() && i < kSerialPortCount; ++i) {
    const QString label = EntryLabel(i);
    portList->setItemData(i, label, kDeviceRole);
    portList->setItemData(i, label, Qt::ToolTipRole);
  }
  const int current = portList->currentIndex();
  portList->setToolTip(current >= 0 && current < kSerialPortCount ? EntryLabel(current)
                                                                  : QString());
}

}  // namespace serialPorts
