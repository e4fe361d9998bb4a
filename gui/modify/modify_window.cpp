#include "gui/modify/modify_window.h"

#include <QTimer>

#include "engine/app/modify_command.h"
#include "engine/app/workbench.h"
#include "gui/modify/modpos_ui.h"
#include "gui/modify/tfmodpos.h"

namespace grainix {

StCommandResult runModifyCommand(QWidget* parent, Workbench& wb, const ElementTable& table,
                                 const std::function<void(TFmodpos&)>& onShown) {
  for (const auto& m : modifyOpening(wb).messages) ModposUi::instance().showMessage(parent, m);
  StModifySession session(wb, table);
  bool accepted = false;
  {
    TFmodpos window(parent, session.prm);
    if (onShown) QTimer::singleShot(0, &window, [&onShown, &window] { onShown(window); });
    accepted = window.exec() == QDialog::Accepted;
  }
  return modifyClosed(wb, accepted, session);
}

}  // namespace grainix
