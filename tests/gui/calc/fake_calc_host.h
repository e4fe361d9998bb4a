#pragma once
// A stand-in for the main window: owns the document and the element table,
// records log lines, enables and message boxes, and forwards completion
// events to the panel as the main window does.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QStringList>
#include <QThread>
#include <QWidget>
#include <functional>
#include <map>

#include "engine/app/build_command.h"
#include "engine/app/modify_command.h"
#include "engine/calc/element_table.h"
#include "gui/calc/calc_events.h"
#include "gui/calc/calc_host.h"
#include "gui/calc/calc_panel.h"
#include "tests/gui/wait_for.h"

namespace grainix::testing {

class FakeMainWindow : public QWidget {
 public:
  CalcPanel* panel = nullptr;
  int forwarded = 0;

 protected:
  bool event(QEvent* e) override {
    if (panel && isCalcCompletion(e)) {
      ++forwarded;
      return panel->handleCompletion(e);
    }
    return QWidget::event(e);
  }
};

class FakeCalcHost : public CalcHost {
 public:
  FakeCalcHost() {
    loadScatteringTable(std::string(GRAINIX_SOURCE_DIR) + "/data/scFact.sft", table);
    window.resize(900, 700);
  }

  Workbench& workbench() override { return wb; }
  const ElementTable& elementTable() const override { return table; }
  void appendLog(const QString& line) override { log.append(line); }
  QString latticeText() const override { return lattice; }
  QString radiusText() const override { return radius; }
  QString elementLText() const override { return "Ni"; }
  QString elementRText() const override { return "Ni"; }
  bool monoatomicChecked() const override { return true; }
  bool fromFileChecked() const override { return false; }
  QString dataFolder() const override { return "/tmp"; }
  void setCommandEnabled(const std::string& name, bool on) override {
    enabled[name] = on;
    if (auto* w = window.findChild<QWidget*>(QString::fromStdString(name))) w->setEnabled(on);
  }
  int threadPriority() const override { return 3; }
  QWidget* diagramOwner() override { return &window; }
  void showMessage(const StMessage& m) override { messages.push_back(m); }
  QObject* completionTarget() override { return &window; }

  // Builds an fcc Ni sphere and enables "PDH" as the build command does.
  bool buildFcc(const char* a, const char* r) {
    lattice = a;
    radius = r;
    StBuildInput in;
    in.latticeText = a;
    in.radiusText = r;
    in.structure = structFcc;
    in.elementL = in.elementR = "Ni";
    in.elementIndexL = in.elementIndexR = 27;
    StCommandResult res = build(wb, in, nullptr);
    for (const std::string& l : res.log) log.append(QString::fromStdString(l));
    for (const auto& [name, on] : res.enable) setCommandEnabled(name, on);
    return res.ok;
  }

  // An approved modification that scales every coordinate by `factor`:
  // the modified list becomes current and "delta(r) calculation" goes on.
  void scaleModified(double factor) {
    StModifySession session(wb, {});
    session.modified = wb.ideal;
    for (StGrainNode& n : session.modified) {
      n.x *= factor;
      n.y *= factor;
      n.z *= factor;
    }
    session.grainPrm.maxDistance *= factor;
    StCommandResult res = modifyClosed(wb, true, session);
    for (const std::string& l : res.log) log.append(QString::fromStdString(l));
    for (const auto& [name, on] : res.enable) setCommandEnabled(name, on);
  }

  int logIndex(const QString& line, int from = 0) const { return log.indexOf(line, from); }
  bool logStartsWithAt(const QString& prefix) const {
    for (const QString& l : log)
      if (l.startsWith(prefix)) return true;
    return false;
  }

  Workbench wb;
  ElementTable table;
  FakeMainWindow window;
  QStringList log;
  std::map<std::string, bool> enabled;
  std::vector<StMessage> messages;
  QString lattice = "3.54", radius = "15";
};

}  // namespace grainix::testing
