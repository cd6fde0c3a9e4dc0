#pragma once
// A record navigator: a row of tool buttons acting on the dataset behind a
// TDataSource. A click runs the program's handler for that button first; the
// handler may set abort to stop the button's own action. The movement buttons
// repeat while held (first after 500 ms, then every 100 ms). Delete asks the
// navigator's own question "Delete record?" (OK and Cancel) unless
// ConfirmDelete is off. Buttons are named after the navigator
// ("wwDBNavigator1Insert") and take captions, hints and pictures from the
// program; extra buttons with handlers of their own can be added at the end.
#include <QIcon>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <map>
#include <vector>

#include "platform/db/database.h"

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };

class QHBoxLayout;

class TDBNavigator : public QWidget {
public:
    explicit TDBNavigator(const QString &name, QWidget *parent = nullptr);
    ~TDBNavigator() override;

    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const { return source_; }

    // The buttons shown, in this order.
    void SetVisibleButtons(const std::vector<TNavigateBtn> &buttons);
    QToolButton *Button(TNavigateBtn kind) const;
    void SetButton(TNavigateBtn kind, const QString &caption, const QString &hint, const QIcon &icon = {});
    // A button of the program's own at the end of the row.
    QToolButton *AddButton(const QString &suffix, const QString &caption, const QString &hint,
                           std::function<void()> onClick);
    // Show captions beside the pictures (and let the buttons share the width).
    void SetShowCaptions(bool show);

    // Runs before the button's own action; set abort to stop that action.
    using TClickHandler = std::function<void(bool &abort)>;
    void SetOnClick(TNavigateBtn kind, TClickHandler handler);
    bool ConfirmDelete = true;

    // What a click on the button does (handler, then the action). Raises what
    // the dataset raises; a real click shows it in the error box.
    void BtnClick(TNavigateBtn kind);
    // Enables the buttons for the dataset's state and position.
    void UpdateButtons();

    static QString DefaultHint(TNavigateBtn kind);

private:
    QToolButton *MakeButton(const QString &suffix);
    void DataAction(TNavigateBtn kind);

    QString name_;
    QHBoxLayout *layout_;
    TDataSource *source_ = nullptr;
    int listener_ = -1;
    std::map<TNavigateBtn, QToolButton *> buttons_;
    std::map<TNavigateBtn, TClickHandler> handlers_;
    std::vector<QToolButton *> extra_;
};
