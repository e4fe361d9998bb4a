// The Tools commands that show the grain in an outside viewer. The engine
// decides the files, the command line and the messages; this side only
// starts the process, detached, so the viewer outlives nothing it waits for.
#include <QProcess>
#include <QStringList>
#include <ctime>

#include "engine/app/viewer_launch.h"
#include "gui/app/tfmain.h"

namespace grainix {

bool TFMain::launchViewer(const QString& folder, const QString& executable) {
  StViewerEnv env;
  env.workingDir = workingDir_.toStdString();
  env.exeDir = exeDir_.toStdString();
  env.tmpDir = tmpDir_.toStdString();
  env.searchPath = qEnvironmentVariable("PATH").toStdString();
  env.when = std::time(nullptr);
  const StViewerLaunch launch =
      prepareViewerLaunch(folder.toStdString(), executable.toStdString(), env, wb_.current(), fileTexts());
  applyResult(launch.result);
  if (!launch.result.ok) return false;

  QStringList args;
  for (const std::string& a : launch.arguments) args << QString::fromStdString(a);
  QProcess process;
  process.setProgram(QString::fromStdString(launch.program));
  process.setArguments(args);
  qint64 pid = 0;
  const bool started = process.startDetached(&pid);
  viewerPid_ = started ? pid : 0;
  applyResult(viewerStartResult(launch, started));
  return started;
}

void TFMain::MIrasmolClick() { launchViewer(rasmolDir_, kRasmolExecutable); }

void TFMain::MIrastopClick() { launchViewer(rastopDir_, kRastopExecutable); }

bool TFMain::showGrainInRasTop() { return launchViewer(rastopDir_, kRastopExecutable); }

}  // namespace grainix
