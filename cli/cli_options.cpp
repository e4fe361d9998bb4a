#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <sstream>

#include "engine/calc/gr.h"
#include "engine/core/format.h"

namespace grainix::cli {

namespace {

// Validators whose refusals read "a number > 0" instead of a range dump.
const CLI::Validator kPositive(
    [](std::string& v) {
      double d = 0;
      return parseDouble(v, d) && d > 0 && std::isfinite(d) ? std::string() : std::string("expected a number > 0");
    },
    "NUMBER>0");
const CLI::Validator kNonNegative(
    [](std::string& v) {
      double d = 0;
      return parseDouble(v, d) && d >= 0 && std::isfinite(d) ? std::string() : std::string("expected a number >= 0");
    },
    "NUMBER>=0");

// "START:STOP:STEP" with a positive step.
bool parseRange(const std::string& text, double& a, double& b, double& s) {
  std::vector<std::string> parts;
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ':')) parts.push_back(item);
  if (parts.size() != 3) return false;
  return parseDouble(parts[0], a) && parseDouble(parts[1], b) && parseDouble(parts[2], s) && s > 0 && b >= a;
}

bool parseSections(const std::string& text, std::vector<SectionArg>& out) {
  std::stringstream ss(text);
  std::string item;
  double previous = 0;
  while (std::getline(ss, item, ',')) {
    const auto colon = item.find(':');
    if (colon == std::string::npos) return false;
    SectionArg s;
    if (!parseDouble(item.substr(0, colon), s.radius) || !parseDouble(item.substr(colon + 1), s.psi)) return false;
    if (!(s.radius > previous) || !(s.psi > -100)) return false;
    previous = s.radius;
    out.push_back(s);
  }
  return !out.empty();
}

bool parseList(const std::string& text, std::vector<double>& out) {
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ',')) {
    double v = 0;
    if (!parseDouble(item, v)) return false;
    out.push_back(v);
  }
  return !out.empty() && out.size() <= 2;
}

}  // namespace

