#pragma once

#include "views/app_stores.h"

#include <QWidget>

class FormButton;
class FormPage;
class FormSection;
class QLabel;
class QLineEdit;
class NavigationStack;
class SessionStore;

// The Settings tab: one navigation stack whose root form changes the face
// plate, edits and saves the profile, shows the own channel, unblocks users,
// shows the device identity and hosts the permission, company and legal
// sections. Built afresh each time the tab is selected; everything it shows
// is read live from the stores.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SettingsView(const AppStores& stores, QWidget* parent = nullptr);

    NavigationStack* navigation() const { return navigation_; }
    FormPage* form() const { return form_; }
    // The profile field with this placeholder.
    QLineEdit* field(const QString& placeholder) const;

    // A company load started by an appearance is still out.
    bool loading() const { return loadsOut_ > 0; }

    void saveProfile();
    void unblock(const QString& targetUID);
    void showThemePicker();

Q_SIGNALS:
    // The company load started when the screen was shown has finished.
    void loadFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTheme();
    void buildIdentity();
    void buildChannel();
    void buildBlocked();
    void buildLegal();
    void appeared();
    void refreshChannel();
    void refreshBlocked();
    void refreshPrivacyRow();
    void bindField(QLineEdit* field, QString (SessionStore::*read)() const, void (SessionStore::*write)(const QString&),
                   void (SessionStore::*changed)(const QString&));

    AppStores stores_;
    FormPage* form_;
    NavigationStack* navigation_;
    FormButton* themeRow_ = nullptr;
    QWidget* radioIdRow_ = nullptr;
    QList<QLineEdit*> fields_;
    FormSection* channel_ = nullptr;
    FormSection* blocked_ = nullptr;
    FormSection* status_ = nullptr;
    QLabel* statusText_ = nullptr;
    FormButton* privacyRow_ = nullptr;
    int loadsOut_ = 0;
};
