#pragma once
// What the calculation panel needs from the main window that hosts it: the
// document, the log, the structure inputs it reads when a run starts, and
// the switch board of commands by component name.
#include <QString>
#include <string>

#include "engine/app/workbench.h"
#include "engine/elements/scattering.h"
#include "engine/core/command.h"

class QObject;
class QWidget;

namespace grainix {

class CalcHost {
 public:
  virtual ~CalcHost() = default;
  virtual Workbench& workbench() = 0;
  virtual const ElementTable& elementTable() const = 0;
  virtual void appendLog(const QString& line) = 0;

  // Texts of the "Structure building" inputs as typed.
  virtual QString latticeText() const = 0;   // Elp
  virtual QString radiusText() const = 0;    // Eradius
  virtual QString elementLText() const = 0;  // CBoxElemL
  virtual QString elementRText() const = 0;  // CBoxElemR
  virtual bool monoatomicChecked() const = 0;  // RBmonoatom
  virtual bool fromFileChecked() const = 0;    // RBbase
  virtual QString dataFolder() const = 0;

  // Enables or disables a button or menu item by its component name.
  virtual void setCommandEnabled(const std::string& name, bool enabled) = 0;
  // Priority 0..6 chosen in "Set thread priority".
  virtual int threadPriority() const = 0;
  // Parent of the diagram windows the calculations open.
  virtual QWidget* diagramOwner() = 0;

  // Shows one message box of a command. The default is the real box; hosts
  // and tests route it through their own presenter.
  virtual void showMessage(const StMessage& m);
  // The object the worker threads post their completion events to; it
  // hands them to CalcPanel::handleCompletion. Default: the diagram owner.
  virtual QObject* completionTarget();
};

}  // namespace grainix
