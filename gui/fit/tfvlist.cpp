#include "gui/fit/tfvlist.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "engine/fit/point_list.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/plot/diagram_ui.h"

namespace grainix {

// Cell editors that take only the characters of a number, and remember the
// editor that is open so "Accept" can commit it.
class PointCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* e = new TDigitLabeledEdit(parent);
    e->setObjectName("cellEditor");
    e->setCharFilter([](QChar c) { return c == '\b' || pointCharAllowed(c.unicode()); });
    e->setFrame(false);
    open_ = e;
    return e;
  }

  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (open_ == editor) open_ = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
  }

  // Writes the text of an open editor into its cell and closes it.
  void commitOpenEditor() {
    if (!open_) return;
    QWidget* e = open_;
    emit commitData(e);
    emit closeEditor(e, QAbstractItemDelegate::NoHint);
  }

 private:
  mutable QPointer<QWidget> open_;
};


TFvlist::TFvlist(std::vector<double>& x, std::vector<double>& y, QWidget* parent, bool* openFlag,
                 MessageSink messages)
    : QDialog(parent), x_(x), y_(y), openFlag_(openFlag), messages_(std::move(messages)) {
  setObjectName("Fvlist");
  setWindowTitle("Add/remove points");
  if (!messages_)
    messages_ = [](QWidget* parent, const StMessage& m) { DiagramUi::instance().showMessage(parent, m); };
  if (openFlag_) *openFlag_ = true;

  ValueListEditor = new QTableWidget(this);
  ValueListEditor->setObjectName("ValueListEditor");
  ValueListEditor->setColumnCount(2);
  ValueListEditor->setHorizontalHeaderLabels({"X", "Y"});
  ValueListEditor->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  ValueListEditor->verticalHeader()->setDefaultSectionSize(22);
  ValueListEditor->setSelectionMode(QAbstractItemView::SingleSelection);
  ValueListEditor->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
  ValueListEditor->setToolTip("Insert: new row, Ctrl+Delete: delete the row");
  delegate_ = new PointCellDelegate(ValueListEditor);
  ValueListEditor->setItemDelegate(delegate_);
  ValueListEditor->installEventFilter(this);

  const std::vector<StPointRow> rows = pointRows(x_, y_);
  ValueListEditor->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    ValueListEditor->setItem(i, 0, new QTableWidgetItem(QString::fromStdString(rows[static_cast<size_t>(i)].x)));
    ValueListEditor->setItem(i, 1, new QTableWidgetItem(QString::fromStdString(rows[static_cast<size_t>(i)].y)));
  }

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName("PopupMenu");
  connect(PopupMenu->addAction("Insert row"), &QAction::triggered, this, &TFvlist::insertRow);
  connect(PopupMenu->addAction("Delete row"), &QAction::triggered, this, &TFvlist::deleteRow);
  ValueListEditor->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ValueListEditor, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu->popup(ValueListEditor->viewport()->mapToGlobal(p)); });

  Bok = new QPushButton("Accept", this);
  Bok->setObjectName("Bok");
  Bok->setAutoDefault(false);
  Bcancel = new QPushButton("Forget", this);
  Bcancel->setObjectName("Bcancel");
  Bcancel->setAutoDefault(false);
  connect(Bok, &QPushButton::clicked, this, &TFvlist::BokClick);
  connect(Bcancel, &QPushButton::clicked, this, &TFvlist::BcancelClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Bok);
  buttons->addWidget(Bcancel);
  auto* v = new QVBoxLayout(this);
  v->addWidget(ValueListEditor, 1);
  v->addLayout(buttons);
  resize(480, 460);  // room for 17 significant digits in both columns
}

TFvlist::~TFvlist() { clearFlag(); }

void TFvlist::clearFlag() {
  if (openFlag_) *openFlag_ = false;
}

bool TFvlist::edit(std::vector<double>& x, std::vector<double>& y, QWidget* parent, bool* openFlag,
                   MessageSink messages) {
  TFvlist dlg(x, y, parent, openFlag, std::move(messages));
  return dlg.exec() == QDialog::Accepted;
}

TFvlist* TFvlist::openModeless(std::vector<double>& x, std::vector<double>& y, QWidget* parent, bool* openFlag,
                       MessageSink messages) {
  auto* dlg = new TFvlist(x, y, parent, openFlag, std::move(messages));
  dlg->setAttribute(Qt::WA_DeleteOnClose);
  dlg->show();
  return dlg;
}

void TFvlist::BokClick() {
  delegate_->commitOpenEditor();
  std::vector<StPointRow> rows;
  rows.reserve(static_cast<size_t>(ValueListEditor->rowCount()));
  for (int i = 0; i < ValueListEditor->rowCount(); ++i) {
    const QTableWidgetItem* cx = ValueListEditor->item(i, 0);
    const QTableWidgetItem* cy = ValueListEditor->item(i, 1);
    rows.push_back({cx ? cx->text().toStdString() : std::string(), cy ? cy->text().toStdString() : std::string()});
  }
  const StCommandResult r = acceptPointRows(rows, x_, y_);
  for (const StMessage& m : r.messages) messages_(this, m);
  // A cell that is not a number keeps the dialog open with the rows as typed.
  if (r.ok) accept();
}

void TFvlist::BcancelClick() { reject(); }

void TFvlist::insertRow() {
  delegate_->commitOpenEditor();
  const int at = ValueListEditor->currentRow() + 1;
  ValueListEditor->insertRow(at);
  ValueListEditor->setItem(at, 0, new QTableWidgetItem);
  ValueListEditor->setItem(at, 1, new QTableWidgetItem);
  ValueListEditor->setCurrentCell(at, 0);
}

void TFvlist::deleteRow() {
  delegate_->commitOpenEditor();
  const int row = ValueListEditor->currentRow();
  if (row < 0) return;
  ValueListEditor->removeRow(row);
}

void TFvlist::done(int result) {
  clearFlag();
  QDialog::done(result);
}

bool TFvlist::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ValueListEditor && event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() == Qt::Key_Insert) {
      insertRow();
      return true;
    }
    if (k->key() == Qt::Key_Delete && (k->modifiers() & Qt::ControlModifier)) {
      deleteRow();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace grainix
