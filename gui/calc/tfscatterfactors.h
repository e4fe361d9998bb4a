#pragma once
// The element editor: the element table file as an editable grid, with its
// popup (add, remove, save) and the scattering-factor graph of the selected
// element with the Debye-Waller factor.
#include <QDialog>
#include <functional>

#include "engine/elements/element_table.h"
#include "engine/core/command.h"
#include "engine/plot/diagram_desc.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

namespace grainix {

class TFscatterFactors : public QDialog {
  Q_OBJECT
 public:
  using MessageSink = std::function<void(const StMessage&)>;
  using DiagramOpener = std::function<QWidget*(QWidget* owner, const DiagramDesc& desc)>;

  // Reads "scfact.sft" (any letter case) from `exeDir`; saves "scFact.sft"
  // into `workingDir`. `messages` nullptr: the real message boxes.
  TFscatterFactors(const QString& exeDir, const QString& workingDir, QWidget* parent = nullptr,
                   MessageSink messages = nullptr);

  // Opens the editor modally; true ("changed") when the table file may
  // have changed and must be reloaded.
  static bool edit(const QString& exeDir, const QString& workingDir, QWidget* parent, MessageSink messages = nullptr);

  bool changed() const { return model_.changed(); }
  const ElementGridModel& model() const { return model_; }
  void setDiagramOpener(DiagramOpener opener) { opener_ = std::move(opener); }

  // Commands.
  void addRecord();
  void removeLastRecord();
  bool saveArray();
  QWidget* scatFactorGraph();  // the diagram window opened, or nullptr

  QTableWidget* StrGrid = nullptr;
  QLineEdit *Emaxsin = nullptr, *Etemp = nullptr;
  QPushButton* Bgraph = nullptr;
  QMenu* PopupMenu = nullptr;

 private:
  void fillGrid();
  void paintRow(int gridRow);
  void show(const StMessage& m);

  QString workingDir_;
  ElementGridModel model_;
  MessageSink messages_;
  DiagramOpener opener_;
  bool filling_ = false;
};

}  // namespace grainix
