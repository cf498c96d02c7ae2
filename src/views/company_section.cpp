#include "views/company_section.h"

#include "services/session_store.h"
#include "services/workplace_store.h"
#include "views/company_code_texts.h"
#include "views/navigation_stack.h"
#include "views/view_fonts.h"
#include "views/workplace_create_view.h"
#include "views/workplace_manage_view.h"
#include "views/workplace_redeem_view.h"

#include <QLabel>
#include <QVBoxLayout>

CompanySection::CompanySection(SessionStore* session, WorkplaceStore* workplace, QWidget* parent)
    : FormSection(QStringLiteral("Company / workplace"), QString(), parent), session_(session), workplace_(workplace)
{
    connect(workplace_, &WorkplaceStore::membershipChanged, this, &CompanySection::rebuild);
    connect(workplace_, &WorkplaceStore::lastCompanyCodeChanged, this, &CompanySection::rebuild);
    connect(session_, &SessionStore::workplaceChanged, this, &CompanySection::rebuild);
    rebuild();
}

FormButton* CompanySection::navigationRow(const QString& title, std::function<QWidget*()> page)
{
    auto* row = new FormButton(title, FormButton::Kind::navigation);
    connect(row, &QPushButton::clicked, this, [this, page] { NavigationStack::pushFrom(this, page()); });
    return row;
}

void CompanySection::rebuild()
{
    clearRows();
    const auto secondary = [](const QString& text, const QFont& font) {
        return FormRows::text(text, font, FormRows::Tone::secondary);
    };
    SessionStore* session = session_;
    WorkplaceStore* workplace = workplace_;
    const std::optional<WorkplaceMembership> membership = currentMembership(workplace_, session_);
    if (!membership) {
        addRow(navigationRow(QStringLiteral("Enter company code"),
                             [session, workplace] { return new WorkplaceRedeemView(session, workplace); }));
        addRow(navigationRow(QStringLiteral("Create company channel"),
                             [session, workplace] { return new WorkplaceCreateView(session, workplace); }));
        addRow(secondary(CompanyCodeTexts::rule(), ViewFonts::caption()));
        addRow(secondary(CompanyCodeTexts::examples(), FormRows::monospaced(ViewFonts::caption2())));
        addRow(secondary(QStringLiteral("Create a company channel (separate frequency from your personal MY channel)."),
                         ViewFonts::caption()));
        return;
    }
    const QFont body = FormRows::body();
    addRow(FormRows::labelValue(QStringLiteral("Company"), membership->name, body));
    addRow(FormRows::labelValue(QStringLiteral("Seats"), membership->seatsLabel(), body));
    if (!membership->isAdmin()) {
        addRow(secondary(QStringLiteral("You joined with a company code. Ask your employer for the code \u2014 you cannot "
                                        "change it here."),
                         ViewFonts::caption()));
        return;
    }
    const std::optional<QString> code =
        workplace_->lastCompanyCode() ? workplace_->lastCompanyCode() : workplace_->savedCompanyCode(membership->orgId);
    if (code) {
        auto* block = new QWidget;
        auto* layout = new QVBoxLayout(block);
        layout->setContentsMargins(0, 4, 0, 4);
        layout->setSpacing(6);
        layout->addWidget(secondary(QStringLiteral("Employee code"), ViewFonts::caption()));
        QLabel* shown = FormRows::text(*code, FormRows::monospaced(FormRows::title3(QFont::Bold)));
        shown->setObjectName(QStringLiteral("employeeCode"));
        layout->addWidget(shown);
        layout->addWidget(secondary(QStringLiteral("Staff enter this in Settings \u2192 Enter company code"),
                                    ViewFonts::caption2()));
        addRow(block);
    }
    addRow(navigationRow(QStringLiteral("Manage company"),
                         [session, workplace] { return new WorkplaceManageView(session, workplace); }));
    addRow(secondary(QStringLiteral("Change or rotate the code under Manage company. We save the last code on this device."),
                     ViewFonts::caption()));
}
