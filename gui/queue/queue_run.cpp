#include "gui/queue/queue_run.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <ctime>

#include "engine/app/queue_command.h"
#include "engine/app/workbench.h"
#include "engine/grain/command_names.h"
#include "engine/io/file_header.h"
#include "engine/queue/queue_runner.h"
#include "gui/calc/calc_host.h"
#include "gui/calc/calc_panel.h"
#include "gui/grain/tfhcp.h"
#include "gui/queue/tfexpqueue.h"

namespace grainix {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

class WindowQueueCommands : public ExpQueueCommands {
 public:
  WindowQueueCommands(QueueHost& host, QWidget* parent) : host_(host), calc_(host.calcHost()), parent_(parent) {}

  void log(const std::string& line) override { calc_.appendLog(qs(line)); }

  void apply(const StCommandResult& r) override {
    for (const std::string& l : r.log) log(l);
    for (const auto& [name, on] : r.enable) calc_.setCommandEnabled(name, on);
    for (const StMessage& m : r.messages) calc_.showMessage(m);
  }

  void letEventsRun() override { QCoreApplication::processEvents(); }

  void clearGrain() override { apply(discardQueueGrain(calc_.workbench())); }

  bool buildEntry(StExpQueueRecord& e) override {
    Workbench& wb = calc_.workbench();
    // The stacking window of the entry, not shown: its OK action builds.
    TFhcp stacking(parent_, e.sequence, qs(wb.queue.folder), wb.ideal, wb.grainPrm);
    stacking.setGeometryTexts(qs(e.lpA), qs(e.lpC), qs(e.u));
    stacking.BokhexClick();
    const bool built = stacking.result() == QDialog::Accepted && !wb.ideal.empty();
    if (built)
      for (const char* c : {cmd::Pdh, cmd::Nodes, cmd::Modify, cmd::SaveNodes}) calc_.setCommandEnabled(c, true);
    return built;
  }

  bool showInViewer() override {
    if (!host_.showGrainInRasTop()) return false;
    // Launches within one second share their file names: the next grain's
    // files must not replace these before the viewer has read them.
    QEventLoop pause;
    QTimer::singleShot(1000, &pause, &QEventLoop::quit);
    pause.exec();
    return true;
  }

  bool runCalculation(QueueCalc calc, bool show) override {
    CalcPanel& panel = host_.calculations();
    Workbench& wb = calc_.workbench();
    // Each calculation with its "show diagram" box and its command, in
    // QueueCalc order; delta(r) shows its diagram by its own box.
    const struct {
      QCheckBox* show;
      const char* command;
      CalcPanel::Run run;
    } controls[] = {{panel.ChBgraphrij, cmd::DeltaCalc, CalcPanel::Run::Delta},
                    {panel.ChBtuzpo, cmd::Pdh, CalcPanel::Run::Pdh},
                    {panel.ChBshowpattern, cmd::Diffraction, CalcPanel::Run::Diffraction},
                    {panel.ChBoxGrGraph, cmd::GrOfDiffraction, CalcPanel::Run::Gr}};
    const auto& c = controls[static_cast<int>(calc)];
    if (calc == QueueCalc::Delta) apply(prepareQueueDelta(wb));
    c.show->setChecked(show);
    calc_.setCommandEnabled(c.command, true);
    const bool ended = panel.runAndWait(c.run);
    return queueCalculationDone(wb, calc, !ended);
  }

  StQueueResults results() override {
    Workbench& wb = calc_.workbench();
    StQueueResults r;
    r.nodes = &wb.current();
    r.pdh = &wb.pdh;
    r.partial = &wb.partial;
    r.biatomic = !calc_.monoatomicChecked() && !calc_.fromFileChecked();
    r.pattern = &wb.pattern;
    r.gr = &wb.gr;
    r.delta = &wb.pdh;  // a delta(r) run leaves its bins in the PDH list
    r.texts = host_.fileTexts();
    return r;
  }

 private:
  QueueHost& host_;
  CalcHost& calc_;
  QWidget* parent_;
};

}  // namespace

void runExperimentsQueue(QueueHost& host, QWidget* parent) {
  CalcHost& calc = host.calcHost();
  Workbench& wb = calc.workbench();
  WindowQueueCommands commands(host, parent);

  // 1. The grain parameters and a stacked generator for every entry.
  const StBuildInput in = host.structureInput();
  const StCommandResult refreshed = refreshQueueGrain(wb, in);
  if (!refreshed.ok) {
    commands.apply(refreshed);
    return;
  }
  // 2. The queue window.
  {
    TFexpQueue window(parent, wb.queue, calc.dataFolder(), wb.grainPrm);
    if (window.exec() != 1) return;
  }
  // 3.-8. The run.
  StQueueRunInput run;
  run.dateTime = dateTimeText(std::time(nullptr));
  run.sphere = wb.grainPrm.sphere;
  runExpQueue(wb.queue, commands, host.calculations().flags().queueRunning, run);
}

}  // namespace grainix
