#include "gui/calc/calc_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <climits>

#include "engine/app/parameters_report.h"
#include "engine/fit/fit_form_prm.h"
#include "engine/grain/command_names.h"
#include "gui/calc/calc_events.h"
#include "gui/plot/diagram_open.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {

namespace {
std::string text(const QLineEdit* e) { return e->text().toStdString(); }
std::string now() { return localLongTime(); }
}  // namespace

CalcPanel::CalcPanel(CalcHost& host, QWidget* parent) : QWidget(parent), host_(host) {
  setObjectName("CalcPanel");
  buildLayout();
  gaugeTimer_ = new QTimer(this);
  gaugeTimer_->setInterval(100);
  connect(gaugeTimer_, &QTimer::timeout, this, &CalcPanel::syncGauge);
  opener_ = [](QWidget* owner, const DiagramDesc& desc) -> QWidget* { return openDiagram(owner, desc); };
  connectHandlers();
  for (QWidget* w : std::initializer_list<QWidget*>{BGraf, BHistogram, Bpdfdyfr, Bdiffgraph, Bsq, Bgrgraph,
                                                    Brijgraph})
    w->setEnabled(false);
  BLiczPdf->setEnabled(!host_.workbench().current().empty());
  Brijnew->setEnabled(host_.workbench().currentIsModified);
  // The mirrors show the starting angles.
  mirrorAll();
}

CalcPanel::~CalcPanel() { stopAndAwaitThreads(); }

void CalcPanel::connectHandlers() {
  connect(BLiczPdf, &QPushButton::clicked, this, &CalcPanel::BLiczPdfClick);
  connect(Bstop, &QPushButton::clicked, this, &CalcPanel::BstopClick);
  connect(BGraf, &QPushButton::clicked, this, &CalcPanel::BGrafClick);
  connect(BHistogram, &QPushButton::clicked, this, &CalcPanel::BHistogramClick);
  connect(Bpdfdyfr, &QPushButton::clicked, this, &CalcPanel::BpdfdyfrClick);
  connect(Bdiffgraph, &QPushButton::clicked, this, &CalcPanel::BdiffgraphClick);
  connect(Bsq, &QPushButton::clicked, this, &CalcPanel::BsqClick);
  connect(Bgrgraph, &QPushButton::clicked, this, &CalcPanel::BgrgraphClick);
  connect(RBs, &QRadioButton::clicked, this, &CalcPanel::RBsClick);
  connect(RBi, &QRadioButton::clicked, this, &CalcPanel::RBsClick);
  connect(Brijnew, &QPushButton::clicked, this, &CalcPanel::BrijnewClick);
  connect(Brijgraph, &QPushButton::clicked, this, &CalcPanel::BrijgraphClick);
  connect(Ebinwidth, &QLineEdit::textChanged, this, &CalcPanel::binWidthEdited);
  connect(Estart, &QLineEdit::textChanged, this, [this] { mirror(Estart, Eqstart); });
  connect(Estop, &QLineEdit::textChanged, this, [this] { mirror(Estop, Eqstop); });
  connect(Edphi, &QLineEdit::textChanged, this, [this] { mirror(Edphi, Eqstep); });
  connect(CBoxXray, &QComboBox::currentIndexChanged, this, &CalcPanel::anodeChosen);
  connect(Ek, &QLineEdit::textChanged, this, &CalcPanel::kEdited);
  connect(Elam, &QLineEdit::textChanged, this, &CalcPanel::lambdaEdited);
  connect(Timer, &QTimer::timeout, this, &CalcPanel::timerTick);
}

// ---------------------------------------------------------------- helpers

