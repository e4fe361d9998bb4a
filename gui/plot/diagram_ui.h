#pragma once
// Everything a diagram window asks of the user or of the desktop that can
// block or reach outside the program: message boxes, file and input
// dialogs, modal dialogs, the print dialog, starting outside programs, the
// beep and series drags. The windows go through DiagramUi::instance(); the
// tests install a scripted one so nothing waits for a person.
#include <QString>
#include <QStringList>

#include <string>

#include "engine/core/command.h"

class QDialog;
class QPrinter;
class QWidget;
class QMimeData;

namespace grainix {

class DiagramUi {
 public:
  virtual ~DiagramUi() = default;

  // A message box with the title, text and icon of the message.
  virtual void showMessage(QWidget* parent, const StMessage& message);
  // Save dialog; an empty result means cancelled. `filter` is a Qt filter
  // list ("Bitmaps (*.bmp);;PNG (*.png)"), `defaultSuffix` without the dot.
  virtual QString getSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                  const QString& defaultSuffix);
  // Open dialog; an empty result means cancelled.
  virtual QString getOpenFileName(QWidget* parent, const QString& caption, const QString& filter);
  // Input box; on cancel returns `value` unchanged.
  virtual QString inputBox(QWidget* parent, const QString& title, const QString& prompt, const QString& value);
  // Runs a modal dialog; returns its result code.
  virtual int execDialog(QDialog& dialog);
  // The print dialog for `printer`; false if cancelled.
  virtual bool execPrintDialog(QWidget* parent, QPrinter& printer);
  // Starts a program without waiting for it; false if it cannot be started.
  virtual bool startDetached(const QString& program, const QStringList& arguments);
  virtual void beep(int frequency, int milliseconds);
  // Runs a drag of `data` from `source` (takes ownership of `data`).
  virtual void startDrag(QWidget* source, QMimeData* data);

  // The one the windows use: by default the interactive one above.
  static DiagramUi& instance();
  // Installs another (not owned); nullptr restores the interactive one.
  static void setInstance(DiagramUi* ui);
};

}  // namespace grainix
