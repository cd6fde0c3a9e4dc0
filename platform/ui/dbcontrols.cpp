#include "platform/ui/dbcontrols.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/ui/datetext.h"
#include "platform/ui/guard.h"

// -------------------------------------------------------------- field link

TFieldLink::~TFieldLink() {
    if (source_ && listener_ >= 0) source_->RemoveListener(listener_);
}

void TFieldLink::Bind(TDataSource *source, const QString &fieldName, std::function<void()> onChange) {
    if (source_ && listener_ >= 0) source_->RemoveListener(listener_);
    source_ = source;
    fieldName_ = fieldName;
    listener_ = -1;
    if (!source_) return;
    listener_ = source_->AddListener([this, onChange = std::move(onChange)](TDataEvent e, TField *f) {
        if (writing_) return;
        if (e == TDataEvent::FieldChanged && f && f->FieldName.compare(fieldName_, Qt::CaseInsensitive) != 0)
            return;
        onChange();
    });
}

TField *TFieldLink::Field() const {
    TDataSet *ds = DataSet();
    return ds && ds->Active() ? ds->FindField(fieldName_) : nullptr;
}

TField *TFieldLink::EditField() const {
    TDataSet *ds = DataSet();
    if (!ds || !ds->Active()) return nullptr;
    if (ds->State() == dsBrowse) ds->Edit();
    return ds->FieldByName(fieldName_);
}

void TFieldLink::Write(const std::function<void(TField *)> &fn) {
    writing_ = true;
    try {
        if (TField *f = EditField()) fn(f);
    } catch (...) {
        writing_ = false;
        throw;
    }
    writing_ = false;
}

// -------------------------------------------------------------------- edit

TDBEdit::TDBEdit(QWidget *parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (!Guarded([&] { link_.Write([&](TField *f) { f->SetAsString(text); }); })) Reload();
    });
}

void TDBEdit::SetDataField(TDataSource *source, const QString &fieldName) {
    link_.Bind(source, fieldName, [this] { Reload(); });
    Reload();
}

void TDBEdit::Reload() {
    TField *f = link_.Field();
    setMaxLength(f && f->Size > 0 ? f->Size : 32767);
    QString text = f ? f->AsString() : QString();
    if (text != this->text()) setText(text);
    setReadOnly(!f);
}

// ------------------------------------------------------------- date picker

TDBDateTimePicker::TDBDateTimePicker(QWidget *parent)
    : QWidget(parent), edit_(new QLineEdit(this)), drop_(new QToolButton(this)),
      popup_(new QFrame(this, Qt::Popup)), calendar_(new QCalendarWidget(popup_)) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_);
    row->addWidget(drop_);
    drop_->setArrowType(Qt::DownArrow);
    drop_->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(edit_);
    setFocusPolicy(Qt::StrongFocus);

    popup_->setFrameShape(QFrame::Box);
    auto *pl = new QVBoxLayout(popup_);
    pl->setContentsMargins(1, 1, 1, 1);
    pl->addWidget(calendar_);
    calendar_->setGridVisible(true);

    edit_->installEventFilter(this);
    connect(drop_, &QToolButton::clicked, this, [this] { ShowCalendar(); });
    connect(edit_, &QLineEdit::textEdited, this, [this](const QString &t) { TextEdited(t); });
    connect(edit_, &QLineEdit::editingFinished, this, [this] { EditingFinished(); });
    connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate d) {
        popup_->hide();
        Guarded([&] { SetDate(d); });
        edit_->setFocus();
    });
    connect(calendar_, &QCalendarWidget::activated, this, [this](QDate d) {
        popup_->hide();
        Guarded([&] { SetDate(d); });
        edit_->setFocus();
    });
}

TDBDateTimePicker::~TDBDateTimePicker() {
    // The edit loses the focus while the window is torn down and reports its
    // editing finished: by then there is no picker to take it.
    disconnect(edit_, nullptr, this, nullptr);
    disconnect(calendar_, nullptr, this, nullptr);
}

