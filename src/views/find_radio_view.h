#pragma once

#include "models/user_search_result.h"

#include <QCoroTask>
#include <QWidget>

#include <optional>
#include <vector>

class FriendsStore;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class SessionStore;

// "Find Radio": looks up other users by radio ID, e-mail, Apple ID text or
// name, lists the server's hits and saves a hit's own channel to the quick bar
// as a friend slot, then asks to be closed. A fresh view starts empty. One
// save runs at a time: a second click while one is under way is ignored.
// GUI thread only; the stores must outlive any search or save it starts.
class FindRadioView : public QWidget {
    Q_OBJECT
public:
    FindRadioView(SessionStore* session, FriendsStore* friends, QWidget* parent = nullptr);

    // One search with the field's text exactly as typed.
    QCoro::Task<void> search();
    // Saves the result's channel as a friend slot; does nothing while a save runs.
    QCoro::Task<void> add(UserSearchResult result);
    bool adding() const { return adding_; }

    // Pushed onto another sheet's stack, the view shows its own title.
    void setTitleVisible(bool visible);
    QLabel* titleLabel() const { return title_; }

    QLineEdit* queryField() const { return query_; }
    QPushButton* searchButton() const { return searchButton_; }
    QPushButton* closeButton() const { return close_; }
    bool searching() const { return searching_; }
    const std::vector<UserSearchResult>& results() const { return results_; }
    const std::optional<QString>& errorText() const { return errorText_; }
    // The rows as shown: "No matches yet", or one per result.
    QWidget* resultsBox() const { return resultsBox_; }
    // "Searching…" beside a progress indicator.
    QWidget* progressRow() const { return progress_; }
    QLabel* errorRow() const { return errorRow_; }

    // A hit's slot label: the first 12 characters of its display name, else
    // its radio ID, else "Friend".
    static QString slotLabel(const UserSearchResult& result);

Q_SIGNALS:
    void closeRequested();

private:
    void setSearching(bool searching);
    void setErrorText(std::optional<QString> text);
    void showResults();
    QWidget* resultRow(const UserSearchResult& result);
    void startAdd(const UserSearchResult& result);

    SessionStore* session_;
    FriendsStore* friends_;
    std::vector<UserSearchResult> results_;
    bool searching_ = false;
    bool adding_ = false;
    std::optional<QString> errorText_;

    QPushButton* close_ = nullptr;
    QLabel* title_ = nullptr;
    QLineEdit* query_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QWidget* progress_ = nullptr;
    QWidget* resultsBox_ = nullptr;
    QVBoxLayout* resultsLayout_ = nullptr;
    QLabel* errorRow_ = nullptr;
};
