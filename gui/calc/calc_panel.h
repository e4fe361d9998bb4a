#pragma once
// The calculation part of the main window's left panel: radiation, PDH,
// diffraction, G(r) and windowing groups, the "Calculations" group with
// STOP, the progress bar CGauge and the pie CG. It starts the worker
// threads, takes their results over when their completion events arrive
// (forwarded by the host through handleCompletion) and opens the diagrams.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "engine/app/calc_commands.h"
#include "engine/calc/radiation.h"
#include "engine/calc/windowing.h"
#include "gui/calc/calc_host.h"
#include "gui/calc/calc_threads.h"

class QCheckBox;
class QComboBox;
class QEvent;
class QEventLoop;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace grainix {

struct StFitFormPrm;

// The small pie of the "Calculations" group: maximum 4, advanced by the timer.
class PieGauge : public QWidget {
 public:
  explicit PieGauge(QWidget* parent = nullptr);
  void setProgress(int value);
  int progress() const { return value_; }
  QSize sizeHint() const override { return {24, 24}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  int value_ = 0;
};

// A caption that toggles its check box when clicked.
class ClickLabel;

class CalcPanel : public QWidget {
  Q_OBJECT
 public:
  // Opens one diagram window owned by `owner`; returns it (nullptr: none).
  using DiagramOpener = std::function<QWidget*(QWidget* owner, const DiagramDesc& desc)>;

  explicit CalcPanel(CalcHost& host, QWidget* parent = nullptr);
  ~CalcPanel() override;  // stops and awaits the threads

  // Handles a completion event posted to the host's completion target;
  // true when it was one (consumed), false for any other event.
  bool handleCompletion(QEvent* e);
  // Close sequence: every thread is asked to stop and awaited, waiting
  // chained commands end, a running queue starts no further entry and no
  // chained run starts afterwards. Results are left as the threads left them.
  Q_INVOKABLE void stopAndAwaitThreads();
  // A command that chains calculations (the experiments queue) runs one as
  // its button does and waits in a local event loop until the completion
  // event or STOP ends the wait. A stopped run is awaited before this
  // returns, so its records may be read. True when the run ended normally;
  // false when it was refused, did not start or was stopped.
  enum class Run { Pdh, Diffraction, Gr, Delta };
  bool runAndWait(Run which);
  // A calculation runs or a stopped one has not ended yet: the result
  // records must not be read or replaced.
  bool calculationRunning() const;
  // Asked by every command that replaces the grain or a calculation's
  // inputs (build, file reads, modification, element table): while a
  // calculation runs it is refused with a beep and a log line naming
  // `command` (false); otherwise a stopped run still finishing is awaited
  // first (true).
  bool mayChangeWorkbench(const char* command);
  // Enables and checks the "S"/"I" and "Angle"/"Q" choices the current
  // pattern offers (all for a computed one, two for one read from a file).
  void syncUnits();
  const StCalcFlags& flags() const { return flags_; }
  StCalcFlags& flags() { return flags_; }

  // Commands (the handlers of the named controls).
  void BLiczPdfClick();
  void BstopClick();
  void BGrafClick();
  void BHistogramClick();
  void BpdfdyfrClick();
  void BdiffgraphClick();
  void BsqClick();
  void BgrgraphClick();
  void RBsClick();
  void BrijnewClick();    // delta(r) calculation (also called by the queue)
  void BrijgraphClick();  // "delta(r) diagram"
  void N1161Click(int tag);  // bin-width popup items

  // "Compare with experiment": the G(r) range, radius, bin width and
  // wavelength into the fit-form record and the G(r) input record, whose
  // window becomes a new Lorch window. Refused while a calculation runs.
  bool prepareComparison(StFitFormPrm& prm, const QString& dataFolder);

  // What the controls hold now.
  StCalcInputs inputs() const;
  RadiationModel& radiation() { return radiation_; }
  // Settings load: radiation state without coupling.
  void restoreRadiation(int anodeIndex, const QString& lambda, const QString& k);

  void setDiagramOpener(DiagramOpener opener) { opener_ = std::move(opener); }
  // Diagram windows this panel opened (closed ones drop out).
  QList<QWidget*> openedDiagrams() const;