void TDBDateTimePicker::SetDataField(TDataSource *source, const QString &fieldName) {
    link_.Bind(source, fieldName, [this] { Reload(); });
    Reload();
}

void TDBDateTimePicker::Reload() {
    TField *f = link_.Field();
    QString text = f && !f->IsNull() ? DateText(f->AsDateTime().date()) : QString();
    if (text != edit_->text()) edit_->setText(text);
    edit_->setReadOnly(!f);
    drop_->setEnabled(f != nullptr);
}

QDate TDBDateTimePicker::Date() const {
    TField *f = link_.Field();
    return f && !f->IsNull() ? f->AsDateTime().date() : QDate();
}

void TDBDateTimePicker::SetDate(const QDate &date) {
    link_.Write([&](TField *f) {
        QTime time = f->IsNull() ? QTime(0, 0) : f->AsDateTime().time();
        f->SetAsDateTime(QDateTime(date, time));
    });
    Reload();
}

void TDBDateTimePicker::TextEdited(const QString &text) {
    // A whole date is stored as soon as it has been typed, so a post by a
    // shortcut key never misses it; a part-typed one waits.
    std::optional<QDate> d = ParseDateText(text);
    if (!d || *d == Date()) return;
    Guarded([&] {
        link_.Write([&](TField *f) {
            QTime time = f->IsNull() ? QTime(0, 0) : f->AsDateTime().time();
            f->SetAsDateTime(QDateTime(*d, time));
        });
    });
}

void TDBDateTimePicker::EditingFinished() {
    std::optional<QDate> d = ParseDateText(edit_->text());
    if (d && *d != Date()) Guarded([&] { SetDate(*d); });
    Reload();   // a text that is no date gives way to the stored one
}

void TDBDateTimePicker::ShowCalendar() {
    if (!link_.Field()) return;
    QDate d = Date();
    calendar_->setSelectedDate(d.isValid() ? d : QDate::currentDate());
    popup_->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    popup_->move(at);
    popup_->show();
    calendar_->setFocus();
}

bool TDBDateTimePicker::CalendarShown() const { return popup_->isVisible(); }

bool TDBDateTimePicker::eventFilter(QObject *watched, QEvent *e) {
    if (watched == edit_ && e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if ((k->key() == Qt::Key_Down && (k->modifiers() & Qt::AltModifier)) || k->key() == Qt::Key_F4) {
            ShowCalendar();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

// --------------------------------------------------------------- combo box

TDBComboBox::TDBComboBox(QWidget *parent) : QComboBox(parent) {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::activated, this, [this](int index) { Guarded([&] { Choose(index); }); });
}

void TDBComboBox::SetDataField(TDataSource *source, const QString &fieldName) {
    link_.Bind(source, fieldName, [this] { Reload(); });
    Reload();
}

void TDBComboBox::SetMapList(const std::vector<std::pair<QString, QString>> &items) {
    clear();
    for (const auto &[text, value] : items) addItem(text, value);
    Reload();
}

void TDBComboBox::Reload() {
    TField *f = link_.Field();
    int index = f ? findData(f->AsString()) : -1;
    if (index != currentIndex()) setCurrentIndex(index);
    setEnabled(f != nullptr);
}

void TDBComboBox::Choose(int index) {
    if (index < 0 || index >= count()) return;
    QString value = itemData(index).toString();
    TField *f = link_.Field();
    if (f && f->AsString() == value && currentIndex() == index) return;
    link_.Write([&](TField *field) { field->SetAsString(value); });
    Reload();
}

void TDBComboBox::keyPressEvent(QKeyEvent *e) {
    // The stored value can be changed but never emptied from the keyboard.
    if (e->key() == Qt::Key_Delete || e->key() == Qt::Key_Backspace) {
        e->accept();
        return;
    }
    QComboBox::keyPressEvent(e);
}
