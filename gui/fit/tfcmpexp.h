#pragma once
// TFcmpExp, "Compare to experiment": experimental data next to the model.
// Plots an experimental file, turns an experimental pattern into a
// normalised intensity, prepares approximate peaks (from the model's PDH or
// from a file), runs the fitter and shows its results and fitted curve.
#include <QDialog>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/calc/scattering.h"
#include "engine/fit/fit_form_prm.h"
#include "engine/fit/fit_functions.h"
#include "engine/fit/pipe_link.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QGroupBox;
class QTabWidget;
class QToolButton;

namespace grainix {

class ThPipe;

// What the window asks of the user. Tests replace the file dialogs; the
// message boxes are the real ones unless replaced too.
class CmpExpUi {
 public:
  virtual ~CmpExpUi() = default;
  virtual void showMessage(QWidget* parent, const StMessage& message);
  // Open dialog; "" when cancelled. `filter` in "Name (*.x)|*.x" notation.
  virtual QString openFileName(QWidget* parent, const QString& folder, const QString& filter);
  static CmpExpUi& instance();
  static void setInstance(CmpExpUi* ui);  // not owned; nullptr: the interactive one
};

// Where the window finds its files and programs.
struct StCmpExpOptions {
  QString settingsPath;      // the settings file (keys "pathDataExp", "laMono", "N")
  QString elementTablePath;  // the window's own copy of the element table
  QString tempFolder;        // "confitt.txt" and the socket live here
  QString fitterProgram;     // "" : "fitworker" beside the executable, else on PATH
  QString home;              // default experimental-data folder
  StPipeTiming pipeTiming;
};

class TFcmpExp : public QDialog {
  Q_OBJECT
 public:
  TFcmpExp(QWidget* owner, StFitFormPrm& prm, StCmpExpOptions options);
  ~TFcmpExp() override;

  // ---- commands
  void BplotClick();
  void BgrClick();          // "Calculate G(r)"
  void BgrgraphClick();     // "PDF diagram"
  void RBpdhClick();
  void RBfileClick();
  void BshowpeaksClick();   // "Show/Modify"
  void BstartClick();       // START or STOP
  void BfitplotClick();
  void startFit();
  void stopFit();
  // Chooses a file of the current folder (as a click in the file list does).
  void chooseFile(const QString& name);
  // Makes `folder` the current folder of the file lists.
  void setDataFolder(const QString& folder);

  // ---- state, for the owner and tests
  const std::vector<double>& positions() const { return positions_; }
  const std::vector<double>& heights() const { return heights_; }
  void setPeaks(std::vector<double> positions, std::vector<double> heights);
  const std::vector<std::unique_ptr<clFunction>>& results() const { return results_; }
  const StDiffPattern& pattern() const { return pattern_; }
  QString dataFolder() const { return currentDir_; }
  QString configPath() const;
  QString pipePath() const;
  bool fitRunning() const { return running_; }
  QStringList memoLines() const;

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void done(int r) override;

 private:
  void buildUi();
  QWidget* buildGeneralPage();
  QWidget* buildAdditionalPage();
  void loadElementTable();
  void readSettings();
  void writeSettings();
  void refreshLists();
  void updateEnabling();
  void showBoxes(const std::vector<StMessage>& messages);
  void appendMemo(const std::vector<std::string>& lines);
  void restoreStart();
  void pipeDone(int lParam, quint64 serial);
  bool readChosenFile(StData& data);
  QString chosenPath() const;
  void shutdown();

  StFitFormPrm& prm_;
  StCmpExpOptions options_;
  std::vector<double> positions_, heights_;
  std::vector<std::unique_ptr<clFunction>> results_;
  ElementTable table_;
  StDiffPattern pattern_;
  StPipeResults pipe_;
  std::unique_ptr<ThPipe> thread_;
  quint64 serial_ = 0;
  int fitDiagramNo_ = 0;
  int colorIndex_ = 0;
  bool fileChosen_ = false;
  bool peaksExist_ = false;
  bool running_ = false;
  bool shutDown_ = false;
  QString currentDir_;
  QString runFile_;      // the data file and mode of the running fit
  QString runMode_;
  int runBackground_ = 0;

  QTabWidget* pages_ = nullptr;
  QLabel* Ldir_ = nullptr;
  QListWidget* DirListBox_ = nullptr;
  QListWidget* FileListBox_ = nullptr;
  QComboBox* FilterComboBox_ = nullptr;
  QLineEdit* EfileName_ = nullptr;
  QPushButton* Bbrowse_ = nullptr;
  QPushButton* Bplot_ = nullptr;
  QCheckBox* ChBgr_ = nullptr;
  QGroupBox* GBgr_ = nullptr;
  QGroupBox* GBatomsel_ = nullptr;
  QLineEdit *Estart_ = nullptr, *Estep_ = nullptr, *Estop_ = nullptr, *Elam_ = nullptr, *En_ = nullptr;
  QPushButton* Bgr_ = nullptr;
  QToolButton* Bgrgraph_ = nullptr;
  QRadioButton *RBmono_ = nullptr, *RBbi_ = nullptr;
  QComboBox *CBoxElemL_ = nullptr, *CBoxElemR_ = nullptr;
  QLineEdit *Emaxiter_ = nullptr, *Eepsabs_ = nullptr, *Eepsrel_ = nullptr, *Esigma_ = nullptr;
  QComboBox* CmBmeth_ = nullptr;
  QComboBox *CmBmode_ = nullptr, *CmBpeek_ = nullptr, *CmBtlo_ = nullptr;
  QLineEdit *Eav_ = nullptr, *Ebv_ = nullptr, *Ecv_ = nullptr, *Eta_ = nullptr, *Etb_ = nullptr, *Etc_ = nullptr;
  QRadioButton *RBpdh_ = nullptr, *RBfile_ = nullptr;
  QPushButton* Bshowpeaks_ = nullptr;
  QPushButton* Bstart_ = nullptr;
  QPushButton* Bfitplot_ = nullptr;
  QPlainTextEdit* Memo_ = nullptr;
  QCheckBox *ChBs_ = nullptr, *ChBg_ = nullptr, *ChBw_ = nullptr, *Chbres_ = nullptr, *ChBshowdata_ = nullptr,
            *ChBsc_ = nullptr;
  QLineEdit *Elogfilename_ = nullptr, *Eppu_ = nullptr, *Emaxx_ = nullptr;
};

}  // namespace grainix
