#pragma once
// A modal message box for one message of a command: its title, text and
// the icon of its kind, with one OK button.
#include "engine/core/command.h"

class QWidget;

namespace grainix {

void showMessageBox(QWidget* parent, const StMessage& message);

}  // namespace grainix
