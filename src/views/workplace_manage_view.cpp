#include "views/workplace_manage_view.h"

#include "services/session_store.h"
#include "services/workplace_store.h"
#include "views/company_code_texts.h"
#include "theme/quick_bar_icons.h"
#include "views/icon_picker_sheet.h"
#include "views/sheet_overlay.h"
#include "views/view_fonts.h"

#include <QClipboard>
#include <QCoroTask>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

namespace {

constexpr int kIconSize = 36;

QCoro::Task<void> runRotation(QPointer<WorkplaceManageView> view, WorkplaceStore* workplace, QString uid, QString orgId,
                              std::function<void(WorkplaceStore::CodeRotation)> finished)
{
    WorkplaceStore::CodeRotation rotation;
    try {
        rotation = co_await workplace->rotateCode(uid, orgId);
    } catch (...) {
        // The store reports its own failures.
    }
    if (view)
        finished(rotation);
}

QCoro::Task<void> sendIcon(WorkplaceStore* workplace, QString uid, QString orgId, QString iconId,
                           std::optional<QString> iconCustom)
{
    try {
        co_await workplace->updateOrgIcon(uid, orgId, iconId, iconCustom);
    } catch (...) {
        // The store reports its own failures.
    }
}

}  // namespace

WorkplaceManageView::WorkplaceManageView(SessionStore* session, WorkplaceStore* workplace, QWidget* parent)
    : FormPage(parent), session_(session), workplace_(workplace)
{
    setWindowTitle(QStringLiteral("Manage company"));
    for (const char* header : {"Seats", "Company", "Quick bar icon (CO button)", "Employee code"})
        sections_ << addSection(QString::fromLatin1(header));
    connect(workplace_, &WorkplaceStore::membershipChanged, this, &WorkplaceManageView::rebuild);
    rebuild();
}

void WorkplaceManageView::showEvent(QShowEvent* event)
{
    FormPage::showEvent(event);
    appear();
    ++loadsOut_;
    QCoro::connect(workplace_->load(session_->uid()), this, [this] {
        --loadsOut_;
        emit loadFinished();
    });
}

void WorkplaceManageView::appear()
{
    const std::optional<WorkplaceMembership> membership = workplace_->membership();
    workplace_->hydrateSavedCompanyCode(membership);
    if (workplace_->lastCompanyCode())
        displayedCode_ = workplace_->lastCompanyCode();
    else if (membership && membership->companyCode)
        displayedCode_ = membership->companyCode;
    else if (membership)
        displayedCode_ = workplace_->savedCompanyCode(membership->orgId);
    else
        displayedCode_.reset();
    rebuild();
}

