#pragma once
// Everything the main window asks the user through a modal box or dialog
// goes through this interface, so tests can answer without blocking.
#include <QFont>
#include <QString>
#include <memory>

#include "engine/core/command.h"

class QWidget;

namespace grainix {

struct StFileDialog {
  QString folder;       // initial folder
  QString defaultName;  // save dialogs: proposed file name
  QString defaultExt;   // appended to a name typed without an extension
  QString filter;       // "Description (*.ext)|*.ext|..." notation
};

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual void message(QWidget* parent, const StMessage& m) = 0;
  // Input box: false when cancelled (`value` keeps the default).
  virtual bool inputText(QWidget* parent, const QString& caption, const QString& prompt, QString& value) = 0;
  // "" when cancelled.
  virtual QString openFileName(QWidget* parent, const StFileDialog& d) = 0;
  virtual QString saveFileName(QWidget* parent, const StFileDialog& d) = 0;
  // Folder chooser "Select a folder:"; "" when cancelled.
  virtual QString chooseFolder(QWidget* parent, const QString& start) = 0;
  virtual bool chooseFont(QWidget* parent, QFont& font) = 0;
  // Thread priority dialog: false on Cancel.
  virtual bool choosePriority(QWidget* parent, int& priority) = 0;
};

// The real dialogs.
class QtMessagePresenter : public MessagePresenter {
 public:
  void message(QWidget* parent, const StMessage& m) override;
  bool inputText(QWidget* parent, const QString& caption, const QString& prompt, QString& value) override;
  QString openFileName(QWidget* parent, const StFileDialog& d) override;
  QString saveFileName(QWidget* parent, const StFileDialog& d) override;
  QString chooseFolder(QWidget* parent, const QString& start) override;
  bool chooseFont(QWidget* parent, QFont& font) override;
  bool choosePriority(QWidget* parent, int& priority) override;
};

// "Name (*.ext)|*.ext|Other (*.x)|*.x|" -> "Name (*.ext);;Other (*.x)".
QString qtFilter(const QString& pipeFilter);
// Appends "." + ext when the chosen name has no extension.
QString withDefaultExtension(const QString& path, const QString& ext);

}  // namespace grainix
