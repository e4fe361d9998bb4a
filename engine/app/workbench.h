#pragma once
// The document of the program: everything the main window owns for its
// lifetime. Commands read and change it; windows only display it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/fit/fit_form_prm.h"
#include "engine/modify/sections.h"
#include "engine/grain/generators.h"
#include "engine/grain/grain_node.h"
#include "engine/queue/exp_queue.h"

namespace grainix {

struct Workbench {
  vGrainNodes ideal;       // filled by a build or a file read
  vGrainNodes modified;    // filled by an approved modification
  bool currentIsModified = false;
  vGrainNodes& current() { return currentIsModified ? modified : ideal; }
  const vGrainNodes& current() const { return currentIsModified ? modified : ideal; }

  StGrainPrm grainPrm;
  // The ideal grain's histogram range while the modified list is current
  // (grainPrm.maxDistance then holds the modified grain's).
  double idealMaxDistance = 0;
  secPrm sections;         // the approved section list
  std::unique_ptr<GenNodes> generator;
  std::vector<std::string> loadedAtoms;  // extra symbols read from a nodes-file header
  std::string stackingSequence = "AB";

  PdhList pdh;
  StPdhAtoms pdhAtoms;     // the atoms the PDH list counts
  StIDCalcResults partial;
  StDiffPattern pattern;
  StData gr;
  StFitFormPrm fitForm;
  StExpQueue queue;        // the experiments queue, kept for the program's run
  int diagramNumber = 0;
  // Moves on whenever a command replaces the grain or the inputs of a
  // calculation (build, modification, file reads, a new element table). A
  // calculation remembers it at its start; a result whose run started from
  // another generation describes inputs that are gone and is not taken over.
  uint64_t generation = 0;
};

// The grid of the current grain when it is an unmodified generated grain
// (its pair counts may then come from the lattice); null otherwise.
const StLatticeGrid* currentLatticeGrid(const Workbench& wb);

}  // namespace grainix
