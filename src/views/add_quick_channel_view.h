#pragma once

#include "views/app_stores.h"

#include <QCoroTask>
#include <QWidget>

#include <optional>

class FindRadioView;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QuickBarIconView;

// "Add channel": saves the tuned (or a typed) frequency to the quick bar as a
// new slot, with an optional label and an icon chosen in the icon picker; a
// "Find friend" link leads to the radio search on this sheet's own stack.
// Each time the form is shown its frequency is the tuner's again. Asks to be
// closed after a save. GUI thread only; the stores must outlive a save.
class AddQuickChannelView : public QWidget {
    Q_OBJECT
public:
    AddQuickChannelView(const AppStores& stores, QWidget* parent = nullptr);

    // Validates, sends and, on success, reloads the slots and asks to close.
    QCoro::Task<void> save();

    QLineEdit* frequencyField() const { return frequency_; }
    QLineEdit* labelField() const { return label_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* iconButton() const { return iconButton_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* findFriendLink() const { return findFriend_; }
    QLabel* errorRow() const { return errorRow_; }
    const QString& iconId() const { return iconId_; }
    const std::optional<QString>& iconCustom() const { return iconCustom_; }
    const std::optional<QString>& errorText() const { return errorText_; }
    bool saving() const { return saving_; }
    // The pushed radio search, while it is shown.
    FindRadioView* findRadio() const;

Q_SIGNALS:
    void closeRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildForm();
    void showForm();
    void pushFindRadio();
    void openIconPicker();
    void setIcon(const QString& iconId, const std::optional<QString>& iconCustom);
    void setSaving(bool saving);
    void setErrorText(std::optional<QString> text);
    void updateAddButton();

    AppStores stores_;
    QString iconId_ = QStringLiteral("radio");
    std::optional<QString> iconCustom_;
    bool saving_ = false;
    std::optional<QString> errorText_;

    QStackedWidget* stack_ = nullptr;
    QWidget* form_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* findFriend_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QLineEdit* label_ = nullptr;
    QPushButton* iconButton_ = nullptr;
    QuickBarIconView* iconView_ = nullptr;
    QLabel* iconLabel_ = nullptr;
    QLabel* errorRow_ = nullptr;
    QPushButton* add_ = nullptr;
};