StCalcInputs CalcPanel::inputs() const {
  StCalcInputs in;
  in.latticeText = host_.latticeText().toStdString();
  in.radiusText = host_.radiusText().toStdString();
  in.elementL = host_.elementLText().toStdString();
  in.elementR = host_.elementRText().toStdString();
  in.biatomic = !host_.monoatomicChecked() && !host_.fromFileChecked();
  takeGrainElements(host_.workbench(), in);
  in.binWidthText = text(Ebinwidth);
  in.showPdhAfter = ChBtuzpo->isChecked();
  in.lambdaText = text(Elam);
  in.kText = text(Ek);
  in.anodeIndex = CBoxXray->currentIndex();
  in.anodeName = CBoxXray->currentText().toStdString();
  in.startText = text(Estart);
  in.stopText = text(Estop);
  in.stepText = text(Edphi);
  in.showS = RBs->isChecked();
  in.angleUnits = RBangle->isChecked();
  in.showPatternAfter = ChBshowpattern->isChecked();
  in.grStartText = text(Egrstart);
  in.grStopText = text(Egrstop);
  in.grStepText = text(Egrstep);
  in.windowChoice = RBwnone->isChecked() ? windowNone : RBwhamm->isChecked() ? windowHamming : windowLorch;
  in.showGrAfter = ChBoxGrGraph->isChecked();
  in.showDeltaAfter = ChBgraphrij->isChecked();
  return in;
}

std::vector<std::string> CalcPanel::report() const {
  std::vector<std::string> lines;
  appendParametersReport(host_.workbench(), inputs(), lines);
  return lines;
}

void CalcPanel::log(const std::string& line) { host_.appendLog(QString::fromStdString(line)); }

void CalcPanel::apply(const StCommandResult& r) {
  for (const StMessage& m : r.messages) host_.showMessage(m);
  for (const std::string& l : r.log) log(l);
  for (const auto& [name, on] : r.enable) {
    if (auto* w = findChild<QWidget*>(QString::fromStdString(name)))
      w->setEnabled(on);
    else
      host_.setCommandEnabled(name, on);
  }
}

void CalcPanel::openDiagrams(const std::vector<StDiagramRequest>& requests) {
  // Windows of one result step right and down from the first of them.
  QPoint first;
  bool placed = false;
  for (const StDiagramRequest& r : requests) {
    QWidget* w = opener_ ? opener_(host_.diagramOwner(), r.desc) : nullptr;
    if (!w) continue;
    if (!placed) {
      first = w->pos() - QPoint(r.offset, r.offset);
      placed = true;
    }
    if (r.offset) w->move(first + QPoint(r.offset, r.offset));
    diagrams_.append(w);
  }
}

QList<QWidget*> CalcPanel::openedDiagrams() const {
  QList<QWidget*> out;
  for (const QPointer<QWidget>& p : diagrams_)
    if (p) out.append(p.data());
  return out;
}

bool CalcPanel::calculationRunning() const {
  auto alive = [](const CalcThread* t) { return t && t->isRunning(); };
  return pdhActive_ || diffrActive_ || grActive_ || alive(thCalc_.get()) || alive(thDiffr_.get()) ||
         alive(thGr_.get());
}

// A start while another calculation runs would share its records: refused
// with a beep and a log line. After STOP the stopped thread is awaited by
// the next start.
bool CalcPanel::refuseWhileBusy(const char* command) {
  if (!(pdhActive_ || diffrActive_ || grActive_ || !waiters_.empty())) return false;
  QApplication::beep();
  log(busyRefusalLine(command));
  return true;
}

bool CalcPanel::prepareComparison(StFitFormPrm& prm, const QString& dataFolder) {
  // The G(r) record and its window are the running G(r) thread's input.
  if (refuseWhileBusy("Compare with experiment")) return false;
  StCompareTexts t;
  t.dataFolder = dataFolder.toStdString();
  t.grStart = text(Egrstart);
  t.grStop = text(Egrstop);
  t.grStep = text(Egrstep);
  t.radius = host_.radiusText().toStdString();
  t.binWidth = text(Ebinwidth);
  t.lambda = text(Elam);
  const StCommandResult r = compareCommand(prm, grPrm_, t);
  apply(r);
  if (!r.ok) return false;
  window_ = makeWindow(windowLorch);
  grPrm_.window = window_.get();
  return true;
}

bool CalcPanel::mayChangeWorkbench(const char* command) {
  if (refuseWhileBusy(command)) return false;
  // A stopped run may still be finishing its last step with references to
  // the records: it ends before they change.
  retireThreads();
  return true;
}

void CalcPanel::syncUnits() {
  const StUnitsState u = quantityChosen(host_.workbench().pattern, RBs->isChecked(), RBangle->isChecked());
  RBs->setEnabled(u.sEnabled);
  RBi->setEnabled(u.iEnabled);
  RBangle->setEnabled(u.angleEnabled);
  RBq->setEnabled(u.qEnabled);
  (u.sChecked ? RBs : RBi)->setChecked(true);
  (u.angleChecked ? RBangle : RBq)->setChecked(true);
}

