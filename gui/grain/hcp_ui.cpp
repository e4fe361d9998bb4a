#include "gui/grain/hcp_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "gui/controls/message_box.h"

namespace grainix {

namespace {
HcpUi* g_installed = nullptr;
}  // namespace

void HcpUi::showMessage(QWidget* parent, const StMessage& m) { showMessageBox(parent, m); }

QString HcpUi::openFileName(QWidget* parent, const QString& folder, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, QString(), folder, qtFileFilter(filter));
}

QString HcpUi::saveFileName(QWidget* parent, const QString& folder, const QString& filter, const QString& ext) {
  QFileDialog d(parent, QString(), folder, qtFileFilter(filter));
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setDefaultSuffix(ext);
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
  return d.selectedFiles().front();
}

void HcpUi::beep(int, int) { QApplication::beep(); }

HcpUi& HcpUi::instance() {
  static HcpUi interactive;
  return g_installed ? *g_installed : interactive;
}

void HcpUi::setInstance(HcpUi* ui) { g_installed = ui; }

QString qtFileFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split('|', Qt::SkipEmptyParts);
  QStringList out;
  for (int i = 0; i < parts.size(); i += 2) out << parts[i];
  return out.join(";;");
}

}  // namespace grainix
