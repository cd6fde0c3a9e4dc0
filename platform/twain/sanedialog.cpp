#include "platform/twain/sanedialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

#include "platform/twain/saneoptions.h"

namespace {
// Closing the window with its frame button is a Cancel, as is Escape.
class TSourceWindow : public QDialog {
public:
    std::function<void()> onCancel;
    void reject() override {
        if (onCancel) onCancel();
    }
};
}  // namespace

struct TSaneDialog::Impl {
    TSaneOptions &options;
    Callbacks callbacks;
    TSourceWindow window;
    QComboBox *mode = nullptr;
    QComboBox *resolutionList = nullptr;
    QSpinBox *resolutionRange = nullptr;
    QComboBox *source = nullptr;
    QLabel *status = nullptr;
    QPushButton *scan = nullptr;

    explicit Impl(TSaneOptions &o, Callbacks c) : options(o), callbacks(std::move(c)) {}

    QComboBox *StringChoice(const char *name) {
        const auto values = options.Strings(name);
        if (values.empty()) return nullptr;
        auto *box = new QComboBox;
        for (const auto &v : values) box->addItem(QString::fromStdString(v));
        if (auto current = options.String(name)) box->setCurrentText(QString::fromStdString(*current));
        return box;
    }

    void Apply() {
        if (mode) options.SetString("mode", mode->currentText().toStdString());
        if (source) options.SetString("source", source->currentText().toStdString());
        if (resolutionList) options.SetNumber("resolution", resolutionList->currentData().toDouble());
        if (resolutionRange) options.SetNumber("resolution", resolutionRange->value());
    }
};

TSaneDialog::TSaneDialog(const std::string &deviceLabel, TSaneOptions &options, Callbacks callbacks)
    : impl_(std::make_unique<Impl>(options, std::move(callbacks))) {
    Impl &d = *impl_;
    d.window.setWindowTitle(QStringLiteral("Scanner"));
    d.window.onCancel = [this] { impl_->callbacks.cancel(); };
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Device:"), new QLabel(QString::fromStdString(deviceLabel)));
    if ((d.mode = d.StringChoice("mode"))) form->addRow(QStringLiteral("Mode:"), d.mode);
    bool isRange = false;
    const auto choices = options.NumberChoices("resolution", &isRange);
    const double current = options.Number("resolution").value_or(0);
    if (isRange && choices.size() == 2) {
        d.resolutionRange = new QSpinBox;
        d.resolutionRange->setRange(static_cast<int>(std::ceil(choices[0])), static_cast<int>(choices[1]));
        d.resolutionRange->setValue(static_cast<int>(std::lround(current)));
        d.resolutionRange->setSuffix(QStringLiteral(" dpi"));
        form->addRow(QStringLiteral("Resolution:"), d.resolutionRange);
    } else if (!choices.empty()) {
        d.resolutionList = new QComboBox;
        for (double v : choices) {
            d.resolutionList->addItem(QStringLiteral("%1 dpi").arg(v), v);
            if (v == current) d.resolutionList->setCurrentIndex(d.resolutionList->count() - 1);
        }
        form->addRow(QStringLiteral("Resolution:"), d.resolutionList);
    }
    if ((d.source = d.StringChoice("source"))) form->addRow(QStringLiteral("Source:"), d.source);
    d.status = new QLabel;
    d.status->setObjectName(QStringLiteral("status"));
    auto *buttons = new QDialogButtonBox;
    d.scan = buttons->addButton(QStringLiteral("Scan"), QDialogButtonBox::AcceptRole);
    d.scan->setObjectName(QStringLiteral("scan"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    QObject::connect(d.scan, &QPushButton::clicked, &d.window, [this] {
        impl_->Apply();
        impl_->callbacks.scan();
    });
    QObject::connect(cancel, &QPushButton::clicked, &d.window, [this] { impl_->callbacks.cancel(); });
    auto *layout = new QVBoxLayout(&d.window);
    layout->addLayout(form);
    layout->addWidget(d.status);
    layout->addWidget(buttons);
}

TSaneDialog::~TSaneDialog() = default;

void TSaneDialog::Show() {
    // Application-modal, so that a modal window of the program that started
    // the scan (the page viewer) does not block the source's own window.
    impl_->window.setWindowModality(Qt::ApplicationModal);
    impl_->window.show();
    impl_->window.raise();
}

void TSaneDialog::SetBusy(bool busy) {
    impl_->scan->setEnabled(!busy);
    if (busy) impl_->status->setText(QStringLiteral("Scanning..."));
}

void TSaneDialog::SetStatus(const std::string &text) { impl_->status->setText(QString::fromStdString(text)); }

QDialog *TSaneDialog::Window() const { return &impl_->window; }
