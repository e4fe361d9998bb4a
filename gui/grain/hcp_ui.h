#pragma once
// What the stacking window asks of the user or the desktop: message boxes,
// the sequence-file dialogs and the beep. Tests install a scripted one so
// nothing waits for a person.
#include <QString>

#include "engine/core/command.h"

class QWidget;

namespace grainix {

class HcpUi {
 public:
  virtual ~HcpUi() = default;
  // A message box with the title, text and icon of the message.
  virtual void showMessage(QWidget* parent, const StMessage& message);
  // File dialogs in `folder` with a "Name (*.ext)|*.ext" filter; "" when cancelled.
  virtual QString openFileName(QWidget* parent, const QString& folder, const QString& filter);
  virtual QString saveFileName(QWidget* parent, const QString& folder, const QString& filter, const QString& ext);
  // A short beep; the desktop offers no pitch or length, so both only
  // matter to a scripted implementation.
  virtual void beep(int frequency, int milliseconds);

  // The one the windows use: by default the interactive one above.
  static HcpUi& instance();
  // Installs another (not owned); nullptr restores the interactive one.
  static void setInstance(HcpUi* ui);
};

// "Name (*.ext)|*.ext|Other|*.x" -> "Name (*.ext);;Other".
QString qtFileFilter(const QString& pipeFilter);

}  // namespace grainix