ParseOutcome parseOptions(int argc, const char* const* argv, CliOptions& o) {
  ParseOutcome result;
  CLI::App app{"grainix-cli: builds a nanocrystalline grain and computes its pair-distance histogram, "
               "powder diffraction pattern, G(r) and delta(r) without the window.",
               "grainix-cli"};
  app.set_version_flag("--version", "grainix-cli 1.1");
  app.get_formatter()->column_width(34);

  app.add_option("--structure", o.structure, "lattice to build")
      ->check(CLI::IsMember({"sc", "bcc", "fcc", "diamond", "zincblende", "stacked"}));
  app.add_option("--element", o.element, "element symbol from the element table");
  app.add_option("--element2", o.element2, "second element (zinc blende, biatomic stacked grains)");
  app.add_option("--lattice", o.lattice, "lattice parameter in Angs (default: the element's lc)")
      ->check(kPositive);
  auto* radius = app.add_option("--radius", o.radius, "grain radius in Angs")->check(kPositive);
  auto* radiusLp =
      app.add_option("--radius-lp", o.radiusLp, "grain radius in lattice parameters")->check(kPositive);
  radius->excludes(radiusLp);
  app.add_option("--shape", o.shape, "sphere or cylinder (cylinder only for stacked and CIF grains)")
      ->check(CLI::IsMember({"sphere", "cylinder"}));
  app.add_option("--sequence", o.sequence, "stacking sequence of the letters A, B, C");
  app.add_option("--ha", o.ha, "in-layer atom spacing of a stacked grain (Angs)")->check(kPositive);
  app.add_option("--c", o.c, "stacking period parameter c of a stacked grain (Angs)")->check(kPositive);
  app.add_option("--u", o.u, "sublattice parameter u of a stacked grain")->check(kPositive);
  app.add_flag("--no-sublattice", o.noSublattice, "stacked grain without its second sublattice");
  app.add_flag("--no-circular", o.noCircular, "no circular cut of the stacked layers");
  auto* input = app.add_option("--input", o.input, "read a nodes file (.ndl .nds .ndm .xyz .at) instead of building");
  input->excludes(app.get_option("--structure"));
  auto* cif = app.add_option("--cif", o.cif, "cut the grain from the crystal of a CIF file (1.1 or 2.0)");
  cif->excludes(app.get_option("--structure"));
  cif->excludes(input);
  cif->excludes(radiusLp);
  auto* height = app.add_option("--height", o.height, "cylinder height in Angs (--cif with --shape cylinder)")->check(kPositive);
  auto* center = app.add_option("--center", o.center,
                                "centre of a CIF grain: atom (the first atom site of the file, as written) or origin "
                                "(of the cell); default atom")
                     ->check(CLI::IsMember({"atom", "origin"}));
  auto* cut = app.add_option("--cut", o.cut,
                             "CIF grain: atom (every atom inside the shape, default) or motif (whole motifs of the "
                             "lattice points, kept by their first-site atom: stoichiometric)")
                  ->check(CLI::IsMember({"atom", "motif"}));
  auto* queue = app.add_option("--queue", o.queue, "run the experiments queue of an INI file (see README)");
  auto* folder = app.add_option("--folder", o.folder, "folder of the queue's report and files (created when missing)");
  queue->needs(folder);
  folder->needs(queue);
  for (const char* other : {"--structure", "--input", "--cif", "--sequence", "--ha", "--c", "--u"})
    queue->excludes(app.get_option(other));

  std::string sections, amplitude, range, grRange;
  app.add_option("--sections", sections, "core/shell sections R1:PSI1,R2:PSI2,... (outer radius in Angs, psi in %)");
  app.add_option("--thermal", o.thermal, "random displacements")->check(CLI::IsMember({"uniform", "normal"}));
  auto* temp = app.add_option("--temperature", o.temperature, "temperature in K (amplitudes from the Debye model)")
                   ->check(kNonNegative);
  auto* amp = app.add_option("--amplitude", amplitude, "displacement amplitudes A1[,A2] in Angs");
  temp->excludes(amp);
  app.add_option("--acp", o.acp, "acceptance parameter of the normal distribution");
  app.add_option("--level", o.level, "decorrelation level of the normal distribution");
  app.add_option("--seed", o.seed,
                 "seed of the random generator (thermal displacements; for a CIF grain also the draws of partly "
                 "occupied positions, default 1)");

  app.add_option("--bin", o.bin, "PDH bin width in Angs (default 0.001)")->check(kPositive);
  app.add_option("--pdh-method", o.pdhMethod,
                 "how the PDH pairs are counted: auto (the lattice for an unmodified generated grain, "
                 "else the pair loop), pairs or lattice (default auto)")
      ->check(CLI::IsMember({"auto", "pairs", "lattice"}));
  auto* anode = app.add_option("--anode", o.anode, "radiation (default Cu)")
                    ->check(CLI::IsMember({"Custom", "Cr", "Co", "Cu", "Mo", "Ag", "X"}));
  auto* lambda = app.add_option("--lambda", o.lambda, "wavelength in Angs")->check(kPositive);
  anode->excludes(lambda);
  app.add_option("--range", range, "2theta range START:STOP:STEP in degrees (default 5:150:0.1)");
  app.add_option("--intensity", o.intensity, "what the .diff file holds: S or I (default S)")
      ->check(CLI::IsMember({"S", "I"}));
  app.add_option("--abscissa", o.abscissa, "abscissa of the .diff file: angle or Q (default Q)")
      ->check(CLI::IsMember({"angle", "Q"}));
  app.add_option("--window", o.window, "G(r) window (default lorch)")->check(CLI::IsMember({"none", "hamming", "lorch"}));
  app.add_option("--gr-range", grRange, "G(r) range START:STOP:STEP in Angs (default 0:2R:0.01)");

  app.add_option("--write-nodes", o.writeNodes, "nodes file (.ndl .nds .ndm .xyz .at)");
  app.add_option("--write-pdh", o.writePdh, "PDH file (.his)");
  app.add_option("--write-diffraction", o.writeDiffraction, "diffraction file (.diff)");
  app.add_option("--write-gr", o.writeGr, "G(r) file (.grp)");
  app.add_option("--write-delta", o.writeDelta, "delta(r) file (.dij)");
  app.add_option("--write-sections", o.writeSections, "sections file (.sct)");
  app.add_option("--write-fityk", o.writeFityk,
                 "fityk script (.fit) as the fityk window writes it with its default choices");
  app.add_option("--fityk-source", o.fitykSource, "peaks of the fityk script: the PDH (default) or the G(r) peaks")
      ->check(CLI::IsMember({"pdh", "gr"}));
  // The queue names its files itself.
  for (const char* w : {"--write-nodes", "--write-pdh", "--write-diffraction", "--write-gr", "--write-delta",
                        "--write-sections", "--write-fityk", "--fityk-source"})
    queue->excludes(app.get_option(w));
  app.add_option("--comment", o.comment, "the comment line of written files");
  app.add_option("--threads", o.threads, "worker threads (default: all cores)")->check(CLI::Range(0, 1024));
  app.add_flag("--quiet", o.quiet, "no log lines on stderr");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    result.exitNow = true;
    result.ok = true;
    result.out = app.help();
    return result;
  } catch (const CLI::CallForVersion&) {
    result.exitNow = true;
    result.ok = true;
    result.out = "grainix-cli 1.1\n";
    return result;
  } catch (const CLI::ParseError& e) {
    std::string what = e.what();
    for (auto& ch : what)
      if (ch == '\n') ch = ' ';
    result.error = what;
    return result;
  }

  if (!sections.empty() && !parseSections(sections, o.sections)) {
    result.error = "--sections: expected R1:PSI1,R2:PSI2,... with increasing radii > 0 and psi > -100";
    return result;
  }
  if (!amplitude.empty() && !parseList(amplitude, o.amplitude)) {
    result.error = "--amplitude: expected one or two numbers A1[,A2] in Angs";
    return result;
  }
  if (!range.empty() && !parseRange(range, o.start, o.stop, o.step)) {
    result.error = "--range: expected START:STOP:STEP in degrees with STOP >= START and STEP > 0";
    return result;
  }
  if (!grRange.empty()) {
    double a = 0, b = 0, s = 0;
    if (!parseRange(grRange, a, b, s)) {
      result.error = "--gr-range: expected START:STOP:STEP in Angs with STOP >= START and STEP > 0";
      return result;
    }
    StGrPrm g;
    g.rStart = a;
    g.rStop = b;
    g.rStep = s;
    if (grPointCount(g) <= 0) {
      result.error = "--gr-range: START:STOP:STEP must give between 1 and " + std::to_string(kMaxGrPoints) +
                     " points (STOP > START, STEP not too small)";
      return result;
    }
    o.grStart = a;
    o.grStop = b;
    o.grStep = s;
  }
  // A file option given with an empty name is a mistake, not "no file".
  const std::pair<const char*, const std::string*> files[] = {
      {"--input", &o.input},         {"--cif", &o.cif},       {"--write-nodes", &o.writeNodes},
      {"--write-pdh", &o.writePdh},   {"--write-diffraction", &o.writeDiffraction},
      {"--write-gr", &o.writeGr},     {"--write-delta", &o.writeDelta},
      {"--write-sections", &o.writeSections}};
  for (const auto& [name, value] : files) {
    if (app.count(name) > 0 && value->empty()) {
      result.error = std::string(name) + ": expected a file name, got an empty one";
      return result;
    }
  }
  if (!o.cif.empty()) {
    if (!o.radius) {
      result.error = "--radius: required with --cif (Angs)";
      return result;
    }
    if (!o.element.empty() || !o.element2.empty() || o.lattice) {
      result.error = "--element/--element2/--lattice: a CIF grain takes its elements and cell from the file";
      return result;
    }
    if (o.shape == "cylinder" && !o.height) {
      result.error = "--height: a cylinder cut from a CIF file needs its height (Angs)";
      return result;
    }
  } else if (height->count() > 0 || center->count() > 0 || cut->count() > 0) {
    result.error = "--height/--center/--cut: only with --cif";
    return result;
  }
  const bool queueRun = !o.queue.empty();
  if (queueRun) o.structure = "stacked";  // every entry is a stacked grain
  if (o.input.empty() && o.cif.empty() && o.structure.empty()) {
    result.error = "--structure: required unless --input, --cif or --queue is given (sc, bcc, fcc, diamond, "
                   "zincblende, stacked)";
    return result;
  }
  if (o.input.empty() && o.cif.empty() && o.element.empty()) {
    result.error = "--element: required when building (an element symbol of the element table)";
    return result;
  }
  if (o.input.empty() && o.cif.empty() && !o.radius && !o.radiusLp) {
    result.error = "--radius: required when building (Angs), or --radius-lp (lattice parameters)";
    return result;
  }
  if (o.structure == "zincblende" && o.element2.empty()) {
    result.error = "--element2: zincblende needs a second element";
    return result;
  }
  if (o.shape == "cylinder" && o.structure != "stacked" && o.cif.empty()) {
    result.error = "--shape: cylinder is available only with --structure stacked or --cif";
    return result;
  }
  if (!o.thermal.empty() && !o.temperature && o.amplitude.empty()) {
    result.error = "--thermal: needs --temperature T or --amplitude A1[,A2]";
    return result;
  }
  if (o.thermal.empty() && (o.temperature || !o.amplitude.empty())) {
    result.error = "--temperature/--amplitude: need --thermal uniform|normal";
    return result;
  }
  if (!o.writeDelta.empty() && o.sections.empty() && o.thermal.empty()) {
    result.error = "--write-delta: delta(r) compares the ideal and the modified grain; give --sections or --thermal";
    return result;
  }
  result.ok = true;
  return result;
}

bool optionNumber(const std::string& text, double& value) { return CLI::detail::lexical_cast(text, value); }

}  // namespace grainix::cli
