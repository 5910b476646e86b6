#include "HostDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "QtPrompter.h"
#include "app/Prompter.h"
#include "hosts/Hostlist.h"

namespace zun::gui {

namespace {
QString Q(const char* text) { return QString::fromUtf8(text); }
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

HostDialog::HostDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("HostForm"));
  setWindowTitle(Q(zun::kHostFormCaption));
  // The title bar offers only closing.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(true);
  resize(324, 253);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("ListView1"));
  list_->setColumnCount(2);
  list_->setHeaderLabels({Q(zun::kHostColumnHost), Q(zun::kHostColumnUser)});
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setSectionsMovable(false);
  list_->header()->setStretchLastSection(true);
  list_->setColumnWidth(0, 200);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  set_ = new QPushButton(Q(zun::kHostButtonSet), panel);
  set_->setObjectName(QStringLiteral("ButtonSet"));
  delete_ = new QPushButton(Q(zun::kHostButtonDelete), panel);
  delete_->setObjectName(QStringLiteral("ButtonDelete"));
  cancel_ = new QPushButton(Q(zun::kHostButtonCancel), panel);
  cancel_->setObjectName(QStringLiteral("ButtonCancel"));
  for (QPushButton* button : {set_, delete_, cancel_}) button->setAutoDefault(false);

  auto* buttons = new QHBoxLayout(panel);
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addStretch(1);
  buttons->addWidget(set_);
  buttons->addWidget(delete_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(list_, 1);
  layout->addWidget(panel);

  connect(set_, &QPushButton::clicked, this, &HostDialog::ButtonSetClick);
  connect(delete_, &QPushButton::clicked, this, &HostDialog::ButtonDeleteClick);
  connect(cancel_, &QPushButton::clicked, this, &HostDialog::ButtonCancelClick);
}

int HostDialog::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.first());
}

void HostDialog::Run(zun::HostForm& form, zun::Prompter& prompter) {
  form_ = &form;
  prompter_ = &prompter;
  list_->clear();
  for (const zun::HostRow& row : form.Rows()) {
    list_->addTopLevelItem(new QTreeWidgetItem(QStringList{Q(row.host), Q(row.user)}));
  }
  list_->clearSelection();
  list_->setCurrentItem(nullptr);
  list_->setFocus();
  exec();
  form_ = nullptr;
  prompter_ = nullptr;
}

void HostDialog::Apply(const zun::HostButtonResult& result) {
  if (!result.message.empty()) prompter_->ShowMessage(result.message);
  if (result.focusList) list_->setFocus();
  if (result.close) accept();
}

void HostDialog::ButtonSetClick() {
  if (!form_) return;
  Apply(form_->ButtonSetClick(SelectedRow(), [this](const std::string& q) { return prompter_->Confirm(q); }));
}

void HostDialog::ButtonDeleteClick() {
  if (!form_) return;
  Apply(form_->ButtonDeleteClick(SelectedRow(), [this](const std::string& q) { return prompter_->Confirm(q); }));
}

void HostDialog::ButtonCancelClick() {
  if (!form_) return;
  Apply(form_->ButtonCancelClick());
}

// ---- the window's prompter shows this dialog ----

QtPrompter::QtPrompter(QWidget* parent)
    : parent_(parent), hostDialog_(new HostDialog(parent)), ownsHostDialog_(parent == nullptr) {}

QtPrompter::~QtPrompter() {
  // With a parent the dialog goes with it.
  if (ownsHostDialog_) delete hostDialog_.data();
}

HostDialog* QtPrompter::HostList() const { return hostDialog_.data(); }

void QtPrompter::ShowHostDialog(zun::HostForm& form) {
  if (!hostDialog_) return;
  // Its messages and questions open over the dialog, not over the window behind it.
  struct Restore {
    QWidget*& parent;
    QWidget* owner;
    ~Restore() { parent = owner; }
  } restore{parent_, parent_};
  parent_ = hostDialog_.data();
  hostDialog_->Run(form, *this);
}

}  // namespace zun::gui
