#pragma once

#include "views/form_widgets.h"

class QLabel;
class QLineEdit;
class SessionStore;
class WorkplaceStore;

// An employee joins the employer's company account with the company code.
// The field keeps the code normalised as the user types; on success the
// session is checked in again, the membership reloaded and the screen closes.
class WorkplaceRedeemView : public FormPage {
    Q_OBJECT
public:
    WorkplaceRedeemView(SessionStore* session, WorkplaceStore* workplace, QWidget* parent = nullptr);

    QLineEdit* codeField() const { return field_; }
    FormButton* activateButton() const { return activate_; }
    // The orange length hint, and the red store error (hidden when absent).
    QLabel* lengthHint() const { return lengthHint_; }
    QLabel* errorText() const { return error_; }
    bool busy() const { return busy_; }
    bool canSubmit() const;

    void activate();

Q_SIGNALS:
    void dismissRequested();

private:
    void codeEdited(const QString& text);
    void setBusy(bool busy);
    void updateState();

    SessionStore* session_;
    WorkplaceStore* workplace_;
    QLineEdit* field_;
    QLabel* lengthHint_;
    QLabel* error_;
    FormSection* errorSection_;
    FormButton* activate_;
    bool busy_ = false;
};