// ---------------------------------------------------------------- run frame

void CalcPanel::retireThreads() {
  // Destroying a thread object asks it to stop and waits for it; its late
  // completion event no longer matches a live run and is dropped.
  thCalc_.reset();
  thDiffr_.reset();
  thGr_.reset();
  running_ = nullptr;
}

void CalcPanel::runStarted(CalcThread* th, bool pie) {
  running_ = th;
  flags_.aborted = false;
  GBcalc->setCursor(Qt::WaitCursor);
  CGauge->setValue(0);
  CGauge->setVisible(true);
  Bstop->setVisible(true);
  if (pie) {
    CG->setVisible(true);
    Timer->start();
  }
  gaugeTimer_->start();
}

void CalcPanel::runEnded() {
  CG->setVisible(false);
  Bstop->setVisible(false);
  CGauge->setVisible(false);
  Timer->stop();
  gaugeTimer_->stop();
  GBcalc->unsetCursor();
  running_ = nullptr;
}

void CalcPanel::timerTick() {
  CG->setProgress(activity_ % 5);
  ++activity_;
}

void CalcPanel::syncGauge() {
  if (!running_) return;
  int64_t max = running_->gauge.maximum.load(std::memory_order_relaxed);
  int64_t pos = running_->gauge.position.load(std::memory_order_relaxed);
  const int64_t factor = max > INT_MAX ? max / INT_MAX + 1 : 1;
  CGauge->setMaximum(static_cast<int>(std::max<int64_t>(max / factor, 0)));
  CGauge->setValue(static_cast<int>(std::clamp<int64_t>(pos / factor, 0, max / factor)));
}

bool CalcPanel::waitWhile(const bool& flag) {
  QPointer<CalcPanel> self(this);
  while (flag && !flags_.aborted) {
    QEventLoop loop;
    waiters_.push_back(&loop);
    loop.exec();
    if (!self) return false;
    std::erase(waiters_, &loop);
  }
  return !flags_.aborted;
}

void CalcPanel::wakeWaiters() {
  for (QEventLoop* l : waiters_) l->quit();
}

void CalcPanel::stopAndAwaitThreads() {
  for (CalcThread* t : std::initializer_list<CalcThread*>{thCalc_.get(), thDiffr_.get(), thGr_.get()})
    if (t) t->requestStop();
  retireThreads();
  pdhActive_ = diffrActive_ = grActive_ = false;
  flags_.aborted = true;
  flags_.pdhRunning = flags_.diffrRunning = flags_.queueRunning = false;
  closed_ = true;
  wakeWaiters();
}

bool CalcPanel::runAndWait(Run which) {
  if (closed_ || refuseWhileBusy("Experiments queue")) return false;
  bool started = false;
  switch (which) {
    case Run::Pdh: started = startPdh(); break;
    case Run::Diffraction: started = startDiffraction(); break;
    case Run::Gr: started = startGr(); break;
    case Run::Delta: started = startDelta(); break;
  }
  if (!started) return false;
  QPointer<CalcPanel> self(this);
  const bool ended = waitWhile(which == Run::Diffraction ? flags_.diffrRunning : flags_.pdhRunning);
  if (!self) return false;
  // After STOP the worker may still be writing its records.
  for (CalcThread* t : std::initializer_list<CalcThread*>{thCalc_.get(), thDiffr_.get(), thGr_.get()})
    if (t) t->awaitResults();
  return ended;
}

// ---------------------------------------------------------------- STOP

void CalcPanel::BstopClick() {
  StCommandResult r = calcStop(flags_);
  if (running_) running_->requestStop();
  // A chained command may wait on any of the threads: stop them all.
  for (CalcThread* t : std::initializer_list<CalcThread*>{thCalc_.get(), thDiffr_.get(), thGr_.get()})
    if (t && t->isRunning()) t->requestStop();
  pdhActive_ = diffrActive_ = grActive_ = false;
  runEnded();
  apply(r);
  wakeWaiters();
}

// ---------------------------------------------------------------- completion

bool CalcPanel::event(QEvent* e) {
  if (isCalcCompletion(e)) return handleCompletion(e);
  return QWidget::event(e);
}

