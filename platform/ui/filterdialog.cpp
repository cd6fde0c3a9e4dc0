#include "platform/ui/filterdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>

// ------------------------------------------------------------ smart filter

namespace {
// Words and quoted phrases; a quoted phrase is never an operator.
struct Token {
    QString text;
    bool quoted;
};

std::vector<Token> tokenize(const QString &text) {
    std::vector<Token> out;
    int i = 0, n = text.size();
    while (i < n) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        if (text[i] == QLatin1Char('"')) {
            int end = text.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0) end = n;
            out.push_back({text.mid(i + 1, end - i - 1), true});
            i = end + 1;
            continue;
        }
        int start = i;
        while (i < n && !text[i].isSpace()) ++i;
        out.push_back({text.mid(start, i - start), false});
    }
    return out;
}

bool isWord(const Token &t, const char *word) {
    return !t.quoted && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}
}  // namespace

TSmartFilter TSmartFilter::Parse(const QString &text, TFilterMatch match, bool caseSensitive) {
    TSmartFilter f;
    f.match_ = match;
    f.cs_ = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    std::vector<Term> group;
    QStringList words;
    bool nullWord = false;
    bool quotedSeen = false;
    auto endTerm = [&] {
        if (!words.isEmpty()) {
            Term t;
            t.text = words.join(QLatin1Char(' '));
            t.null = nullWord && words.size() == 1 && !quotedSeen;
            t.wildcard = !t.null && t.text.contains(QLatin1Char('%'));
            group.push_back(t);
        }
        words.clear();
        nullWord = false;
        quotedSeen = false;
    };
    auto endGroup = [&] {
        endTerm();
        if (!group.empty()) f.groups_.push_back(group);
        group.clear();
    };
    for (const Token &t : tokenize(text)) {
        if (isWord(t, "or")) {
            endGroup();
        } else if (isWord(t, "and")) {
            endTerm();
        } else {
            if (isWord(t, "null")) nullWord = true;
            if (t.quoted) quotedSeen = true;
            words << t.text;
        }
    }
    endGroup();
    return f;
}

bool TSmartFilter::TermMatches(const Term &t, const QString &value, bool isNull) const {
    if (t.null) return isNull || value.isEmpty();
    if (isNull) return false;
    if (t.wildcard) {
        QStringList parts = t.text.split(QLatin1Char('%'));
        for (QString &p : parts) p = QRegularExpression::escape(p);
        QRegularExpression re(QLatin1Char('^') + parts.join(QStringLiteral(".*")) + QLatin1Char('$'),
                              QRegularExpression::DotMatchesEverythingOption |
                                  (cs_ == Qt::CaseInsensitive ? QRegularExpression::CaseInsensitiveOption
                                                              : QRegularExpression::NoPatternOption));
        return re.match(value).hasMatch();
    }
    switch (match_) {
    case TFilterMatch::ExactMatch: return value.compare(t.text, cs_) == 0;
    case TFilterMatch::AnyWhere: return value.contains(t.text, cs_);
    case TFilterMatch::StartOfValue: break;
    }
    return value.startsWith(t.text, cs_);
}

bool TSmartFilter::Matches(const QString &value, bool isNull) const {
    if (groups_.empty()) return true;
    return std::any_of(groups_.begin(), groups_.end(), [&](const std::vector<Term> &g) {
        return std::all_of(g.begin(), g.end(), [&](const Term &t) { return TermMatches(t, value, isNull); });
    });
}

// ------------------------------------------------------------------ dialog

TFilterDialog::TFilterDialog(const QString &name, QWidget *parent)
    : QDialog(parent), fields_(new QListWidget(this)), value_(new QLineEdit(this)), match_(new QButtonGroup(this)),
      caseSensitive_(new QCheckBox(QStringLiteral("Case sensitive"), this)) {
    setObjectName(name);
    auto *main = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Fields"), this));
    left->addWidget(fields_);
    top->addLayout(left, 1);

    auto *right = new QVBoxLayout;
    auto *valueLabel = new QLabel(QStringLiteral("&Search for"), this);
    valueLabel->setBuddy(value_);
    right->addWidget(valueLabel);
    right->addWidget(value_);
    auto *box = new QGroupBox(QStringLiteral("Match"), this);
    auto *bl = new QVBoxLayout(box);
    const std::pair<TFilterMatch, const char *> kinds[] = {{TFilterMatch::StartOfValue, "Start of value"},
                                                          {TFilterMatch::ExactMatch, "Exact match"},
                                                          {TFilterMatch::AnyWhere, "Anywhere in value"}};
    for (const auto &[kind, text] : kinds) {
        auto *rb = new QRadioButton(QLatin1String(text), box);
        match_->addButton(rb, static_cast<int>(kind));
        bl->addWidget(rb);
    }
    right->addWidget(box);
    right->addWidget(caseSensitive_);
    right->addWidget(new QLabel(QStringLiteral("Use \"or\", \"and\", \"null\"; % matches any text."), this));
    right->addStretch();
    top->addLayout(right, 2);
    main->addLayout(top);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *clear = buttons->addButton(QStringLiteral("C&lear"), QDialogButtonBox::ResetRole);
    main->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(clear, &QPushButton::clicked, this, [this] {
        values_.clear();
        value_->clear();
    });
    connect(fields_, &QListWidget::currentRowChanged, this, [this](int) { FieldChosen(); });
    SetMatch(DefaultMatch);
}

