#pragma once

#include "views/app_stores.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class ChatUnreadStore;
class MacTovrinKeyboardModifier;
class PasskeyPrompt;
class QLabel;
class RadioEffects;
class RadioOperations;
class RadioQuickBar;
class SheetOverlay;
class TovrinFacePlateBackground;
class TovrinShellView;

// The Radio tab: the face plate with its header, the quick bar's place and
// the radio shell, the sheets it opens (find radio, add channel, channel
// setup, chat), the passkey prompt, and Return/Space while none of them is
// shown. It carries the radio's live state to the shell and the shell's
// actions to its RadioOperations. While shown it keeps the listener count
// fresh; it re-reads the microphone permission when shown and when the window
// becomes active; and it plays the pagers others send. A fresh one is built
// each time the tab is selected. GUI thread only.
class RadioView : public QWidget {
    Q_OBJECT

public:
    // The stores must outlive the view. When `stores.chatUnread` is unset the
    // view keeps its own count, which starts over with every new view.
    RadioView(const AppStores& stores, QWidget* parent = nullptr);
    // The same with the given effects (tests record them).
    RadioView(const AppStores& stores, std::unique_ptr<RadioEffects> effects, QWidget* parent = nullptr);
    ~RadioView() override;

    static QString titleText();
    static QString noOwnedChannelText();

    RadioOperations* operations() const { return operations_.get(); }
    TovrinShellView* shell() const { return shell_; }
    RadioQuickBar* quickBar() const { return quickBar_; }
    MacTovrinKeyboardModifier* keyboard() const { return keyboard_; }
    PasskeyPrompt* passkeyPrompt() const { return passkeyPrompt_; }
    SheetOverlay* findRadioSheet() const { return findRadio_; }
    SheetOverlay* addChannelSheet() const { return addChannel_; }
    SheetOverlay* channelSettingsSheet() const { return channelSettings_; }
    SheetOverlay* chatSheet() const { return chat_; }

    // Return and Space work exactly while no sheet and no prompt is shown.
    bool keyboardShortcutsEnabled() const;
    int chatUnread() const;
    std::optional<qint64> pendingJoinChannel() const { return pendingJoinChannel_; }
    // Raised by each close of the add-channel or channel-setup sheet; the
    // quick bar reloads its slots when it changes.
    int quickBarRefresh() const { return quickBarRefresh_; }

    // What the quick bar's buttons open.
    void showFindRadio();
    void showAddChannel();
    void showChannelSettings();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildContent();
    void buildSheets();
    SheetOverlay* addSheet(const QString& title);
    void wireShell();
    void wireObservers();

    void presentSheet(SheetOverlay* sheet);
    void updateKeyboard();
    void updateFace();
    void applyTheme();
    void syncVoiceFilter();
    void onLastErrorChanged();
    void askForPasskey();
    void onPasskeyJoin(const QString& passkey);
    void clearPasskeyState();
    void playRemotePager(const QString& soundRaw);
    void startPresence();
    void stopPresence();

    AppStores stores_;
    // Declared before the operations, which use them until they are destroyed.
    std::unique_ptr<RadioEffects> effects_;
    std::unique_ptr<RadioOperations> operations_;
    QPointer<ChatUnreadStore> unread_;

    TovrinFacePlateBackground* background_ = nullptr;
    QWidget* content_ = nullptr;
    QLabel* emoji_ = nullptr;
    QLabel* title_ = nullptr;
    RadioQuickBar* quickBar_ = nullptr;
    TovrinShellView* shell_ = nullptr;
    MacTovrinKeyboardModifier* keyboard_ = nullptr;

    SheetOverlay* findRadio_ = nullptr;
    SheetOverlay* addChannel_ = nullptr;
    SheetOverlay* channelSettings_ = nullptr;
    SheetOverlay* chat_ = nullptr;
    PasskeyPrompt* passkeyPrompt_ = nullptr;

    std::optional<qint64> pendingJoinChannel_;
    int quickBarRefresh_ = 0;
    bool polling_ = false;
};
