#include "gui/controls/captioned_dialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLayout>

#include <algorithm>

namespace grainix {

namespace {
// Room the desktop's title bar takes beside the caption (icon and buttons).
constexpr int kTitleBarExtra = 150;
}  // namespace

void fitCaption(QWidget* dialog) {
  QFont titleFont = QApplication::font();
  titleFont.setBold(true);  // title bars usually draw the caption bold
  const int captionWidth = QFontMetrics(titleFont).horizontalAdvance(dialog->windowTitle()) + kTitleBarExtra;
  if (dialog->layout()) dialog->layout()->activate();
  const int contents = dialog->sizeHint().width();
  dialog->setMinimumWidth(std::max({captionWidth, contents, 300}));
  dialog->resize(dialog->minimumWidth(), dialog->sizeHint().height());
}

std::unique_ptr<QInputDialog> makeInputDialog(QWidget* parent, const QString& caption, const QString& prompt,
                                              const QString& value) {
  auto d = std::make_unique<QInputDialog>(parent);
  d->setWindowTitle(caption);
  d->setLabelText(prompt);
  d->setTextValue(value);
  d->setInputMode(QInputDialog::TextInput);
  fitCaption(d.get());
  return d;
}

}  // namespace grainix
