#include "platform/ui/dbnavigator.h"

#include <QHBoxLayout>
#include <QStyle>

#include "platform/ui/dialogs.h"
#include "platform/ui/guard.h"

namespace {
struct ButtonInfo {
    TNavigateBtn kind;
    const char *suffix;
    const char *hint;
    QStyle::StandardPixmap pixmap;
};
const ButtonInfo kButtons[] = {
    {nbFirst, "First", "First record", QStyle::SP_MediaSkipBackward},
    {nbPrior, "Prior", "Prior record", QStyle::SP_MediaSeekBackward},
    {nbNext, "Next", "Next record", QStyle::SP_MediaSeekForward},
    {nbLast, "Last", "Last record", QStyle::SP_MediaSkipForward},
    {nbInsert, "Insert", "Insert new record", QStyle::SP_FileIcon},
    {nbDelete, "Delete", "Delete current record", QStyle::SP_TrashIcon},
    {nbEdit, "Edit", "Edit current record", QStyle::SP_FileDialogDetailedView},
    {nbPost, "Post", "Post changes of current record", QStyle::SP_DialogApplyButton},
    {nbCancel, "Cancel", "Cancel changes made to current record", QStyle::SP_DialogCancelButton},
    {nbRefresh, "Refresh", "Refresh data", QStyle::SP_BrowserReload},
};

const ButtonInfo &infoOf(TNavigateBtn kind) {
    for (const ButtonInfo &b : kButtons)
        if (b.kind == kind) return b;
    return kButtons[0];
}

bool isMove(TNavigateBtn kind) { return kind == nbFirst || kind == nbPrior || kind == nbNext || kind == nbLast; }
}  // namespace

