#pragma once

#include "views/form_widgets.h"

#include <QPointer>

class QLabel;
class QLineEdit;
#include <QMessageBox>
class SessionStore;
class WorkplaceStore;

// A user founds a company account with its own channel and receives the
// company code in an alert, from which it can be copied.
class WorkplaceCreateView : public FormPage {
    Q_OBJECT
public:
    WorkplaceCreateView(SessionStore* session, WorkplaceStore* workplace, QWidget* parent = nullptr);

    static constexpr int selectedTier = 5;

    QLineEdit* nameField() const { return name_; }
    FormButton* createButton() const { return create_; }
    QLabel* errorText() const { return error_; }
    bool busy() const { return busy_; }
    // The "Company code" alert while it is shown.
    QMessageBox* codeAlert() const { return alert_; }

    void create();

Q_SIGNALS:
    void dismissRequested();

private:
    void setBusy(bool busy);
    void updateState();
    void showCode();

    SessionStore* session_;
    WorkplaceStore* workplace_;
    QLineEdit* name_;
    QLabel* error_;
    FormSection* errorSection_;
    FormButton* create_;
    bool busy_ = false;
    QPointer<QMessageBox> alert_;
};
