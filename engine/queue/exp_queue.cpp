#include "engine/queue/exp_queue.h"

namespace grainix {

std::string entrySummary(const std::string& a, const std::string& c, const std::string& u,
                         const std::string& sequence) {
  return "a=" + a + ",c=" + c + ",u=" + u + ", " + sequence;
}

bool& queueSwitch(StExpQueue& q, QueueGroup g) {
  switch (g) {
    case QueueGroup::Calculations: return q.calcOn;
    case QueueGroup::Diagrams: return q.diagOn;
    case QueueGroup::Save: break;
  }
  return q.saveOn;
}

bool* queueFlag(StExpQueue& q, QueueGroup g, QueueItem item) {
  struct Row {
    bool *positions, *pdh, *rij, *diff, *gr;
  };
  const Row rows[kQueueGroups] = {
      {nullptr, &q.calcPdh, &q.calcRij, &q.calcDiff, &q.calcGr},
      {&q.diagPositions, &q.diagPdh, &q.diagRij, &q.diagDiff, &q.diagGr},
      {&q.savePositions, &q.savePdh, &q.saveRij, &q.saveDiff, &q.saveGr},
  };
  const Row& r = rows[static_cast<int>(g)];
  bool* const flags[kQueueItems] = {r.positions, r.pdh, r.rij, r.diff, r.gr};
  return flags[static_cast<int>(item)];
}

std::string queueFilePrefix(const std::string& folder, const std::string& fileHead) {
  if (!folder.empty() && folder.back() == '/') return folder + fileHead;
  return folder + "/" + fileHead;
}

}  // namespace grainix
