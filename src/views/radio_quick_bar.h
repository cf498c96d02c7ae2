#pragma once

#include "views/app_stores.h"
#include "models/saved_channel_slot.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class IconPickerSheet;
class QHBoxLayout;
class QLabel;
class QMenu;
class QMessageBox;
class ProQuickButton;

// The radio screen's strip of channel buttons: HOME, the company (CO), the
// user's own channel (MY), one per saved slot, ADD CH and SETUP. It keeps no
// slots of its own: it draws FriendsStore's list and reloads it when it comes
// on screen, when the screen's refresh token changes while it is shown and
// after its own remove and icon changes. Joining is the screen's: each button calls back.
// A slot's long press or context menu asks to remove it; the menu also
// changes its icon in the icon picker. GUI thread only.
class RadioQuickBar : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> joinMyChannel;
        std::function<void()> joinCompany;
        std::function<void(const SavedChannelSlot&)> joinFriend;
        std::function<void()> goHome;
        std::function<void()> showAddChannel;
        std::function<void()> showChannelSettings;
    };

    // The stores must outlive the bar.
    RadioQuickBar(const AppStores& stores, Actions actions, QWidget* parent = nullptr);

    // Every change reloads the slots while the bar is shown.
    void setRefreshToken(int token);

    // The buttons in their row order.
    QList<ProQuickButton*> buttons() const;
    QLabel* radioIdLabel() const { return radioId_; }

    const QString& myIconId() const { return myIconId_; }
    const std::optional<QString>& myIconCustom() const { return myIconCustom_; }

    // A slot's context menu: "Change icon", "Remove from quick bar".
    QMenu* slotMenu(const SavedChannelSlot& slot, QWidget* parent);
    // Shows the remove alert for the slot.
    void askToRemove(const SavedChannelSlot& slot);
    // Opens the icon picker for the slot; its closing sends the icon.
    void changeIcon(const SavedChannelSlot& slot);

    const std::optional<SavedChannelSlot>& slotPendingDelete() const { return slotPendingDelete_; }
    QMessageBox* removeAlert() const;
    IconPickerSheet* iconPicker() const;

    // A slot's button label: its first six characters, upper-cased.
    static QString shortLabel(const QString& label);
    static QString removeMessage(const SavedChannelSlot& slot);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildFixedButtons();
    void rebuildRow();
    // The ADD CH tile shows the tuned frequency: a retune changes nothing else.
    void refreshAddFace();
    void applyTheme();
    void reloadSlots();
    void loadMyChannelIcon();
    void removePending();
    void sendSlotIcon();
    ProQuickButton* slotButton(const SavedChannelSlot& slot);

    AppStores stores_;
    Actions actions_;
    int refreshToken_ = 0;

    QLabel* title_ = nullptr;
    QLabel* radioId_ = nullptr;
    QHBoxLayout* row_ = nullptr;
    ProQuickButton* home_ = nullptr;
    ProQuickButton* company_ = nullptr;
    ProQuickButton* my_ = nullptr;
    ProQuickButton* add_ = nullptr;
    ProQuickButton* setup_ = nullptr;
    QMap<qint64, ProQuickButton*> slotButtons_;

    QString myIconId_ = QStringLiteral("star");
    std::optional<QString> myIconCustom_;
    int myIconGeneration_ = 0;

    std::optional<SavedChannelSlot> editingSlot_;
    QString slotIconId_ = QStringLiteral("radio");
    std::optional<QString> slotIconCustom_;
    QPointer<IconPickerSheet> iconPicker_;

    std::optional<SavedChannelSlot> slotPendingDelete_;
    QPointer<QMessageBox> removeAlert_;
};
