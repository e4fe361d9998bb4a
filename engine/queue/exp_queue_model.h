#pragma once
// The "Experiments Queue" window as data: the common parameters as typed,
// the three option groups (a switch and five items each) with the rules
// that tie them together, the folder check, and the list of entries. A
// window binds its widgets to it; Start stores the choices in the queue.
#include <array>
#include <string>

#include "engine/core/command.h"
#include "engine/queue/exp_queue.h"

namespace grainix {

inline constexpr const char* kQueueFolderEmpty = "Path to folder is empty. Files will not be saved!";

struct StQueueItemState {
  bool checked = false;
  // The item's own enabled state; it is usable when its group is switched
  // on as well (the group box passes its state on to every item).
  bool enabled = false;
};

struct StQueueGroupState {
  bool on = false;             // the switch
  bool switchEnabled = true;   // only the save switch is ever disabled
  std::array<StQueueItemState, kQueueItems> items;
  const StQueueItemState& item(QueueItem i) const { return items[static_cast<size_t>(i)]; }
  bool usable(QueueItem i) const { return on && item(i).enabled; }
};

class ExpQueueModel {
 public:
  // Opening: the texts and choices the queue stored; the "Calculations"
  // switch and its PDH item start unchecked; a switched-on group shows its
  // stored checks, each applied as a click would be. The save switch is
  // available when the stored folder exists.
  explicit ExpQueueModel(StExpQueue& queue);

  // Common parameters as typed.
  std::string fileHead, description, folder;

  const StQueueGroupState& group(QueueGroup g) const { return groups_[static_cast<size_t>(g)]; }
  // The calculations group has no positions item.
  static bool itemShown(QueueGroup g, QueueItem i) { return !(g == QueueGroup::Calculations && i == QueueItem::Positions); }
  // Switching a group on enables all its items, off disables them.
  void setSwitch(QueueGroup g, bool on);
  // A check box of a group changed, with the dependencies between the
  // groups: the calculation "PDH" enables or disables the PDH items of the
  // other two groups; checking PDH, diffraction or G(r) in the diagram or
  // save group checks what it needs in the calculation group. Unchecking
  // never changes the calculation group. Nothing happens without a change.
  void setItem(QueueGroup g, QueueItem i, bool checked);

  // The folder edit was left: an empty text is refused (save switch off and
  // disabled); otherwise the folder and its parents are created, and on
  // success the save switch becomes available. A folder that cannot be
  // created gives the same error and leaves the switch as it is.
  StCommandResult folderLeft(const std::string& text);

  // Entries, edited in the queue at once.
  const std::vector<StExpQueueRecord>& entries() const { return queue_.entries; }
  void addEntry();
  void deleteLastEntry();
  // The stacking window returned OK for entry `index`.
  void entryEdited(size_t index, const std::string& sequence, const std::string& a, const std::string& c,
                   const std::string& u);
  bool deleteEnabled() const { return !queue_.entries.empty(); }
  bool startEnabled() const { return !queue_.entries.empty(); }

  // "Start": stores the common parameters, the switches and the checks.
  void start();

 private:
  StQueueGroupState& mutableGroup(QueueGroup g) { return groups_[static_cast<size_t>(g)]; }
  void openGroup(QueueGroup g);

  StExpQueue& queue_;
  std::array<StQueueGroupState, kQueueGroups> groups_;
};

}  // namespace grainix