bool CalcPanel::handleCompletion(QEvent* e) {
  if (!isCalcCompletion(e)) return false;
  auto* done = static_cast<CalcDoneEvent*>(e);
  CalcThread* th = nullptr;
  switch (done->messageNumber()) {
    case kMsgPairLoopDone: th = thCalc_.get(); break;
    case kMsgDiffractionDone: th = thDiffr_.get(); break;
    case kMsgGrDone: th = thGr_.get(); break;
  }
  // A run that was retired (stopped and replaced) has nothing to hand over.
  if (!th || th->serial() != done->serial()) return true;
  th->awaitResults();  // the worker has posted its last word; let it finish
  switch (done->messageNumber()) {
    case kMsgPairLoopDone: onPdhDone(done->param()); break;
    case kMsgDiffractionDone: onDiffractionDone(); break;
    case kMsgGrDone: onGrDone(); break;
  }
  wakeWaiters();
  return true;
}

bool CalcPanel::staleRun(const CalcThread& th, const char* stopTitle) {
  if (th.generation() == host_.workbench().generation) return false;
  runEnded();
  apply(staleCompletion(flags_, stopTitle, now()));
  return true;
}

void CalcPanel::onPdhDone(int mode) {
  pdhActive_ = false;
  if (staleRun(*thCalc_, "... PDH CALCULATIONS STOP ...")) return;
  const StPairRunResult& res = thCalc_->result();
  for (const StMessage& m : res.messages) host_.showMessage(m);
  for (const std::string& l : res.log) log(l);
  runEnded();
  takeOverPairRun(host_.workbench(), mode, res.refused, res.terminated || flags_.aborted, thCalc_->pdh(),
                  thCalc_->partial());
  StCalcOutcome o = pdhCompletion(host_.workbench(), flags_, mode, inputs(), report(), now());
  apply(o.result);
  openDiagrams(o.diagrams);
}

void CalcPanel::onDiffractionDone() {
  diffrActive_ = false;
  if (staleRun(*thDiffr_, "... DIFFRACTION CALCULATIONS STOP ...")) return;
  const StDiffractionOutcome& out = thDiffr_->outcome();
  if (out.beep) QApplication::beep();
  for (const StMessage& m : out.messages) host_.showMessage(m);
  runEnded();
  takeOverPattern(host_.workbench(), out.terminated || flags_.aborted, thDiffr_->pattern());
  syncUnits();
  StCalcOutcome o = diffractionCompletion(host_.workbench(), flags_, inputs(), report(), now());
  apply(o.result);
  openDiagrams(o.diagrams);
}

void CalcPanel::onGrDone() {
  grActive_ = false;
  if (staleRun(*thGr_, "... G(r) CALCULATIONS STOP ...")) return;
  runEnded();
  takeOverGr(host_.workbench(), thGr_->outcome().terminated || flags_.aborted, thGr_->gr());
  StCalcOutcome o = grCompletion(host_.workbench(), flags_, inputs(), report(), grWindowName_, now());
  apply(o.result);
  openDiagrams(o.diagrams);
}

// ---------------------------------------------------------------- PDH

void CalcPanel::BLiczPdfClick() {
  if (refuseWhileBusy("PDH")) return;
  startPdh();
}

bool CalcPanel::startPdh() {
  Workbench& wb = host_.workbench();
  StPdhStart s = pdhStart(wb, inputs(), now());
  if (!s.result.ok) {
    apply(s.result);
    return false;
  }
  retireThreads();
  apply(s.result);
  pdhRunStarting(wb.fitForm);
  // The run's histogram replaces this one at its end; a run refused for
  // "size == 0" leaves it as it is.
  if (pairBinCount(s.prm.rMax, s.prm.binWidth) > 0) clearPairResult(wb, s.mode);
  thCalc_ = std::make_unique<ThCalc>(host_.completionTarget(), ++serial_, s.mode, std::move(s.prm));
  thCalc_->setGeneration(wb.generation);
  pdhActive_ = true;
  runStarted(thCalc_.get(), true);
  flags_.pdhRunning = true;
  thCalc_->start(threadPriorityOf(host_.threadPriority()));
  return true;
}

