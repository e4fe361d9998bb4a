#include "fitworker/fitworker_run.h"

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

#include "engine/fit/cmp_exp.h"
#include "engine/fit/fitter_link.h"
#include "engine/fit/pipe_link.h"
#include "fitworker/lm_fit.h"

namespace grainix {

namespace {

struct Options {
  bool show = false, gnuplot = false, wait = false, geodesic = false;
  std::string pipe, config, data, log;
};

bool parseArgs(const std::vector<std::string>& args, Options& o, std::string& error) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-s")
      o.show = true;
    else if (a == "-g")
      o.gnuplot = true;
    else if (a == "-w")
      o.wait = true;
    else if (a == "-m")
      o.geodesic = true;
    else if (a == "-p") {
      if (i + 1 >= args.size()) {
        error = "-p needs the socket path";
        return false;
      }
      o.pipe = args[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 2 || positional.size() > 3) {
    error = "a configuration and a data file are needed";
    return false;
  }
  o.config = positional[0];
  o.data = positional[1];
  if (positional.size() == 3) o.log = positional[2];
  return true;
}

bool readText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

StFitResultText failure(int code, std::string message) {
  StFitResultText r;
  r.errorCode = code;
  r.message = std::move(message);
  return r;
}

// The fit itself; the model stays for the plot.
StFitResultText fit(const Options& o, std::vector<std::unique_ptr<clFunction>>& model, StData& data) {
  std::string text, error;
  if (!readText(o.config, text)) return failure(kFitConfigError, "couldn't read the configuration " + o.config);
  StFitConfigFile cfg;
  if (!parseFitConfig(text, cfg, error)) return failure(kFitConfigError, "bad configuration, " + error);
  StExpRead read = readExperimentalFile(o.data);
  if (!read.result.ok) {
    const std::string why = read.result.messages.empty() ? "" : read.result.messages[0].text;
    return failure(kFitDataError, (why == kWrongFormat ? "wrong format of data file " : "couldn't read data file ") +
                                      o.data);
  }
  data = std::move(read.data);
  if (!buildFitModel(cfg, model, error)) return failure(kFitConfigError, "bad configuration, " + error);
  StLmSettings s;
  s.maxIter = cfg.maxIter;
  s.epsAbs = cfg.epsAbs;
  s.epsRel = cfg.epsRel;
  s.sigma = cfg.sigma;
  s.geodesic = o.geodesic;
  const StLmOutcome lm = lmFit(model, data.x, data.y, s);
  if (lm.errorCode != 0) return failure(lm.errorCode, lm.message);
  StFitResultText r;
  r.message = "success";
  r.iterations = lm.iterations;
  r.convergence = lm.reducedChiSq;
  for (size_t k = 0; k < model.size(); ++k) r.blocks.push_back({static_cast<int>(k), model[k]->getAll()});
  r.nFunctions = static_cast<int>(r.blocks.size());
  return r;
}

void plotWithGnuplot(const StData& data, const std::vector<std::unique_ptr<clFunction>>& model, std::ostream& err) {
  const std::string gp = findProgram("gnuplot", "");
  if (gp.find('/') == std::string::npos) {
    err << "fitworker: gnuplot is not installed, no plot\n";
    return;
  }
  char dir[] = "/tmp/fitworker-XXXXXX";
  if (!::mkdtemp(dir)) return;
  const std::string points = std::string(dir) + "/fit.txt", script = std::string(dir) + "/fit.gp";
  {
    std::ofstream f(points);
    f.imbue(std::locale::classic());
    for (size_t i = 0; i < data.x.size(); ++i) {
      double y = 0;
      for (const auto& fn : model) y += fn->value(data.x[i]);
      f << data.x[i] << ' ' << data.y[i] << ' ' << y << '\n';
    }
    std::ofstream g(script);
    g << "set title 'fitworker'\nplot '" << points << "' using 1:2 with points title 'data', '' using 1:3 "
      << "with lines linewidth 2 title 'fit'\n";
  }
  if (spawnDetached(gp, {"-persist", script}, false) != 0) err << "fitworker: gnuplot could not be started\n";
}

}  // namespace

int runFitworker(const std::vector<std::string>& args, const StFitworkerIo& io) {
  Options o;
  std::string argError;
  std::vector<std::unique_ptr<clFunction>> model;
  StData data;
  StFitResultText result;
  const bool argsOk = parseArgs(args, o, argError);
  if (!argsOk) {
    result = failure(kFitUsage, argError);
    *io.err << kFitworkerUsage << "\n";
  } else {
    setFitDiagnostics(o.show ? io.err : nullptr);
    result = fit(o, model, data);
  }
  const std::string text = formatFitResult(result);

  int status = result.errorCode;
  if (!o.pipe.empty()) {
    const int fd = connectPipe(o.pipe, io.connectTimeoutMs);
    const bool sent = fd >= 0 && writeAllToPipe(fd, text + std::string("STOP\0", 5));
    closePipe(fd);
    if (!sent) {
      *io.err << "fitworker: couldn't reach " << o.pipe << "\n";
      if (status == 0) status = kExitNoPipe;
    }
    if (o.show) *io.out << text;
  } else {
    *io.out << text;
  }
  if (o.show && result.errorCode == 0)
    for (const auto& f : model) {
      *io.out << f->formula;
      f->print(*io.out);
    }
  io.out->flush();
  if (argsOk && !o.log.empty()) {
    std::ofstream log(o.log, std::ios::app);
    const std::time_t now = std::time(nullptr);
    char when[64];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    log << "# fitworker " << when << " data " << o.data << "\n" << text;
    if (!log) *io.err << "fitworker: couldn't write " << o.log << "\n";
  }
  if (o.gnuplot && result.errorCode == 0) plotWithGnuplot(data, model, *io.err);
  if (o.wait) {
    *io.err << "press Enter to close\n";
    std::string line;
    std::getline(*io.in, line);
  }
  return status;
}

}  // namespace grainix