TFilterDialog::~TFilterDialog() { SetDataSource(nullptr); }

void TFilterDialog::SetDataSource(TDataSource *source) {
    if (source_ && listener_ >= 0) source_->RemoveListener(listener_);
    source_ = source;
    listener_ = -1;
    // Closing the dataset drops its filter; the dialog forgets it too.
    if (source_)
        listener_ = source_->AddListener([this](TDataEvent e, TField *) {
            if (e == TDataEvent::Closed) ClearConditions();
        });
}

void TFilterDialog::SetSelectedFields(const QStringList &fieldNames) { offered_ = fieldNames; }

QStringList TFilterDialog::OfferedFields() const {
    TDataSet *ds = source_ ? source_->DataSet() : nullptr;
    if (!ds) return offered_;
    std::vector<TField *> fs;
    for (TField *f : ds->Fields())
        if (offered_.isEmpty() || offered_.contains(f->FieldName, Qt::CaseInsensitive)) fs.push_back(f);
    QStringList out;
    for (TField *f : fs) out << f->FieldName;
    return out;
}

void TFilterDialog::LoadFields() {
    fields_->blockSignals(true);
    fields_->clear();
    shownField_.clear();
    TDataSet *ds = source_ ? source_->DataSet() : nullptr;
    int chosen = 0;
    QStringList names = OfferedFields();
    for (int i = 0; i < names.size(); ++i) {
        TField *f = ds ? ds->FindField(names[i]) : nullptr;
        auto *item = new QListWidgetItem(f ? f->Caption() : names[i], fields_);
        item->setData(Qt::UserRole, names[i]);
        if (names[i].compare(SearchField, Qt::CaseInsensitive) == 0) chosen = i;
    }
    fields_->blockSignals(false);
    if (!names.isEmpty()) fields_->setCurrentRow(chosen);
    FieldChosen();
}

void TFilterDialog::StoreValue() {
    if (!shownField_.isEmpty()) values_[shownField_.toUpper()] = value_->text();
}

void TFilterDialog::FieldChosen() {
    StoreValue();
    QListWidgetItem *item = fields_->currentItem();
    shownField_ = item ? item->data(Qt::UserRole).toString() : QString();
    value_->setText(FieldValue(shownField_));
    value_->setFocus();
    value_->selectAll();
}

void TFilterDialog::SetFieldValue(const QString &fieldName, const QString &text) {
    values_[fieldName.toUpper()] = text;
    if (fieldName.compare(shownField_, Qt::CaseInsensitive) == 0) value_->setText(text);
}

QString TFilterDialog::FieldValue(const QString &fieldName) const {
    auto it = values_.find(fieldName.toUpper());
    return it == values_.end() ? QString() : it->second;
}

void TFilterDialog::SetMatch(TFilterMatch match) {
    if (QAbstractButton *b = match_->button(static_cast<int>(match))) b->setChecked(true);
}

TFilterMatch TFilterDialog::Match() const {
    int id = match_->checkedId();
    return id < 0 ? DefaultMatch : static_cast<TFilterMatch>(id);
}

void TFilterDialog::ClearConditions() {
    values_.clear();
    value_->clear();
    SetMatch(DefaultMatch);
}

bool TFilterDialog::Execute() {
    LoadFields();
    if (exec() != QDialog::Accepted) return false;
    StoreValue();
    ApplyFilter();
    return true;
}

void TFilterDialog::ApplyFilter() {
    TDataSet *ds = source_ ? source_->DataSet() : nullptr;
    if (!ds) return;
    StoreValue();
    std::vector<std::pair<QString, TSmartFilter>> conditions;
    for (const QString &name : OfferedFields()) {
        TSmartFilter f = TSmartFilter::Parse(FieldValue(name), Match(), caseSensitive_->isChecked());
        if (!f.Empty()) conditions.emplace_back(name, f);
    }
    if (conditions.empty()) {
        ds->SetFilter(nullptr);
        return;
    }
    ds->SetFilter([conditions](TDataSet &d) {
        for (const auto &[name, f] : conditions) {
            TField *field = d.FindField(name);
            if (field && !f.Matches(field->AsString(), field->IsNull())) return false;
        }
        return true;
    });
}