TDBNavigator::TDBNavigator(const QString &name, QWidget *parent)
    : QWidget(parent), name_(name), layout_(new QHBoxLayout(this)) {
    setObjectName(name);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    for (const ButtonInfo &b : kButtons) {
        QToolButton *btn = MakeButton(QLatin1String(b.suffix));
        btn->setIcon(style()->standardIcon(b.pixmap));
        btn->setToolTip(QLatin1String(b.hint));
        // Held down, the movement buttons step on: never the ones that ask
        // a question or change data.
        if (isMove(b.kind)) {
            btn->setAutoRepeat(true);
            btn->setAutoRepeatDelay(500);
            btn->setAutoRepeatInterval(100);
        }
        TNavigateBtn kind = b.kind;
        connect(btn, &QToolButton::clicked, this, [this, kind] { Guarded([&] { BtnClick(kind); }); });
        buttons_[b.kind] = btn;
    }
    SetVisibleButtons({nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh});
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() { SetDataSource(nullptr); }

QString TDBNavigator::DefaultHint(TNavigateBtn kind) { return QLatin1String(infoOf(kind).hint); }

QToolButton *TDBNavigator::MakeButton(const QString &suffix) {
    auto *btn = new QToolButton(this);
    btn->setObjectName(name_ + suffix);
    btn->setAutoRaise(false);
    btn->setFocusPolicy(Qt::NoFocus);
    btn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return btn;
}

void TDBNavigator::SetDataSource(TDataSource *source) {
    if (source_ && listener_ >= 0) source_->RemoveListener(listener_);
    source_ = source;
    listener_ = -1;
    if (source_) listener_ = source_->AddListener([this](TDataEvent, TField *) { UpdateButtons(); });
    UpdateButtons();
}

void TDBNavigator::SetVisibleButtons(const std::vector<TNavigateBtn> &buttons) {
    for (auto &[kind, btn] : buttons_) {
        layout_->removeWidget(btn);
        btn->hide();
    }
    for (QToolButton *btn : extra_) layout_->removeWidget(btn);
    for (TNavigateBtn kind : buttons) {
        layout_->addWidget(buttons_[kind]);
        buttons_[kind]->show();
    }
    for (QToolButton *btn : extra_) layout_->addWidget(btn);
}

QToolButton *TDBNavigator::Button(TNavigateBtn kind) const {
    auto it = buttons_.find(kind);
    return it == buttons_.end() ? nullptr : it->second;
}

void TDBNavigator::SetButton(TNavigateBtn kind, const QString &caption, const QString &hint, const QIcon &icon) {
    QToolButton *btn = Button(kind);
    btn->setText(caption);
    btn->setToolTip(hint);
    if (!icon.isNull()) btn->setIcon(icon);
}

QToolButton *TDBNavigator::AddButton(const QString &suffix, const QString &caption, const QString &hint,
                                     std::function<void()> onClick) {
    QToolButton *btn = MakeButton(suffix);
    btn->setText(caption);
    btn->setToolTip(hint);
    btn->setToolButtonStyle(buttons_[nbFirst]->toolButtonStyle());
    btn->setSizePolicy(buttons_[nbFirst]->sizePolicy());
    connect(btn, &QToolButton::clicked, this, [onClick = std::move(onClick)] { Guarded(onClick); });
    extra_.push_back(btn);
    layout_->addWidget(btn);
    return btn;
}

void TDBNavigator::SetShowCaptions(bool show) {
    auto apply = [show](QToolButton *btn) {
        btn->setToolButtonStyle(show ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
        btn->setSizePolicy(show ? QSizePolicy::Expanding : QSizePolicy::Preferred,
                           show ? QSizePolicy::Expanding : QSizePolicy::Preferred);
    };
    for (auto &[kind, btn] : buttons_) apply(btn);
    for (QToolButton *btn : extra_) apply(btn);
}

void TDBNavigator::SetOnClick(TNavigateBtn kind, TClickHandler handler) { handlers_[kind] = std::move(handler); }

void TDBNavigator::BtnClick(TNavigateBtn kind) {
    if (auto it = handlers_.find(kind); it != handlers_.end() && it->second) {
        bool abort = false;
        it->second(abort);
        if (abort) return;
    }
    DataAction(kind);
}

void TDBNavigator::DataAction(TNavigateBtn kind) {
    TDataSet *ds = source_ ? source_->DataSet() : nullptr;
    if (!ds || !ds->Active()) return;
    switch (kind) {
    case nbFirst: ds->First(); break;
    case nbPrior: ds->Prior(); break;
    case nbNext: ds->Next(); break;
    case nbLast: ds->Last(); break;
    case nbInsert: ds->Insert(); break;
    case nbEdit: ds->Edit(); break;
    case nbPost: ds->Post(); break;
    case nbCancel: ds->Cancel(); break;
    case nbRefresh: ds->Refresh(); break;
    case nbDelete:
        if (ds->IsEmpty()) return;
        if (ConfirmDelete && MessageDlg(QStringLiteral("Delete record?"), mtConfirmation, {mrOk, mrCancel}) != mrOk)
            return;
        ds->Delete();
        break;
    }
}

void TDBNavigator::UpdateButtons() {
    TDataSet *ds = source_ ? source_->DataSet() : nullptr;
    bool active = ds && ds->Active();
    bool editing = active && (ds->State() == dsEdit || ds->State() == dsInsert);
    bool empty = !active || ds->IsEmpty();
    int recNo = active ? ds->RecNo() : 0, count = active ? ds->RecordCount() : 0;
    bool canBack = active && !empty && (recNo > 1 || editing);
    bool canForward = active && !empty && (recNo < count || editing);
    buttons_[nbFirst]->setEnabled(canBack);
    buttons_[nbPrior]->setEnabled(canBack);
    buttons_[nbNext]->setEnabled(canForward);
    buttons_[nbLast]->setEnabled(canForward);
    buttons_[nbInsert]->setEnabled(active);
    buttons_[nbDelete]->setEnabled(active && !empty);
    buttons_[nbEdit]->setEnabled(active && !editing);
    buttons_[nbPost]->setEnabled(editing);
    buttons_[nbCancel]->setEnabled(editing);
    buttons_[nbRefresh]->setEnabled(active);
}
