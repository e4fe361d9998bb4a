#include "gui/controls/message_box.h"

#include <QMessageBox>

namespace grainix {

void showMessageBox(QWidget* parent, const StMessage& m) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (m.kind) {
    case MessageKind::Error:
    case MessageKind::ConversionError: icon = QMessageBox::Critical; break;
    case MessageKind::Warning: icon = QMessageBox::Warning; break;
    case MessageKind::Information: icon = QMessageBox::Information; break;
    case MessageKind::Confirmation: break;
  }
  QMessageBox box(icon, QString::fromStdString(m.title), QString::fromStdString(m.text), QMessageBox::Ok, parent);
  box.setObjectName("MessageBox");
  box.exec();
}

}  // namespace grainix
