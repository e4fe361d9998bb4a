#pragma once
// The fityk window ("Skrypt fityka"): turns the current PDH, or the peaks
// of the current G(r), into a fityk script. The rules live in FitykModel;
// this window binds its controls to it and shows what it returns.
#include <QString>
#include <QWidget>
#include <functional>

#include "engine/fit/fityk_model.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace grainix {

class TDigitLabeledEdit;

// What the window asks the user through modal boxes and dialogs; the
// defaults are the real ones.
struct FitykUi {
  std::function<void(QWidget* parent, const StMessage& m)> message;
  // "" when cancelled.
  std::function<QString(QWidget* parent, const StFitykSaveDialog& d)> saveFileName;
};

class TFfityk : public QWidget {
  Q_OBJECT
 public:
  // A top-level window owned by `owner`, destroyed when closed.
  TFfityk(StFitFormPrm& prm, QWidget* owner, FitykUi ui = {});

  FitykModel& model() { return model_; }

  // Commands (the handlers of the named controls).
  void RBpdhClick();
  void RBgrClick();
  void CmBChange(int index);
  void CmBoxFiltrChange(int index);
  void BitBtn2Click();  // "Lista"
  void BwykonajClick(); // "Wykonaj"
  void BsaveClick();
  QWidget* lastDiagram() const { return lastDiagram_; }

  TDigitLabeledEdit *Elp = nullptr, *Emin = nullptr, *Emax = nullptr, *Estd = nullptr, *Eam = nullptr;
  QRadioButton *RBpdh = nullptr, *RBgr = nullptr;
  QComboBox *CmB = nullptr, *CmBtlo = nullptr, *CmBoxFiltr = nullptr;
  QCheckBox *ChBcprm = nullptr, *ChBmnoz = nullptr;
  QPlainTextEdit* Memo = nullptr;
  QPushButton *BitBtn2 = nullptr, *Bsave = nullptr, *Bclose = nullptr;
  QGroupBox* GBfiltr = nullptr;
  TDigitLabeledEdit *En = nullptr, *Ezakres = nullptr;
  QPushButton *Bwykonaj = nullptr, *Bpodglad = nullptr;

 private:
  void buildUi();
  void readControls();
  void showControls();
  void showResult(const StCommandResult& r);

  FitykModel model_;
  FitykUi ui_;
  QWidget* lastDiagram_ = nullptr;
  bool showing_ = false;
};

}  // namespace grainix
