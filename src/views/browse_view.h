#pragma once

#include "views/app_stores.h"
#include "views/browse_lists.h"
#include "views/sheet_overlay.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <optional>
#include <vector>

class AlertDialog;
class BrowseCard;
class BrowseChannelRow;
class BrowseTabBar;
class PasskeyPrompt;
class QLabel;
class QLineEdit;
class QProgressBar;
class QVBoxLayout;

// The browse screen's own state; what lasts lives in the stores.
struct BrowseState {
    BrowseTab tab = BrowseTab::publicChannels;
    QString query;
    std::vector<Channel> channels;            // last public list received
    std::vector<Channel> commercialChannels;  // last commercial list received
    bool loading = false;
    std::optional<QString> errorText;
    std::optional<QString> toast;
    bool showRedeem = false;
    bool showCompanyJoinBlocked = false;
    std::optional<QString> blockedCompanyName;
    std::optional<Channel> pendingQuickAdd;
    QString quickAddIconId = QStringLiteral("radio");
    std::optional<QString> quickAddIconCustom;
    bool showQuickAddIcon = false;
    quint64 loadGeneration = 0;
    bool showPasskeyPrompt = false;
    QString passkeyInput;
    std::optional<qint64> pendingJoinChannel;
};

// The Browse tab: live public channels, listed user channels, live commercial
// channels and the user's company, one kind per tab, filtered by a search
// text. Joins through the radio session (asking for a passkey or pointing to
// the company code where needed) and saves a channel to the quick bar.
// GUI thread only. Its coroutines may outlive it: each checks a QPointer to
// the view after every await and touches only the stores once it is gone.
class BrowseView : public QWidget {
    Q_OBJECT

public:
    struct Timing {
        std::chrono::milliseconds toast{2000};
        std::chrono::milliseconds failedJoinToast{2500};
    };

    static inline const QString loadFailedText = QStringLiteral("Could not load channels.");

    explicit BrowseView(const AppStores& stores, QWidget* parent = nullptr);
    BrowseView(const AppStores& stores, Timing timing, QWidget* parent = nullptr);
    ~BrowseView() override;

    const BrowseState& state() const { return state_; }
    BrowseContext context() const;

    // Fetches both lists and the company membership; the newest load wins.
    QCoro::Task<void> load();
    // A row's or card's join: through the company gate, then the radio session.
    void join(const Channel& channel);
    bool canJoinCompanyChannel(const Channel& channel) const;
    // Tunes to the channel and joins it. A join of another channel takes over
    // from one still running: the radio always shows the channel it joins,
    // and only the newest join reports (a toast, or the passkey prompt again).
    // While the channel's own join runs, that join is left to report.
    QCoro::Task<void> joinChannelNumber(qint64 number, std::optional<QString> passkey);
    // A row's "Add to quick bar": remembers the channel and opens the icon sheet.
    void beginQuickAdd(const Channel& channel);

    // The lists and cards as they stand.
    std::vector<Channel> publicChannels() const;
    std::vector<Channel> userChannels() const;
    std::vector<Channel> commercialList() const;
    std::optional<Channel> myChannel() const;
    std::optional<Channel> companyChannel() const;
    qint64 liveUserCount(const Channel& channel) const;

    // The parts of the screen, for the tests.
    BrowseTabBar* tabBar() const { return tabBar_; }
    QLineEdit* searchField() const { return search_; }
    QList<BrowseChannelRow*> rows() const;
    BrowseCard* card() const { return card_; }
    // The empty-state's label and description; empty when none is shown.
    QStringList emptyStateTexts() const;
    QWidget* emptyStateAction() const;
    bool progressShown() const;
    PasskeyPrompt* passkeyPrompt() const { return passkeyPrompt_; }
    AlertDialog* errorAlert() const { return errorAlert_; }
    AlertDialog* blockedAlert() const { return blockedAlert_; }
    SheetOverlay* redeemSheet() const { return redeemSheet_; }
    SheetOverlay* iconSheet() const { return iconSheet_.data(); }

Q_SIGNALS:
    // The screen's state changed (a list, the toast, a flag).
    void stateChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildScreen();
    void buildPrompts();
    void watchStores();
    // Rebuilds the cards and rows from the state and the stores.
    void refresh();
    void rebuildCard();
    void rebuildList();
    void showEmptyState(const QString& symbol, const QString& label, const QString& description, bool withAction);

    void selectTab(BrowseTab tab);
    void setLoading(bool loading);
    void setErrorText(std::optional<QString> text);
    void showToast(const QString& text, std::chrono::milliseconds lifetime);
    void clearToast();
    void onLastErrorChanged();
    void askForPasskey();
    void onPasskeyJoin(const QString& passkey);
    void clearPasskeyState();
    void blockJoin(const Channel& channel);
    void presentRedeem();
    QCoro::Task<void> saveQuickAdd(Channel channel);
    void finishQuickAdd(const QString& text);

    AppStores stores_;
    Timing timing_;
    BrowseState state_;
    quint64 joinGeneration_ = 0;  // the newest join of this screen
    bool shownOnce_ = false;

    QLabel* title_ = nullptr;
    QLineEdit* search_ = nullptr;
    BrowseTabBar* tabBar_ = nullptr;
    QVBoxLayout* cardSlot_ = nullptr;
    BrowseCard* card_ = nullptr;
    QWidget* listHost_ = nullptr;
    QVBoxLayout* listLayout_ = nullptr;
    QWidget* listContent_ = nullptr;
    QProgressBar* progress_ = nullptr;
    PasskeyPrompt* passkeyPrompt_ = nullptr;
    AlertDialog* errorAlert_ = nullptr;
    AlertDialog* blockedAlert_ = nullptr;
    SheetOverlay* redeemSheet_ = nullptr;
    QPointer<SheetOverlay> iconSheet_;  // one per quick add, deleted when it closes
};