void CalcPanel::BGrafClick() {
  if (pdhActive_ || (thCalc_ && thCalc_->isRunning())) return QApplication::beep();
  StCalcOutcome o = pdhDiagrams(host_.workbench(), inputs(), report());
  apply(o.result);
  openDiagrams(o.diagrams);
}

void CalcPanel::BHistogramClick() {
  if (pdhActive_ || (thCalc_ && thCalc_->isRunning())) return QApplication::beep();
  for (const std::string& l : histogramListing(host_.workbench().pdh)) log(l);
}

void CalcPanel::binWidthEdited() {
  // A number half typed ("1e" on the way to "1e-3") says nothing yet; the
  // command that uses the text reports it.
  bool warning = !Lbw->isHidden();
  if (binWidthChanged(text(Ebinwidth), warning).ok) Lbw->setVisible(warning);
}

void CalcPanel::N1161Click(int tag) { Ebinwidth->setText(QString::fromStdString(binWidthPopupText(tag))); }

// ---------------------------------------------------------------- diffraction

void CalcPanel::BpdfdyfrClick() {
  if (refuseWhileBusy("Diffraction pattern")) return;
  startDiffraction();
}

bool CalcPanel::startDiffraction() {
  Workbench& wb = host_.workbench();
  StCalcInputs in = inputs();
  // Conversion errors come before anything starts, also before a chained PDH.
  StDiffractionStart s = diffractionStart(in, now());
  if (!s.result.ok) {
    apply(s.result);
    return false;
  }
  if (diffractionNeedsPdh(wb)) {
    if (!startPdh()) return false;
    if (!waitWhile(flags_.pdhRunning)) return false;
    if (diffractionNeedsPdh(wb)) return false;  // the PDH run gave nothing
    s = diffractionStart(inputs(), now());
    if (!s.result.ok) {
      apply(s.result);
      return false;
    }
  }
  retireThreads();
  diffrPrm_ = s.prm;
  diffrPrm_.nodes = &wb.current();
  diffrPrm_.pdh = &wb.pdh;
  diffrPrm_.pdhAtoms = &wb.pdhAtoms;
  diffrPrm_.table = &host_.elementTable();
  wb.grainPrm.radius = s.radius;
  apply(s.result);
  wb.pattern.release();
  syncUnits();
  thDiffr_ = std::make_unique<ThCalcDiffr>(host_.completionTarget(), ++serial_, s.mode, &diffrPrm_, &wb.partial);
  thDiffr_->setGeneration(wb.generation);
  diffrActive_ = true;
  runStarted(thDiffr_.get(), true);
  flags_.diffrRunning = true;
  thDiffr_->start(threadPriorityOf(host_.threadPriority()));
  return true;
}

void CalcPanel::BdiffgraphClick() {
  if (diffrActive_ || (thDiffr_ && thDiffr_->isRunning())) return QApplication::beep();
  StCalcOutcome o = diffractionDiagram(host_.workbench(), flags_, inputs(), report());
  apply(o.result);
  openDiagrams(o.diagrams);
}

void CalcPanel::RBsClick() {
  syncUnits();
  if (Bpdfdyfr->isEnabled()) BdiffgraphClick();
}

void CalcPanel::mirror(QLineEdit* angle, QLineEdit* q) {
  // Shown only while the angle and the wavelength read as numbers.
  std::string out = text(q);
  if (mirrorAngleAsQ(text(angle), text(Elam), out).ok) q->setText(QString::fromStdString(out));
}

void CalcPanel::mirrorAll() {
  mirror(Estart, Eqstart);
  mirror(Estop, Eqstop);
  mirror(Edphi, Eqstep);
}

// ---------------------------------------------------------------- G(r)

void CalcPanel::BsqClick() {
  if (refuseWhileBusy("G(r) of diffraction")) return;
  startGr();
}

