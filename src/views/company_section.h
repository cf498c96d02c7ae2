#pragma once

#include "views/form_widgets.h"

class SessionStore;
class WorkplaceStore;

// The settings form's "Company / workplace" section: the ways into a company
// without a membership; the company, its seats and, to its administrator,
// the employee code and the way to the manage screen with one. It follows the
// stores and keeps nothing of its own.
class CompanySection : public FormSection {
    Q_OBJECT
public:
    CompanySection(SessionStore* session, WorkplaceStore* workplace, QWidget* parent = nullptr);

private:
    void rebuild();
    FormButton* navigationRow(const QString& title, std::function<QWidget*()> page);

    SessionStore* session_;
    WorkplaceStore* workplace_;
};
