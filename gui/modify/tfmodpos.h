#pragma once
// TFmodpos — "Modify atoms positions": the sections table with its strip
// picture and plot, the thermal-vibration inputs, "Modify" with its
// progress bar, the summary pane, "Verify" and Accept/Cancel. The rules live
// in ModPosModel; the window shows its texts and applies what it returns.
#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

#include "engine/modify/modpos_model.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace grainix {

class SectionsStrip;
class TFdiagram;

class TFmodpos : public QDialog {
  Q_OBJECT

 public:
  // `random`/`clock`: the generator of the thermal displacements (tests
  // pass a fixed one); nullptr for the default.
  explicit TFmodpos(QWidget* parent, StFmodPosPrm& prm, std::unique_ptr<ThermalRandom> random = nullptr,
                    ClockSeconds clock = nullptr);
  ~TFmodpos() override;

  ModPosModel& model() { return model_; }

  // ---- components ----
  SectionsStrip* Isections = nullptr;
  QTableWidget* StrGrid = nullptr;
  QMenu* GridPopup = nullptr;
  QPushButton *Bplus = nullptr, *Bplus3 = nullptr, *Bminus = nullptr, *Bdel = nullptr;
  QPushButton *Bplot = nullptr, *BitBtn1 = nullptr, *BsavePicdial = nullptr;
  QPlainTextEdit* Memo = nullptr;
  QMenu* MemoPopup = nullptr;
  QPushButton* Bmodify = nullptr;
  QCheckBox* ChBoxThVib = nullptr;
  QGroupBox* GBrandprm = nullptr;
  QComboBox* Combodist = nullptr;
  QLineEdit* Etemp = nullptr;
  QLabel *LampNet = nullptr, *LampSubnet = nullptr;
  QLineEdit *EmsdNet = nullptr, *EmsdSubnet = nullptr;
  QLineEdit *Enetacp = nullptr, *Edeclev = nullptr, *Ebarnum = nullptr;
  QPushButton* Bcheck = nullptr;
  QProgressBar* ProgressBar = nullptr;
  QPushButton *Bok = nullptr, *Bcancel = nullptr;

  // ---- commands ----
  void BmodifyClick();
  void BcheckClick();
  void BplotClick();
  void BprintClick();
  void BsavePicdialClick();
  void MemoClick();
  void clearMemoClick();
  void fontClick();
  void BplusClick();
  void Bplus3Click();
  void BminusClick();
  void BdelClick();
  // An edit of a grid cell ended with `text` (the row is written now).
  void cellEdited(int gridRow, int col, const QString& text);
  // "Accept": boxes still waiting are shown first, and the window stays open.
  void BokClick();

  // The diagram windows this window opened ("Plot", "Verify"); they belong
  // to this window and close with it.
  TFdiagram* lastDiagram() const;
  // The grid as it shows on screen (the picture "Print" and "Save in BMP" use).
  QImage gridImage() const;
  // True while "Modify" runs.
  bool busy() const { return busy_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  void build();
  QWidget* buildSections();
  QWidget* buildThermal();
  void fillGrid();
  void refreshGridRow(int row);
  void refreshThermal();
  void applyStates(const CommandStates& states);
  void apply(const StCommandResult& res);
  void showMessage(const StMessage& m);
  // Boxes that belong to a key or focus event are shown once the event is
  // over (a modal loop inside it could delete the widget that has it).
  void showLater(const std::vector<StMessage>& messages);
  // Shows the boxes still waiting; false when there were none.
  bool showPending();
  void setBusy(bool busy);

  StFmodPosPrm& prm_;
  ModPosModel model_;
  QPointer<TFdiagram> lastDiagram_;
  bool busy_ = false;
  bool refreshing_ = false;
  bool firstShow_ = true;
  std::vector<StMessage> pending_;
};

}  // namespace grainix
