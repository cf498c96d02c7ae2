#pragma once

#include "models/channel_settings.h"
#include "models/chat_message.h"

#include <QJsonObject>
#include <QPointer>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <optional>
#include <vector>

class ChannelBanList;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QVBoxLayout;
class QuickBarIconView;
class SessionStore;

// The owner's setup sheet of one channel: name, listing, who may join, lock,
// passkey, talker limit, allow-list additions, the MY button's icon and the
// ban list. Everything lives on the server; the form starts afresh each time
// it is built and loads itself the first time it is shown.
//
// Every operation absorbs its failure into the status line; none throws. A
// running operation that outlives the view does nothing once the view is gone.
class ChannelSettingsView : public QWidget {
    Q_OBJECT
public:
    ChannelSettingsView(qint64 channelNumber, SessionStore* session, QWidget* parent = nullptr);

    static QString savedText() { return QStringLiteral("Saved"); }
    static QString saveFailedText() { return QStringLiteral("Save failed"); }
    static QString unbanFailedText() { return QStringLiteral("Unban failed"); }
    static QString loadFailedText() { return QStringLiteral("Could not load settings"); }
    static QString nobodyBannedText() { return QStringLiteral("Nobody banned from your channel"); }

    qint64 channelNumber() const { return channelNumber_; }

    QCoro::Task<void> load();
    QCoro::Task<void> save();
    QCoro::Task<void> loadBans();
    QCoro::Task<void> unban(ChannelBanEntry entry);

    // The icon picker's write-back: a preset id with no picture, or "custom" with one.
    void setIconChoice(const QString& iconId, const std::optional<QString>& iconCustom);
    // Shows the icon picker over the form, bound to the icon fields.
    void presentIconPicker();

    // View state, for the screen's own tests.
    const std::optional<ChannelSettings>& settings() const { return settings_; }
    bool isLoading() const { return loading_; }
    bool isSaving() const { return saving_; }
    bool isLoadingBans() const;
    const std::optional<QString>& message() const { return message_; }
    const QString& iconId() const { return iconId_; }
    const std::optional<QString>& iconCustom() const { return iconCustom_; }
    bool showIconPicker() const { return showIconPicker_; }
    const std::vector<ChannelBanEntry>& banned() const;
    // The body save() sends (the client adds "uid" and "channel_number").
    QJsonObject payload() const;

    // The form's controls, for tests that edit it as a user would.
    QPushButton* saveButton() const { return saveButton_; }
    QPushButton* closeButton() const { return closeButton_; }
    QPushButton* iconButton() const { return iconButton_; }
    QLineEdit* nameField() const { return nameField_; }
    QCheckBox* listedToggle() const { return listedToggle_; }
    QComboBox* joinPolicyPicker() const { return joinPolicyPicker_; }
    QCheckBox* lockedToggle() const { return lockedToggle_; }
    QLineEdit* passkeyField() const { return passkeyField_; }
    QLabel* maxTalkersLabel() const { return maxTalkersLabel_; }
    QSlider* maxTalkersSlider() const { return maxTalkersSlider_; }
    QLineEdit* allowField() const { return allowField_; }
    // Texts of the allow-list rows and of the ban rows ("nickname radioId"), as shown.
    QStringList allowlistTexts() const;
    QStringList bannedTexts() const;
    // The line under the ban rows: nobody banned, or the failed load; empty otherwise.
    QString bansStatusText() const;
    QList<QPushButton*> unbanButtons() const;
    // Which part of the form shows: "loading", "loaded" or "not loaded".
    QString formState() const;
    QString messageText() const;

Q_SIGNALS:
    // "Close": the presenter dismisses the sheet; nothing is saved.
    void closeRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildYourRadio();
    QWidget* buildIdentity();
    QWidget* buildIcon();
    QWidget* buildAccess();
    QWidget* buildAllowlist();
    QWidget* buildBans();
    QWidget* section(const QString& header, const QString& footer, QVBoxLayout*& rows);

    void setLoading(bool loading);
    void setSaving(bool saving);
    void setMessage(const QString& text);
    void setJoinPolicy(const QString& policy);
    void setSettings(const ChannelSettings& settings);
    void applyLoaded(const ChannelSettings& settings);
    void rebuildBans();
    void updateVisibility();

    qint64 channelNumber_;
    QPointer<SessionStore> session_;

    std::optional<ChannelSettings> settings_;
    QString joinPolicy_ = QStringLiteral("open");
    bool loading_ = true;
    bool saving_ = false;
    std::optional<QString> message_;
    QString iconId_ = QStringLiteral("star");
    std::optional<QString> iconCustom_;
    bool showIconPicker_ = false;
    ChannelBanList* bans_;
    // The newest settings load; an older one that ends later changes nothing.
    quint64 loadGeneration_ = 0;
    bool loadStarted_ = false;

    QPushButton* closeButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QWidget* loadingRow_ = nullptr;
    QWidget* form_ = nullptr;
    QLabel* radioIdValue_ = nullptr;
    QLabel* frequencyValue_ = nullptr;
    QLineEdit* nameField_ = nullptr;
    QPushButton* iconButton_ = nullptr;
    QuickBarIconView* iconTile_ = nullptr;
    QCheckBox* listedToggle_ = nullptr;
    QComboBox* joinPolicyPicker_ = nullptr;
    QCheckBox* lockedToggle_ = nullptr;
    QLineEdit* passkeyField_ = nullptr;
    QLabel* maxTalkersLabel_ = nullptr;
    QSlider* maxTalkersSlider_ = nullptr;
    QLineEdit* allowField_ = nullptr;
    QVBoxLayout* allowRows_ = nullptr;
    QVBoxLayout* banRows_ = nullptr;
    QWidget* messageSection_ = nullptr;
    QLabel* messageLabel_ = nullptr;
};
