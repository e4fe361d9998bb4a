#include "gui/plot/diagram_ui.h"

#include <QApplication>
#include <QDialog>
#include <QDrag>
#include <QFileDialog>
#include <QInputDialog>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include "gui/controls/captioned_dialogs.h"
#include "gui/controls/message_box.h"

namespace grainix {

void DiagramUi::showMessage(QWidget* parent, const StMessage& m) {
  StMessage shown = m;
  if (shown.title.empty()) shown.title = QApplication::applicationName().toStdString();
  showMessageBox(parent, shown);
}

QString DiagramUi::getSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                   const QString& defaultSuffix) {
  QFileDialog dialog(parent, caption, QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(defaultSuffix);
  // A name typed without an extension gets the one of the chosen filter.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
    const int star = f.indexOf("*.");
    if (star < 0) return;
    QString ext = f.mid(star + 2);
    ext = ext.left(ext.indexOf(QRegularExpression("[^A-Za-z0-9]")));
    if (!ext.isEmpty()) dialog.setDefaultSuffix(ext.toLower());
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QString DiagramUi::getOpenFileName(QWidget* parent, const QString& caption, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString DiagramUi::inputBox(QWidget* parent, const QString& title, const QString& prompt, const QString& value) {
  const auto dialog = makeInputDialog(parent, title, prompt, value);
  return dialog->exec() == QDialog::Accepted ? dialog->textValue() : value;
}

int DiagramUi::execDialog(QDialog& dialog) { return dialog.exec(); }

bool DiagramUi::execPrintDialog(QWidget* parent, QPrinter& printer) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool DiagramUi::startDetached(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

void DiagramUi::beep(int, int) { QApplication::beep(); }

void DiagramUi::startDrag(QWidget* source, QMimeData* data) {
  auto* drag = new QDrag(source);
  drag->setMimeData(data);
  drag->exec(Qt::CopyAction);
}

namespace {
DiagramUi* g_installed = nullptr;
}

DiagramUi& DiagramUi::instance() {
  static DiagramUi interactive;
  return g_installed ? *g_installed : interactive;
}

void DiagramUi::setInstance(DiagramUi* ui) { g_installed = ui; }

}  // namespace grainix