  // Controls, also reachable by object name.
  QComboBox* CBoxXray = nullptr;
  QLineEdit *Elam = nullptr, *Ek = nullptr;
  QLineEdit* Ebinwidth = nullptr;
  QLabel* Lbw = nullptr;
  QMenu* PMebin = nullptr;
  QPushButton *BLiczPdf = nullptr, *BGraf = nullptr, *BHistogram = nullptr;
  QCheckBox* ChBtuzpo = nullptr;
  QLineEdit *Estart = nullptr, *Estop = nullptr, *Edphi = nullptr;
  QLineEdit *Eqstart = nullptr, *Eqstop = nullptr, *Eqstep = nullptr;
  QRadioButton *RBs = nullptr, *RBi = nullptr, *RBangle = nullptr, *RBq = nullptr;
  QPushButton *Bpdfdyfr = nullptr, *Bdiffgraph = nullptr;
  QCheckBox* ChBshowpattern = nullptr;
  QLineEdit *Egrstart = nullptr, *Egrstop = nullptr, *Egrstep = nullptr;
  QRadioButton *RBwnone = nullptr, *RBwhamm = nullptr, *RBwlodge = nullptr;
  QPushButton *Bsq = nullptr, *Bgrgraph = nullptr;
  QCheckBox* ChBoxGrGraph = nullptr;
  QPushButton *Brijnew = nullptr, *Brijgraph = nullptr;
  QCheckBox* ChBgraphrij = nullptr;
  QPushButton* Bstop = nullptr;
  QProgressBar* CGauge = nullptr;
  PieGauge* CG = nullptr;
  QTimer* Timer = nullptr;
  QGroupBox* GBcalc = nullptr;

 protected:
  bool event(QEvent* e) override;

 private:
  void buildLayout();
  void connectHandlers();
  QWidget* buildRadiationGroup();
  QWidget* buildPdhGroup();
  QWidget* buildDiffractionGroup();
  QWidget* buildGrGroup();
  QWidget* buildCalcGroup();

  // Applies a command result: messages, log lines, enables.
  void apply(const StCommandResult& r);
  void log(const std::string& line);
  void openDiagrams(const std::vector<StDiagramRequest>& requests);
  std::vector<std::string> report() const;
  bool refuseWhileBusy(const char* command);
  // A completion whose run started from another workbench generation: its
  // results are dropped with a log line (true).
  bool staleRun(const CalcThread& th, const char* stopTitle);

  // Starts without the busy check (chained commands call these).
  bool startPdh();
  bool startDiffraction();
  bool startGr();
  bool startDelta();
  // Runs window events until `flag` clears or STOP; false when the chain
  // must not go on (stopped, or the panel went away).
  bool waitWhile(const bool& flag);
  void wakeWaiters();
  void runStarted(CalcThread* th, bool pie);
  void runEnded();
  void retireThreads();
  void timerTick();
  void syncGauge();

  void onPdhDone(int mode);
  void onDiffractionDone();
  void onGrDone();

  void binWidthEdited();
  void mirror(QLineEdit* angle, QLineEdit* q);
  void mirrorAll();
  void anodeChosen(int index);
  void kEdited();
  void lambdaEdited();

  CalcHost& host_;
  RadiationModel radiation_;
  StCalcFlags flags_;
  DiagramOpener opener_;
  QList<QPointer<QWidget>> diagrams_;

  std::unique_ptr<ThCalc> thCalc_;
  std::unique_ptr<ThCalcDiffr> thDiffr_;
  std::unique_ptr<ThCalcGr> thGr_;
  bool pdhActive_ = false, diffrActive_ = false, grActive_ = false;
  CalcThread* running_ = nullptr;  // the thread STOP addresses
  quint64 serial_ = 0;

  StDiffrPrm diffrPrm_;
  StGrPrm grPrm_;
  std::unique_ptr<WindowingFunction> window_;
  std::string grWindowName_;

  QTimer* gaugeTimer_ = nullptr;
  int activity_ = 0;
  std::vector<QEventLoop*> waiters_;
  bool closed_ = false;  // the close sequence ran
};

}  // namespace grainix
