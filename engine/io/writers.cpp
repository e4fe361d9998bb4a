#include "engine/io/writers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/format.h"

namespace grainix {

namespace {

// NaN radii sort last instead of breaking the ordering.
double sortKey(double v) { return std::isnan(v) ? -HUGE_VAL : v; }

// The system's reason goes to the log beside the box, so the requested
// name and why it failed are both on record.
void reason(StCommandResult& res, const FileWriter& out, const std::string& path) {
  if (!out.failure().empty()) res.log.push_back(path + ": " + out.failure());
}

StCommandResult finish(FileWriter& out, const std::string& path) {
  StCommandResult res;
  if (!out.close()) {
    res.error(incompleteWriteError(path), "Error");
    reason(res, out, path);
    return res;
  }
  res.ok = true;
  return res;
}

StCommandResult cannotOpen(const FileWriter& out, const std::string& path) {
  StCommandResult res;
  res.error(openForWritingError(path), "Error");
  reason(res, out, path);
  return res;
}

void writeComment(FileWriter& out, const StFileTexts& t) { out.put("#comment: " + t.comment + "\n"); }

void columnLineA(FileWriter& out, char fourth) { out.printf("%s\t%8c\t%8c\t%8c\t%8c\n", "#E.", 'x', 'y', 'z', fourth); }

// A nodes row: "%s" followed by one "\t%9.6f" unit per value.
void nodeRow(FileWriter& out, const std::string& name, std::initializer_list<double> values) {
  out.put(name.c_str(), std::strlen(name.c_str()));  // as "%s" prints it: up to a NUL
  for (double v : values) {
    out.put('\t');
    out.putFixed(v, 9, 6);
  }
  out.put('\n');
}

void rowsNdl(FileWriter& out, const vGrainNodes& nodes) {
  for (const auto& n : nodes) nodeRow(out, n.element, {n.x, n.y, n.z});
}

void rowsNds(FileWriter& out, const std::vector<const StGrainNode*>& order) {
  for (const StGrainNode* n : order) nodeRow(out, n->element, {n->x, n->y, n->z, n->r});
}

}  // namespace

NodesLayout nodesLayoutForPath(const std::string& path) {
  // Only the file's own extension counts: folders named "my.attempts" or
  // "run.ndl" say nothing about the file.
  const std::string ext = fileExtension(path);
  if (ext == ".ndl") return NodesLayout::Ndl;
  if (ext == ".ndm") return NodesLayout::Ndm;
  if (ext == ".nds") return NodesLayout::Nds;
  if (ext == ".xyz") return NodesLayout::Xyz;
  if (ext == ".at") return NodesLayout::At;
  return NodesLayout::HeaderOnly;
}

std::vector<const StGrainNode*> nodesByRadius(const vGrainNodes& nodes) {
  std::vector<const StGrainNode*> order;
  order.reserve(nodes.size());
  for (const StGrainNode& n : nodes) order.push_back(&n);
  std::stable_sort(order.begin(), order.end(),
                   [](const StGrainNode* a, const StGrainNode* b) { return sortKey(a->r) > sortKey(b->r); });
  return order;
}

std::vector<const StGrainNode*> nodesByRadiusThenZ(const vGrainNodes& nodes) {
  std::vector<const StGrainNode*> order;
  order.reserve(nodes.size());
  for (const StGrainNode& n : nodes) order.push_back(&n);
  std::stable_sort(order.begin(), order.end(), [](const StGrainNode* a, const StGrainNode* b) {
    const double ra = sortKey(a->r), rb = sortKey(b->r);
    if (ra != rb) return ra > rb;
    return sortKey(a->z) > sortKey(b->z);
  });
  return order;
}

StCommandResult saveNodesFile(const std::string& path, const vGrainNodes& nodes, const StFileTexts& t) {
  return saveNodesFile(path, nodes, t, nodesLayoutForPath(path));
}

StCommandResult saveNodesFile(const std::string& path, const vGrainNodes& nodes, const StFileTexts& t,
                              NodesLayout layout) {
  FileWriter out;
  if (!out.open(path)) return cannotOpen(out, path);
  switch (layout) {
    case NodesLayout::Ndl:
    case NodesLayout::Nds:
    case NodesLayout::HeaderOnly:
      out.put(fileHeaderText(t.header, static_cast<int64_t>(nodes.size())));
      writeComment(out, t);
      columnLineA(out, layout == NodesLayout::Nds ? 'r' : ' ');
      if (layout == NodesLayout::Ndl) rowsNdl(out, nodes);
      if (layout == NodesLayout::Nds) rowsNds(out, nodesByRadius(nodes));
      break;
    case NodesLayout::Ndm:
      out.put(fileHeaderText(t.header, static_cast<int64_t>(nodes.size())));
      writeComment(out, t);
      out.printf("%s\t%8c\t%8c\t%8c\t%8s\t%8s\n", "#E.", 'x', 'y', 'z', "r_prev", "r_final");
      for (const StGrainNode* n : nodesByRadiusThenZ(nodes)) nodeRow(out, n->element, {n->x, n->y, n->z, n->rPrev, n->r});
      break;
    case NodesLayout::Xyz:
      out.put(std::to_string(nodes.size()) + "\ncomment\n");
      rowsNdl(out, nodes);
      break;
    case NodesLayout::At:
      for (const auto& n : nodes) out.printf("%8.5f %8.5f %8.5f %s\n", n.x, n.y, n.z, n.element.c_str());
      break;
  }
  return finish(out, path);
}

std::vector<std::string> savedNodesLogLines(const std::string& path) {
  return {"............", "data were saved to file:", path, "............"};
}

StCommandResult saveHistogramFile(const std::string& path, const PdhList& pdh, const StIDCalcResults& partial,
                                  bool biatomic, const StFileTexts& t) {
  FileWriter out;
  if (!out.open(path)) return cannotOpen(out, path);
  if (!biatomic) {
    int64_t rows = 0;
    for (const auto& e : pdh)
      if (e.card != 0) ++rows;
    out.put(fileHeaderText(t.header, rows));
    out.put("#binWidth: " + t.binWidth + "\n");
    writeComment(out, t);
    out.printf("#%8s\t%8s\n", "Delta r", "Card.");
    for (const auto& e : pdh)
      if (e.card != 0) out.printf("%9.6f\t%8lld\n", e.r, static_cast<long long>(e.card));
  } else {
    // The size line precedes the rows, so they are collected first.
    std::string rows;
    int64_t count = 0;
    const size_t bins = std::min({static_cast<size_t>(std::max(partial.count, 0)), partial.r.size(),
                                  partial.rii.size(), partial.rij.size(), partial.rjj.size()});
    for (size_t i = 0; i < bins; ++i) {
      if (partial.rii[i] == 0 && partial.rij[i] == 0 && partial.rjj[i] == 0) continue;
      rows += fmtPrintf("%9.6f\t%8lld\t%8lld\t%8lld\n", partial.r[i], static_cast<long long>(partial.rii[i]),
                        static_cast<long long>(partial.rij[i]), static_cast<long long>(partial.rjj[i]));
      ++count;
    }
    out.put(fileHeaderText(t.header, count));
    out.put("#binWidth: " + t.binWidth + "\n");
    writeComment(out, t);
    out.printf("#%8s\t%8s\t%8s\t%8s\n", "Delta r", "Card. Rii", "Card. Rij", "Card. Rjj");
    out.put(rows);
  }
  return finish(out, path);
}

StCommandResult saveDiffractionFile(const std::string& path, const StDiffPattern& p, const StFileTexts& t) {
  double step = 0;
  if (!parseDouble(t.step, step)) {
    StCommandResult res;
    res.conversionError(t.step);
    return res;
  }
  const std::vector<double>& xs = t.angleAbscissa ? p.twoTheta : p.q;
  const std::vector<double>& ys = t.sOrdinate ? p.sOfQ : p.intensity;
  const size_t count = static_cast<size_t>(std::max(p.count, 0));
  if (xs.size() < count || ys.size() < count) {
    // A pattern read from a file holds only the two columns it was saved with.
    StCommandResult res;
    res.error(std::string("The diffraction pattern has no ") + (xs.size() < count ? (t.angleAbscissa ? "theta" : "Q")
                                                                                 : (t.sOrdinate ? "S" : "I")) +
                  " column to save",
              "Error");
    return res;
  }
  FileWriter out;
  if (!out.open(path)) return cannotOpen(out, path);
  out.put(fileHeaderText(t.header, static_cast<int64_t>(count)));
  out.put("#lambda: " + t.lambda + "\n");
  out.put("#K: " + t.k + "\n");
  out.put("#dtheta: " + fmtStream(step) + "\n");
  writeComment(out, t);
  out.printf("#%9s\t%8s\n", t.angleAbscissa ? "theta" : "Q", t.sOrdinate ? "S" : "I");
  for (size_t i = 0; i < count; ++i) out.printf("%9.6f\t%9.6f\n", xs[i], ys[i]);
  return finish(out, path);
}

StCommandResult saveGrFile(const std::string& path, const StData& gr, const StFileTexts& t) {
  FileWriter out;
  if (!out.open(path)) return cannotOpen(out, path);
  const size_t count =
      std::min({static_cast<size_t>(std::max(gr.count, 0)), gr.x.size(), gr.y.size()});
  out.put(fileHeaderText(t.header, static_cast<int64_t>(count)));
  writeComment(out, t);
  out.printf("#%9s\t%8s\n", "r", "G(r)");
  for (size_t i = 0; i < count; ++i) out.printf("%9.6f\t%9.6f\n", gr.x[i], gr.y[i]);
  return finish(out, path);
}

StCommandResult saveDeltaFile(const std::string& path, const PdhList& delta, const StFileTexts& t) {
  FileWriter out;
  if (!out.open(path)) return cannotOpen(out, path);
  out.put(fileHeaderText(t.header, static_cast<int64_t>(delta.size())));
  out.put("#binWidth: " + t.binWidth + "\n");
  writeComment(out, t);
  out.printf("#%8s\t%8s\n", "r[Angs]", "(ri-r)/r");
  for (const auto& e : delta)
    out.put(fmtStream(e.sumIdeal / e.card) + "\t" + fmtStream((e.sumMod - e.sumIdeal) / e.sumIdeal) + "\n");
  return finish(out, path);
}

StCommandResult saveSectionsFile(const std::string& path, const secPrm& sections, const StFileTexts& t) {
  FileWriter out;
  if (!out.open(path)) return cannotOpen(out, path);
  out.put(fileHeaderText(t.header, static_cast<int64_t>(sections.size())));
  out.printf("%s\t%6s\t%6s\t%6c\t%6c\t%6c\n", "#s.", "r", "n", 'a', 'b', 'c');
  if (sections.empty()) out.put("sections not defined !");
  for (const auto& s : sections) {
    out.printf("%s\t%6.3f\t%6d\t", s.name.c_str(), s.r, s.n);
    out.printf("%6.3f\t%6.3f\t%6.3f\n", s.a, s.b, s.c);
  }
  return finish(out, path);
}

StSaveAllPaths saveAllPaths(const std::string& indexPath) {
  const auto slash = indexPath.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string folder = indexPath.substr(0, nameStart);
  const std::string name = indexPath.substr(nameStart);
  auto derive = [&](const std::string& ext) {
    if (name.find(".res") == std::string::npos) return indexPath + ext;
    std::string out;
    size_t pos = 0;
    for (;;) {
      const size_t hit = name.find(".res", pos);
      if (hit == std::string::npos) break;
      out += name.substr(pos, hit - pos) + ext;
      pos = hit + 4;
    }
    out += name.substr(pos);
    return folder + out;
  };
  return {derive(".ndl"), derive(".his"), derive(".sct"), derive(".diff")};
}

StCommandResult saveAll(const std::string& indexPath, const vGrainNodes& nodes, const PdhList& pdh,
                        const StIDCalcResults& partial, bool biatomic, const StDiffPattern& pattern,
                        const secPrm& sections, const StFileTexts& t, std::string* dataFolder) {
  StCommandResult res;
  const StSaveAllPaths paths = saveAllPaths(indexPath);
  auto step = [&](StCommandResult r) {
    for (auto& m : r.messages) res.messages.push_back(m);
    for (auto& l : r.log) res.log.push_back(l);
    if (!r.ok) res.error("Creation  of the data file: " + indexPath + " failed ");
    return r.ok;
  };
  if (!step(saveNodesFile(paths.nodes, nodes, t))) return res;
  if (!step(saveHistogramFile(paths.histogram, pdh, partial, biatomic, t))) return res;
  if (!step(saveSectionsFile(paths.sections, sections, t))) return res;
  if (!step(saveDiffractionFile(paths.diffraction, pattern, t))) return res;

  FileWriter out;
  if (!out.open(indexPath)) {
    res.error("Couldn't open file: " + indexPath + " for writing");
    reason(res, out, indexPath);
    return res;
  }
  if (dataFolder) *dataFolder = folderOfPath(indexPath);
  out.put("#date: " + (t.header.dateTime.empty() ? dateTimeText(std::time(nullptr)) : t.header.dateTime) + "\n");
  out.put("  *** results were placed in following files ***\n");
  out.put("nodes: " + paths.nodes + "\n");
  out.put("pdf/histogram: " + paths.histogram + "\n");
  out.put("sections: " + paths.sections + "\n");
  out.put("diffracion: " + paths.diffraction + "\n");
  out.put("\t*** ***");
  StCommandResult last = finish(out, indexPath);
  for (auto& m : last.messages) res.messages.push_back(m);
  for (auto& l : last.log) res.log.push_back(l);
  res.ok = last.ok;
  return res;
}

std::string digitStamp(const std::string& date, const std::string& time, char fill) {
  std::string name = date + ":" + time;
  for (char& c : name)
    if (c < '0' || c > '9') c = fill;
  return name;
}

std::string timeStamp(std::time_t when, char fill) {
  std::tm tm{};
  localtime_r(&when, &tm);
  char date[32], time[32];
  std::strftime(date, sizeof date, "%Y-%m-%d", &tm);
  std::strftime(time, sizeof time, "%H:%M:%S", &tm);
  return digitStamp(date, time, fill);
}

std::string memoDumpName(const std::string& date, const std::string& time) { return digitStamp(date, time, '-'); }

std::string memoDumpPath(const std::string& dataDir, std::time_t when) {
  return dataDir + "/" + timeStamp(when, '-') + ".txt";
}

StCommandResult saveMemo(const std::string& path, const std::vector<std::string>& lines) {
  FileWriter out;
  if (!out.open(path)) return cannotOpen(out, path);
  for (const auto& l : lines) out.put(l + "\n");
  StCommandResult res = finish(out, path);
  if (res.ok) {
    res.log.push_back("memo saved to file:");
    res.log.push_back(path);
  }
  return res;
}

}  // namespace grainix
