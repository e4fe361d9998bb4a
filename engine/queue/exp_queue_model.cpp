#include "engine/queue/exp_queue_model.h"

#include <filesystem>

namespace grainix {

namespace fs = std::filesystem;

namespace {
constexpr QueueItem kAllItems[] = {QueueItem::Positions, QueueItem::Pdh, QueueItem::Rij, QueueItem::Diff,
                                   QueueItem::Gr};

bool isFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}
}  // namespace

ExpQueueModel::ExpQueueModel(StExpQueue& queue)
    : fileHead(queue.fileHead), description(queue.description), folder(queue.folder), queue_(queue) {
  // Calculations: switched off, PDH unchecked, the other items as stored.
  StQueueGroupState& calc = mutableGroup(QueueGroup::Calculations);
  for (QueueItem i : {QueueItem::Rij, QueueItem::Diff, QueueItem::Gr})
    calc.items[static_cast<size_t>(i)].checked = *queueFlag(queue_, QueueGroup::Calculations, i);
  mutableGroup(QueueGroup::Save).switchEnabled = isFolder(folder);
  openGroup(QueueGroup::Diagrams);
  openGroup(QueueGroup::Save);
}

void ExpQueueModel::openGroup(QueueGroup g) {
  if (!queueSwitch(queue_, g) || !group(g).switchEnabled) return;
  setSwitch(g, true);
  for (QueueItem i : kAllItems) setItem(g, i, *queueFlag(queue_, g, i));
}

void ExpQueueModel::setSwitch(QueueGroup g, bool on) {
  StQueueGroupState& s = mutableGroup(g);
  s.on = on;
  for (StQueueItemState& item : s.items) item.enabled = on;
}

void ExpQueueModel::setItem(QueueGroup g, QueueItem i, bool checked) {
  if (!itemShown(g, i)) return;
  StQueueItemState& item = mutableGroup(g).items[static_cast<size_t>(i)];
  if (item.checked == checked) return;
  item.checked = checked;

  if (g == QueueGroup::Calculations) {
    if (i == QueueItem::Pdh)
      for (QueueGroup other : {QueueGroup::Diagrams, QueueGroup::Save})
        mutableGroup(other).items[static_cast<size_t>(QueueItem::Pdh)].enabled = checked;
    return;
  }
  if (!checked) return;
  // What an item of the diagram or save group needs computed.
  int needs = 0;  // 1 PDH, 2 + diffraction, 3 + G(r)
  if (i == QueueItem::Pdh) needs = 1;
  if (i == QueueItem::Diff) needs = 2;
  if (i == QueueItem::Gr) needs = 3;
  if (needs == 0) return;
  if (!group(QueueGroup::Calculations).on) setSwitch(QueueGroup::Calculations, true);
  setItem(QueueGroup::Calculations, QueueItem::Pdh, true);
  if (needs >= 2) setItem(QueueGroup::Calculations, QueueItem::Diff, true);
  if (needs >= 3) setItem(QueueGroup::Calculations, QueueItem::Gr, true);
}

StCommandResult ExpQueueModel::folderLeft(const std::string& text) {
  StCommandResult res;
  folder = text;
  StQueueGroupState& save = mutableGroup(QueueGroup::Save);
  if (text.empty()) {
    res.error(kQueueFolderEmpty, "Error");
    // Saving stays unavailable: a disabled switch cannot stay on.
    setSwitch(QueueGroup::Save, false);
    save.switchEnabled = false;
    return res;
  }
  std::error_code ec;
  fs::create_directories(text, ec);
  if (!isFolder(text)) {
    res.error(kQueueFolderEmpty, "Error");
    return res;
  }
  save.switchEnabled = true;
  res.ok = true;
  return res;
}

void ExpQueueModel::addEntry() {
  StExpQueueRecord e;
  e.number = static_cast<int32_t>(queue_.entries.size() + 1);
  queue_.entries.push_back(std::move(e));
}

void ExpQueueModel::deleteLastEntry() {
  if (!queue_.entries.empty()) queue_.entries.pop_back();
}

void ExpQueueModel::entryEdited(size_t index, const std::string& sequence, const std::string& a,
                                const std::string& c, const std::string& u) {
  if (index >= queue_.entries.size()) return;
  StExpQueueRecord& e = queue_.entries[index];
  e.sequence = sequence;
  e.lpA = a;
  e.lpC = c;
  e.u = u;
  e.summary = entrySummary(a, c, u, sequence);
}

void ExpQueueModel::start() {
  queue_.fileHead = fileHead;
  queue_.description = description;
  queue_.folder = folder;
  for (QueueGroup g : {QueueGroup::Calculations, QueueGroup::Diagrams, QueueGroup::Save}) {
    queueSwitch(queue_, g) = group(g).on;
    for (QueueItem i : kAllItems)
      if (bool* flag = queueFlag(queue_, g, i)) *flag = group(g).item(i).checked;
  }
}

}  // namespace grainix
