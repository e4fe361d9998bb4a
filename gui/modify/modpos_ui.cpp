#include "gui/modify/modpos_ui.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "gui/controls/message_box.h"

namespace grainix {

namespace {
ModposUi* g_installed = nullptr;
}

void ModposUi::showMessage(QWidget* parent, const StMessage& m) { showMessageBox(parent, m); }

QString ModposUi::savePictureName(QWidget* parent, const QString& defaultName, const QString& filter,
                                  const QString& ext) {
  QFileDialog d(parent, QString(), defaultName, filter);
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setDefaultSuffix(ext);
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
  return d.selectedFiles().front();
}

bool ModposUi::printDialog(QWidget* parent, QPrinter& printer) {
  QPrintDialog d(&printer, parent);
  return d.exec() == QDialog::Accepted;
}

bool ModposUi::chooseFont(QWidget* parent, QFont& font) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, font, parent);
  if (ok) font = chosen;
  return ok;
}

ModposUi& ModposUi::instance() {
  static ModposUi interactive;
  return g_installed ? *g_installed : interactive;
}

void ModposUi::setInstance(ModposUi* ui) { g_installed = ui; }

}  // namespace grainix
