#pragma once
// The point list dialog ("Add/remove points"): the caller's pair of vectors
// as an editable two-column grid (X, Y). Rows can be edited, inserted
// (Insert key or the popup menu) and deleted (Ctrl+Delete or the popup
// menu); cells take digits, ".", "e" and "-". "Accept" rebuilds both
// vectors from the rows and closes; "Forget" closes without change.
#include <QDialog>
#include <functional>
#include <vector>

#include "engine/core/command.h"

class QMenu;
class QPushButton;
class QTableWidget;

namespace grainix {

class PointCellDelegate;

class TFvlist : public QDialog {
  Q_OBJECT
 public:
  using MessageSink = std::function<void(QWidget* parent, const StMessage&)>;

  // `openFlag`, when given, is set while the dialog exists and cleared when
  // it closes. `messages` nullptr: the real message boxes.
  TFvlist(std::vector<double>& x, std::vector<double>& y, QWidget* parent = nullptr, bool* openFlag = nullptr,
          MessageSink messages = nullptr);
  ~TFvlist() override;

  // Runs the dialog modally; true when "Accept" changed the vectors.
  static bool edit(std::vector<double>& x, std::vector<double>& y, QWidget* parent, bool* openFlag = nullptr,
                   MessageSink messages = nullptr);
  // Shows it without blocking; it destroys itself when closed.
  static TFvlist* openModeless(std::vector<double>& x, std::vector<double>& y, QWidget* parent, bool* openFlag = nullptr,
                       MessageSink messages = nullptr);

  void BokClick();       // "Accept"
  void BcancelClick();   // "Forget"
  void insertRow();      // a new empty row below the current one
  void deleteRow();      // removes the current row

  QTableWidget* ValueListEditor = nullptr;
  QPushButton* Bok = nullptr;
  QPushButton* Bcancel = nullptr;
  QMenu* PopupMenu = nullptr;

 protected:
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void clearFlag();

  std::vector<double>& x_;
  std::vector<double>& y_;
  bool* openFlag_;
  MessageSink messages_;
  PointCellDelegate* delegate_ = nullptr;
};

}  // namespace grainix
