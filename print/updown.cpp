#include "print/updown.h"

#include <QEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TUpDown::TUpDown(QWidget *parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton *b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
        layout->addWidget(b);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    connect(up_, &QToolButton::clicked, this, [this] { Click(true); });
    connect(down_, &QToolButton::clicked, this, [this] { Click(false); });
}

QString TUpDown::Text(int value) const
{
    QString digits = QString::number(std::abs(value));
    if (Thousands)
        for (int i = int(digits.size()) - 3; i > 0; i -= 3)
            digits.insert(i, QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

void TUpDown::SetRange(int min, int max)
{
    Min = min;
    Max = max;
    position_ = std::clamp(position_, Min, std::max(Min, Max));
}

void TUpDown::SetPosition(int value)
{
    position_ = std::clamp(value, Min, std::max(Min, Max));
    if (associate_)
        associate_->setText(Text(position_));
}

void TUpDown::Click(bool up)
{
    if (associate_) {
        QString text = associate_->text();
        text.remove(QLatin1Char(','));
        bool ok = false;
        const int typed = text.trimmed().toInt(&ok);
        if (ok)
            position_ = std::clamp(typed, Min, std::max(Min, Max));
    }
    int next = position_ + (up ? 1 : -1);
    if (next > Max)
        next = Wrap ? Min : Max;
    else if (next < Min)
        next = Wrap ? Max : Min;
    SetPosition(next);
}

void TUpDown::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        up_->setEnabled(isEnabled());
        down_->setEnabled(isEnabled());
    }
}
