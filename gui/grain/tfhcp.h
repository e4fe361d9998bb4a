#pragma once
// TFhcp — "Create hcp structure": edits a stacking sequence of the letters
// A, B and C and the layer geometry, and in build mode generates the stacked
// grain on OK. The rules live in StackingModel; the window shows its texts.
#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "engine/app/build_command.h"
#include "engine/grain/stacking_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace grainix {

class StackingPicture;

class TFhcp : public QDialog {
  Q_OBJECT

 public:
  // Build mode: OK stores the sequence and generates the nodes into `ideal`.
  TFhcp(QWidget* parent, std::string& sequence, const QString& dataFolder, vGrainNodes& ideal, StGrainPrm& prm);
  // Edit mode (a queue entry): OK only stores the sequence.
  TFhcp(QWidget* parent, std::string& sequence, StGrainPrm& prm, const QString& dataFolder = QString());
  ~TFhcp() override;

  StackingModel& model() { return *model_; }

  // ---- components ----
  QLineEdit* Ess = nullptr;       // layers sequence
  QLineEdit* Epm = nullptr;       // transition string
  QLabel* Lstacksize = nullptr;   // number of layers
  QLabel* Lminsize = nullptr;     // "Minimum number of layers:" / "Cylinder height"
  QLabel* Lminsizeval = nullptr;
  QLineEdit* Elhcpa = nullptr;    // in-layer spacing (read-only)
  QLineEdit* Elhcpc = nullptr;    // layer spacing
  QLineEdit* Eca = nullptr;       // c/a
  QLineEdit* Eclp = nullptr;      // equivalent cubic parameter (read-only)
  QCheckBox* ChBsubnet = nullptr;
  QLineEdit* Eprc = nullptr;      // u
  QCheckBox* ChBcut = nullptr;
  QPushButton* Bokhex = nullptr;
  QPushButton* Bcancel = nullptr;
  QMenu* PopupMenu = nullptr;     // of the sequence edit
  StackingPicture* Image = nullptr;

  // ---- commands ----
  void BokhexClick();
  void loadSequenceClick();
  void saveSequenceClick();
  // A typed character as the sequence edit's key filter sees it ('\b' backspace).
  void typeSequenceKey(char key);
  // The experiments queue sets its entry's geometry: "hcp l.p. a", "hcp l.p.
  // c" and "u " as typed; an empty text keeps the initial value.
  void setGeometryTexts(const QString& a, const QString& c, const QString& u);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TFhcp(QWidget* parent, StackingModel::Mode mode, std::string& sequence, const QString& dataFolder,
        vGrainNodes* ideal, StGrainPrm& prm);
  void build();
  void EssChange();
  void EcaChange();
  void ElhcpcChange();
  void showDisplays();
  void showMessages(const StCommandResult& res);

  std::unique_ptr<StackingModel> model_;
  StGrainPrm& prm_;
  vGrainNodes* ideal_;
  QString dataFolder_;
  bool updating_ = false;
};

// The stacking window as the build command uses it: opens TFhcp modally in
// build mode over the given sequence, nodes and grain parameters.
class HcpStackingDialog : public StackingDialog {
 public:
  explicit HcpStackingDialog(QWidget* parent, QString dataFolder = QString());
  bool run(std::string& sequence, vGrainNodes& ideal, StGrainPrm& grainPrm) override;

  void setDataFolder(const QString& folder) { dataFolder_ = folder; }
  // Called with the window once its modal loop runs (tests drive it from here).
  std::function<void(TFhcp&)> onShown;

 private:
  QWidget* parent_;
  QString dataFolder_;
};

}  // namespace grainix
