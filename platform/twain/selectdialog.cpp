// The source manager's select-source dialog, and the check that widgets can be shown.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "platform/twain/datasource.h"

bool WidgetsAvailable() { return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr; }

int RunSelectSourceDialog(const std::vector<std::string> &labels, int current) {
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("SelectSource"));
    dialog.setWindowTitle(QStringLiteral("Select Source"));
    auto *list = new QListWidget;
    list->setObjectName(QStringLiteral("sources"));
    for (const auto &label : labels) list->addItem(QString::fromStdString(label));
    list->setCurrentRow(current);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Sources:")));
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return -1;
    return list->currentRow();
}
