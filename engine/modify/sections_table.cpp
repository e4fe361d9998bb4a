#include "engine/modify/sections_table.h"

#include <algorithm>
#include <cmath>

#include "engine/core/format.h"

namespace grainix {

namespace {
std::string fmt5(double v) { return fmtGeneral(v, 5); }
}  // namespace

SectionsTable::SectionsTable(const StGrainPrm& prm, secPrm& sections)
    : sections_(sections), radius_(prm.radius), latticePrm_(prm.latticePrm), sphere_(prm.sphere) {
  if (!sections_.empty()) {
    for (const auto& s : sections_) rows_.push_back({s.name, fmt5(s.r), fmt5(s.volumePrc), "", fmt5(s.a), fmt5(s.latticePrmMod)});
    StCommandResult ignored;
    for (size_t i = 0; i < rows_.size(); ++i) updatePsiColumns(i, ignored);
  } else {
    StSectionPrm core;
    core.name = "Core";
    core.n = 0;
    core.r = radius_;
    core.a = 0;
    core.b = 0;
    core.c = radius_;
    core.volumePrc = 100;
    core.latticePrmMod = latticePrm_;
    sections_.push_back(core);
    rows_.push_back({"Core", fmt5(radius_), "100", "1", "0", fmt5(latticePrm_)});
  }
}

const char* SectionsTable::headerText(int col) {
  switch (col) {
    case colName: return "section";
    case colRadius: return "x";
    case colVolume: return "%V";
    case colLattMod: return "latt.prm.mod.";
    default: return "";
  }
}

const char* SectionsTable::headerPicture(int col) {
  return col == colRho ? "IMRHO" : col == colPsi ? "IMPSI" : "";
}

StRgb SectionsTable::cellBackground(int gridRow, int col) const {
  if (gridRow == 0) return {192, 192, 192};
  if (col == colName) return sectionColour(static_cast<size_t>(gridRow - 1));
  if (col == colVolume || col == colRho || col == colLattMod) return {228, 228, 228};
  return {255, 255, 255};
}

CommandStates SectionsTable::buttonStates() const {
  return {{"Bminus", removeEnabled()}, {"Bdel", removeEnabled()}};
}

bool SectionsTable::updatePsiColumns(size_t row, StCommandResult& res) {
  double psi;
  if (!parseDouble(rows_[row][colPsi], psi)) {
    res.conversionError(rows_[row][colPsi]);
    return false;
  }
  const double mod = (1 + psi / 100) * latticePrm_;
  rows_[row][colLattMod] = fmt5(mod);
  rows_[row][colRho] = fmt5(latticePrm_ / mod);
  return true;
}

void SectionsTable::updateVolumeShares() {
  computeVolumeShares(sections_, radius_, sphere_);
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i][colVolume] = fmt5(sections_[i].volumePrc);
}

StCommandResult SectionsTable::editCell(size_t row, int col, const std::string& text) {
  StCommandResult res;
  if (row >= rows_.size() || !isEditable(col)) return res;
  double v;
  if (!parseDouble(text, v)) {
    res.conversionError(text);
    return res;
  }
  rows_[row][col] = text;
  if (col == colRadius) {
    if (v > radius_ || v < 0) {
      res.error("exceeded value of grain radius");
      rows_[row][colRadius] = fmtDefault(radius_);
      v = radius_;  // the record follows the cell, so %V matches what is shown
    }
    sections_[row].r = v;
    updateVolumeShares();
  }
  if (!updatePsiColumns(row, res)) return res;
  res.ok = true;
  return res;
}

void SectionsTable::respace() {
  const size_t n = rows_.size();
  for (size_t i = 0; i < n; ++i) {
    const double r = double(i + 1) * radius_ / double(n);
    sections_[i].r = r;
    rows_[i][colRadius] = fmt5(r);
  }
  if (n > 0) sections_.back().r = radius_;
}

void SectionsTable::addSection() {
  StSectionPrm rec;  // "empty", n = a = b = c = 0
  rec.latticePrmMod = latticePrm_;
  sections_.push_back(rec);
  rows_.push_back({rec.name, "", "", "1", "0", fmt5(latticePrm_)});
  const size_t n = rows_.size();
  if (n == 2) {
    sections_[1].name = "Surface ";
  } else {
    sections_[n - 2].name = "Shell " + std::to_string(n - 2);
    sections_[n - 1].name = "Surface";
  }
  rows_[n - 2][colName] = sections_[n - 2].name;
  rows_[n - 1][colName] = sections_[n - 1].name;
  respace();
  updateVolumeShares();
}

void SectionsTable::addThree() {
  for (int i = 0; i < 3; ++i) addSection();
}

void SectionsTable::removeLast() {
  if (rows_.size() < 2) return;
  rows_.pop_back();
  sections_.pop_back();
  respace();
  if (rows_.size() > 1) {
    sections_.back().name = "Surface";
    rows_.back()[colName] = "Surface";
  }
  updateVolumeShares();
}

void SectionsTable::removeAllButFirst() {
  while (rows_.size() > 1) removeLast();
}

StCommandResult SectionsTable::readIntoRecords() {
  StCommandResult res;
  std::vector<std::array<double, 3>> values(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i) {
    const int cols[3] = {colRadius, colPsi, colLattMod};
    for (int k = 0; k < 3; ++k) {
      if (!parseDouble(rows_[i][cols[k]], values[i][k])) {
        res.conversionError(rows_[i][cols[k]]);
        return res;
      }
    }
  }
  double prevC = 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    auto& s = sections_[i];
    s.r = values[i][0];
    s.a = values[i][1];
    s.b = prevC;
    s.c = values[i][0];
    s.latticePrmMod = values[i][2];
    prevC = s.c;
  }
  res.ok = true;
  return res;
}

std::vector<StStripBand> SectionsTable::stripBands(int width) const {
  std::vector<StStripBand> bands;
  if (width < 0) width = 0;
  bands.push_back({0, width, {192, 192, 192}});
  for (size_t i = sections_.size(); i-- > 0;) {
    double x = radius_ != 0 ? double(width) * sections_[i].r / radius_ : 0;
    if (!(x >= 0)) x = 0;  // also NaN
    x = std::min(x, double(width));
    bands.push_back({0, static_cast<int>(std::trunc(x)), sectionColour(i)});
  }
  return bands;
}

StSectionsPlot SectionsTable::plotData() const {
  StSectionsPlot plot;
  double prev = 0;
  for (const auto& s : sections_) {
    StSectionSeries ser;
    ser.title = s.name;
    ser.colour = s.a > 0 ? StRgb{0, 128, 0} : s.a < 0 ? StRgb{255, 0, 0} : StRgb{160, 160, 160};
    const double f = 1 + s.a / 100;
    ser.x[0] = prev;
    ser.x[1] = s.r;
    ser.y[0] = f;
    ser.y[1] = f * 1.0000001;
    prev = s.r;
    plot.series.push_back(ser);
  }
  return plot;
}

}  // namespace grainix
