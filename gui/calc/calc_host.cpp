#include "gui/calc/calc_host.h"

#include <QMessageBox>
#include <QWidget>

namespace grainix {

void CalcHost::showMessage(const StMessage& m) {
  QWidget* parent = diagramOwner();
  const QString text = QString::fromStdString(m.text);
  switch (m.kind) {
    case MessageKind::Error:
    case MessageKind::ConversionError:
      QMessageBox::critical(parent, QString::fromStdString(m.title.empty() ? "ERROR" : m.title), text);
      break;
    case MessageKind::Warning:
      QMessageBox::warning(parent, "WARNING", text);
      break;
    case MessageKind::Confirmation:
    case MessageKind::Information:
      QMessageBox::information(parent, QString::fromStdString(m.title), text);
      break;
  }
}

QObject* CalcHost::completionTarget() { return diagramOwner(); }

}  // namespace grainix
