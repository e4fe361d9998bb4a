#include "gui/app/message_presenter.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "gui/app/tfpriority.h"
#include "gui/controls/captioned_dialogs.h"

namespace grainix {

void QtMessagePresenter::message(QWidget* parent, const StMessage& m) {
  const QString text = QString::fromStdString(m.text);
  QString title = QString::fromStdString(m.title);
  switch (m.kind) {
    case MessageKind::Error:
    case MessageKind::ConversionError:
      QMessageBox::critical(parent, title.isEmpty() ? QStringLiteral("Error") : title, text);
      break;
    case MessageKind::Warning:
      QMessageBox::warning(parent, title.isEmpty() ? QStringLiteral("WARNING") : title, text);
      break;
    case MessageKind::Confirmation:
      QMessageBox::question(parent, title.isEmpty() ? QStringLiteral("Confirm") : title, text, QMessageBox::StandardButtons(QMessageBox::Ok));
      break;
    case MessageKind::Information:
      QMessageBox::information(parent, title.isEmpty() ? QStringLiteral("Information") : title, text);
      break;
  }
}

bool QtMessagePresenter::inputText(QWidget* parent, const QString& caption, const QString& prompt, QString& value) {
  const auto dialog = makeInputDialog(parent, caption, prompt, value);
  if (dialog->exec() != QDialog::Accepted) return false;
  value = dialog->textValue();
  return true;
}

QString qtFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split('|', Qt::SkipEmptyParts);
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i];
    if (!desc.contains('(')) desc += " (" + parts[i + 1] + ")";
    out << desc;
  }
  return out.join(";;");
}

QString withDefaultExtension(const QString& path, const QString& ext) {
  if (path.isEmpty() || ext.isEmpty()) return path;
  if (QFileInfo(path).suffix().isEmpty()) return path + "." + ext;
  return path;
}

QString QtMessagePresenter::openFileName(QWidget* parent, const StFileDialog& d) {
  return QFileDialog::getOpenFileName(parent, QString(), d.folder, qtFilter(d.filter));
}

QString QtMessagePresenter::saveFileName(QWidget* parent, const StFileDialog& d) {
  QFileDialog dlg(parent);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setDirectory(d.folder);
  dlg.setNameFilter(qtFilter(d.filter));
  dlg.setDefaultSuffix(d.defaultExt);
  dlg.selectFile(d.defaultName);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return withDefaultExtension(dlg.selectedFiles().front(), d.defaultExt);
}

QString QtMessagePresenter::chooseFolder(QWidget* parent, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, "Select a folder:", start);
}

bool QtMessagePresenter::chooseFont(QWidget* parent, QFont& font) {
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, font, parent);
  if (ok) font = f;
  return ok;
}

bool QtMessagePresenter::choosePriority(QWidget* parent, int& priority) {
  TFpriority dlg(priority, parent);
  if (dlg.exec() != QDialog::Accepted) return false;
  priority = dlg.priority();
  return true;
}

}  // namespace grainix