bool CalcPanel::startGr() {
  Workbench& wb = host_.workbench();
  StGrStart s = grStart(inputs(), now());
  if (!s.result.ok) {
    apply(s.result);
    return false;
  }
  const std::vector<StMessage> refusal = grPatternRefusal(wb.pattern);
  if (!refusal.empty()) {
    for (const StMessage& m : refusal) host_.showMessage(m);
    return false;
  }
  if (grNeedsDiffraction(wb)) {
    if (!startDiffraction()) return false;
    if (!waitWhile(flags_.diffrRunning)) return false;
    if (grNeedsDiffraction(wb) || flags_.aborted) return false;  // "Empty set. STOP" was shown
    s = grStart(inputs(), now());
    if (!s.result.ok) {
      apply(s.result);
      return false;
    }
  }
  retireThreads();
  apply(s.result);
  grPrm_ = s.prm;
  grPrm_.pattern = &wb.pattern;
  window_ = makeWindow(s.windowChoice);
  grPrm_.window = window_.get();
  grWindowName_ = window_->name;
  wb.gr.release();
  grRunStarting(wb.fitForm);
  thGr_ = std::make_unique<ThCalcGr>(host_.completionTarget(), ++serial_, &grPrm_);
  thGr_->setGeneration(wb.generation);
  grActive_ = true;
  runStarted(thGr_.get(), false);
  flags_.pdhRunning = true;
  thGr_->start(QThread::NormalPriority);
  return true;
}

void CalcPanel::BgrgraphClick() {
  if (grActive_ || (thGr_ && thGr_->isRunning())) return QApplication::beep();
  StCalcOutcome o = grDiagram(host_.workbench(), inputs(), report(), grWindowName_);
  apply(o.result);
  openDiagrams(o.diagrams);
}

// ---------------------------------------------------------------- delta(r)

void CalcPanel::BrijnewClick() {
  if (refuseWhileBusy("delta(r)")) return;
  startDelta();
}

bool CalcPanel::startDelta() {
  Workbench& wb = host_.workbench();
  StDeltaStart s = deltaStart(wb, inputs(), now());
  apply(s.result);
  if (!s.result.ok) return false;
  retireThreads();
  pdhRunStarting(wb.fitForm);
  if (pairBinCount(s.prm.rMax, s.prm.binWidth) > 0) clearPairResult(wb, 3);
  thCalc_ = std::make_unique<ThCalc>(host_.completionTarget(), ++serial_, 3, std::move(s.prm));
  thCalc_->setGeneration(wb.generation);
  pdhActive_ = true;
  runStarted(thCalc_.get(), true);
  flags_.pdhRunning = true;
  thCalc_->start(threadPriorityOf(host_.threadPriority()));
  return true;
}

void CalcPanel::BrijgraphClick() {
  if (pdhActive_ || (thCalc_ && thCalc_->isRunning())) return QApplication::beep();
  StCalcOutcome o = deltaDiagram(host_.workbench(), inputs());
  apply(o.result);
  openDiagrams(o.diagrams);
}

// ---------------------------------------------------------------- radiation

// The Q fields follow every change of lambda, whichever control made it.
void CalcPanel::anodeChosen(int index) {
  radiation_.chooseAnode(index);
  {
    const QSignalBlocker bl(Elam), bk(Ek);
    Elam->setText(QString::fromStdString(radiation_.lambdaText()));
    Ek->setText(QString::fromStdString(radiation_.kText()));
  }
  mirrorAll();
}

// Typed K or lambda: a text that is not a number yet changes nothing else
// (the command that uses it reports it).
void CalcPanel::kEdited() {
  radiation_.editK(text(Ek));
  {
    const QSignalBlocker bl(Elam), bx(CBoxXray);
    CBoxXray->setCurrentIndex(radiation_.anodeIndex());
    Elam->setText(QString::fromStdString(radiation_.lambdaText()));
  }
  mirrorAll();
}

void CalcPanel::lambdaEdited() {
  radiation_.editLambda(text(Elam));
  {
    const QSignalBlocker bk(Ek), bx(CBoxXray);
    CBoxXray->setCurrentIndex(radiation_.anodeIndex());
    Ek->setText(QString::fromStdString(radiation_.kText()));
  }
  mirrorAll();
}

void CalcPanel::restoreRadiation(int anodeIndex, const QString& lambda, const QString& k) {
  radiation_.restore(anodeIndex, lambda.toStdString(), k.toStdString());
  {
    const QSignalBlocker bl(Elam), bk(Ek), bx(CBoxXray);
    CBoxXray->setCurrentIndex(radiation_.anodeIndex());
    Elam->setText(QString::fromStdString(radiation_.lambdaText()));
    Ek->setText(QString::fromStdString(radiation_.kText()));
  }
  mirrorAll();
}

}  // namespace grainix
