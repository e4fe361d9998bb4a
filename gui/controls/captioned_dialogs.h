#pragma once
// Small dialogs sized to their contents: the caption in the title bar and
// every text inside stay readable, however short the fields are.
#include <QString>

#include <memory>

class QInputDialog;
class QWidget;

namespace grainix {

// Widens `dialog` so that its window caption fits in the title bar beside
// the title bar's buttons, and its layout is never squeezed.
void fitCaption(QWidget* dialog);

// The input box with its caption, prompt and default text, sized by fitCaption.
std::unique_ptr<QInputDialog> makeInputDialog(QWidget* parent, const QString& caption, const QString& prompt,
                                              const QString& value);

}  // namespace grainix
