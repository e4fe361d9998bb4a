#pragma once
// What the modification window asks of the user: message boxes, the
// picture save dialog, the print dialog and the font dialog. Tests install
// a scripted one so nothing waits for a person.
#include <QString>

#include "engine/core/command.h"

class QFont;
class QPrinter;
class QWidget;

namespace grainix {

class ModposUi {
 public:
  virtual ~ModposUi() = default;
  // A message box with the title, text and icon of the message.
  virtual void showMessage(QWidget* parent, const StMessage& message);
  // Save-picture dialog: "" when cancelled.
  virtual QString savePictureName(QWidget* parent, const QString& defaultName, const QString& filter,
                                  const QString& ext);
  // The print dialog for `printer`; false if cancelled.
  virtual bool printDialog(QWidget* parent, QPrinter& printer);
  // Font dialog; false if cancelled.
  virtual bool chooseFont(QWidget* parent, QFont& font);

  static ModposUi& instance();
  // Installs another (not owned); nullptr restores the interactive one.
  static void setInstance(ModposUi* ui);
};

}  // namespace grainix