void WorkplaceManageView::rebuild()
{
    for (FormSection* section : sections_)
        section->clearRows();
    copyButton_ = rotateButton_ = iconButton_ = nullptr;
    const std::optional<WorkplaceMembership> membership = workplace_->membership();
    for (FormSection* section : sections_)
        section->setVisible(membership.has_value());
    if (!membership)
        return;
    const QFont body = FormRows::body();
    const auto secondary = [](const QString& text, const QFont& font) {
        return FormRows::text(text, font, FormRows::Tone::secondary);
    };

    sections_[0]->addRow(FormRows::labelValue(QStringLiteral("In use"), membership->seatsLabel(), body));
    sections_[1]->addRow(FormRows::labelValue(QStringLiteral("Name"), membership->name, body));
    sections_[1]->addRow(FormRows::labelValue(QStringLiteral("Channel"), membership->displayFrequency, body));

    iconButton_ = new FormButton(QStringLiteral("Company logo on quick bar"), FormButton::Kind::navigation);
    iconButton_->setFixedHeight(kIconSize + 8);
    iconButton_->setContentsMargins(kIconSize + 10, 0, 0, 0);
    // Always the membership's icon, not the one being edited.
    auto* icon = new QuickBarIconView(membership->iconId.value_or(QStringLiteral("company")), membership->iconCustom,
                                      kIconSize, iconButton_);
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    icon->move(0, 4);
    connect(iconButton_, &QPushButton::clicked, this, &WorkplaceManageView::openIconPicker);
    sections_[2]->addRow(iconButton_);
    sections_[2]->addRow(secondary(QStringLiteral("Default is \U0001F3E2 building. Upload your company logo or pick an icon."),
                                   ViewFonts::caption()));

    FormSection* code = sections_[3];
    code->addRow(secondary(QStringLiteral("Employees enter this in Settings \u2192 Enter company code. Rotate if it leaks "
                                          "\u2014 old codes stop working immediately."),
                           ViewFonts::caption()));
    if (displayedCode_) {
        QLabel* shown = FormRows::text(*displayedCode_, FormRows::monospaced(FormRows::title2(QFont::Bold)));
        shown->setObjectName(QStringLiteral("employeeCode"));
        shown->setAlignment(Qt::AlignCenter);
        shown->setContentsMargins(0, 8, 0, 8);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        code->addRow(shown);
        copyButton_ = new FormButton(copied_ ? QStringLiteral("Copied!") : QStringLiteral("Copy code"),
                                     FormButton::Kind::action);
        connect(copyButton_, &QPushButton::clicked, this, &WorkplaceManageView::copyCode);
        code->addRow(copyButton_);
    } else {
        code->addRow(secondary(QStringLiteral("Tap Rotate company code below to generate and show your code."), body));
    }
    if (rotationError_) {
        QLabel* error = FormRows::text(*rotationError_, body, FormRows::Tone::red);
        error->setObjectName(QStringLiteral("rotationError"));
        code->addRow(error);
    }
    code->addRow(secondary(CompanyCodeTexts::rule(), ViewFonts::caption2()));
    rotateButton_ = new FormButton(rotating_ ? QStringLiteral("Rotating\u2026") : QStringLiteral("Rotate company code"),
                                   FormButton::Kind::action);
    rotateButton_->setEnabled(!rotating_);
    connect(rotateButton_, &QPushButton::clicked, this, &WorkplaceManageView::rotate);
    code->addRow(rotateButton_);
}

void WorkplaceManageView::copyCode()
{
    if (!displayedCode_)
        return;
    QGuiApplication::clipboard()->setText(*displayedCode_);
    copied_ = true;
    copyButton_->setTitle(QStringLiteral("Copied!"));
    // Never cancelled: a second tap's earlier reset still fires.
    QTimer::singleShot(copiedResetMs, this, [this] {
        copied_ = false;
        if (copyButton_)
            copyButton_->setTitle(QStringLiteral("Copy code"));
    });
}

void WorkplaceManageView::rotate()
{
    const std::optional<WorkplaceMembership> membership = workplace_->membership();
    if (rotating_ || !membership)
        return;
    rotating_ = true;
    rotationError_.reset();
    rebuild();
    QPointer<WorkplaceManageView> self(this);
    runRotation(self, workplace_, session_->uid(), membership->orgId, [self](WorkplaceStore::CodeRotation rotation) {
        // A failed rotation leaves the old code working: it stays, and the
        // failure is said. A rotation without a code leaves none to show.
        if (rotation.rotated)
            self->displayedCode_ = rotation.code;
        else
            self->rotationError_ = self->workplace_->lastError();
        self->rotating_ = false;
        self->rebuild();
    });
}

void WorkplaceManageView::openIconPicker()
{
    const std::optional<WorkplaceMembership> membership = workplace_->membership();
    if (iconPicker_ || !membership)
        return;
    companyIconId_ = membership->iconId.value_or(QStringLiteral("company"));
    companyIconCustom_ = membership->iconCustom;
    auto* picker = new IconPickerSheet(companyIconId_, companyIconCustom_, QStringLiteral("Company icon"),
                                       IconGridColumns{64, 10});
    connect(picker, &IconPickerSheet::selectedIconIdChanged, this, [this](const QString& id) { companyIconId_ = id; });
    connect(picker, &IconPickerSheet::customBase64Changed, this,
            [this](const std::optional<QString>& custom) { companyIconCustom_ = custom; });
    QPointer<WorkplaceManageView> self(this);
    iconPicker_ = presentIconPicker(this, picker, [self] {
        if (self)
            self->iconPickerClosed();
    });
}

void WorkplaceManageView::iconPickerClosed()
{
    // Sent every time the picker goes away, changed or not.
    if (const std::optional<WorkplaceMembership> membership = workplace_->membership())
        sendIcon(workplace_, session_->uid(), membership->orgId, companyIconId_, companyIconCustom_);
}
