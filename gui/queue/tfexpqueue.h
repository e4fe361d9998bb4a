#pragma once
// TFexpQueue — "Experiments Queue": the common parameters (first letters of
// the file names, description, output folder), the three option groups
// (calculations, diagrams, files) and the list of stacking entries. The
// rules live in ExpQueueModel; the window shows its state. exec() returns
// 1 when the user pressed "Start", 2 otherwise.
#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

#include "engine/grain/grain_node.h"
#include "engine/queue/exp_queue_model.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace grainix {

class TGroupBoxExt;

// One option group: a switch and a group box with five items.
class TFrGBparam : public QWidget {
  Q_OBJECT
 public:
  TFrGBparam(const char* name, const QString& switchCaption, const QString& positionsCaption, QWidget* parent);
  QCheckBox* item(QueueItem i) const;

  QCheckBox* ChBonoff = nullptr;
  TGroupBoxExt* GrBox = nullptr;
  QCheckBox *ChBoxPos = nullptr, *ChBoxID = nullptr, *ChBoxRij = nullptr, *ChBoxDiff = nullptr, *ChBoxGr = nullptr;
};

// One row of the entry list: number, summary and the stacking-window button.
class TFrExpValues : public QWidget {
  Q_OBJECT
 public:
  TFrExpValues(int number, const QString& summary, QWidget* parent);
  QLineEdit* Eno = nullptr;
  QLineEdit* Eprm = nullptr;
  QPushButton* Bprm = nullptr;
};

class TFexpQueue : public QDialog {
  Q_OBJECT
 public:
  // `prm` are the grain parameters the stacking window of an entry starts
  // from; `dataFolder` is where its sequence files are looked for.
  TFexpQueue(QWidget* parent, StExpQueue& queue, const QString& dataFolder, StGrainPrm& prm);
  ~TFexpQueue() override;

  ExpQueueModel& model() { return model_; }
  TFrGBparam* frame(QueueGroup g) const;
  const std::vector<TFrExpValues*>& rows() const { return rows_; }

  // ---- components ----
  QLineEdit* EfileHead = nullptr;
  QLineEdit* Edescription = nullptr;
  QLineEdit* Efolder = nullptr;
  QPushButton* Bfolder = nullptr;
  TFrGBparam* FrCalculations = nullptr;
  TFrGBparam* FrDiagram = nullptr;
  TFrGBparam* FrSaveData = nullptr;
  QScrollArea* ScrollBox = nullptr;
  QPushButton* Badd = nullptr;
  QPushButton* Bdel = nullptr;
  QPushButton* BCancel = nullptr;
  QPushButton* BStart = nullptr;

  // ---- commands ----
  void BaddClick();
  void BdelClick();
  void BprmClick(size_t index);  // "<->" of a row
  void EfolderExit();            // the folder edit was left or Enter pressed
  void BfolderClick();           // "..."
  void BStartClick();

  // The folder chooser "Select a folder:" (start folder in, "" when cancelled).
  std::function<QString(QWidget* parent, const QString& start)> chooseFolder;

 protected:
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  QWidget* buildCommonGroup();
  QWidget* buildEntryList();
  void addRow(const StExpQueueRecord& entry);
  void showGroups();
  void showButtons();
  void showMessages(const StCommandResult& res);

  ExpQueueModel model_;
  StGrainPrm& prm_;
  QString dataFolder_;
  QWidget* rowsHost_ = nullptr;
  QVBoxLayout* rowsLayout_ = nullptr;
  std::vector<TFrExpValues*> rows_;
  bool inFolderCheck_ = false;
  QString folderChecked_;        // the text the last check saw
  bool folderWasChecked_ = false;
};

}  // namespace grainix
