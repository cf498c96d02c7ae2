#include "views/workplace_redeem_view.h"

#include "models/company_code_format.h"
#include "platform/text_characters.h"
#include "services/session_store.h"
#include "services/workplace_store.h"
#include "views/company_code_texts.h"
#include "views/view_fonts.h"

#include <QCoroTask>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace {

// Runs apart from the screen: it may close while the requests are out.
QCoro::Task<void> runActivation(QPointer<WorkplaceRedeemView> view, SessionStore* session, WorkplaceStore* workplace,
                                QString code, std::function<void(bool)> finished)
{
    bool joined = false;
    try {
        joined = co_await workplace->redeem(session->uid(), code);
        if (joined) {
            co_await session->bootstrap();
            co_await workplace->load(session->uid());
            session->setWorkplace(workplace->membership());
        }
    } catch (...) {
        // The stores report their own failures.
    }
    if (view)
        finished(joined);
}

}  // namespace

WorkplaceRedeemView::WorkplaceRedeemView(SessionStore* session, WorkplaceStore* workplace, QWidget* parent)
    : FormPage(parent), session_(session), workplace_(workplace), field_(new QLineEdit),
      lengthHint_(FormRows::text(QStringLiteral("Need at least %1 letters or numbers.").arg(CompanyCodeFormat::minimumLength),
                                 ViewFonts::caption(), FormRows::Tone::orange)),
      error_(FormRows::text(QString(), FormRows::body(), FormRows::Tone::red)),
      activate_(new FormButton(QStringLiteral("Activate company account"), FormButton::Kind::action))
{
    setWindowTitle(QStringLiteral("Company code"));
    addSection()->addRow(FormRows::text(QStringLiteral("Enter your employer\u2019s company code."), FormRows::subheadline(),
                                        FormRows::Tone::secondary));

    FormSection* codeSection = addSection(QStringLiteral("Company code"));
    field_->setPlaceholderText(QStringLiteral("e.g. ") + CompanyCodeTexts::sample());
    field_->setFont(FormRows::monospaced(FormRows::title3()));
    field_->setFrame(false);
    field_->setInputMethodHints(Qt::ImhUppercaseOnly | Qt::ImhNoPredictiveText);
    codeSection->addRow(field_);
    codeSection->addRow(FormRows::text(CompanyCodeTexts::rule(), ViewFonts::caption(), FormRows::Tone::secondary));
    codeSection->addRow(FormRows::text(CompanyCodeTexts::examples(), FormRows::monospaced(ViewFonts::caption2()),
                                       FormRows::Tone::secondary));
    codeSection->addRow(lengthHint_);

    errorSection_ = addSection();
    errorSection_->addRow(error_);
    addSection()->addRow(activate_);

    connect(field_, &QLineEdit::textChanged, this, &WorkplaceRedeemView::codeEdited);
    connect(activate_, &QPushButton::clicked, this, &WorkplaceRedeemView::activate);
    connect(workplace_, &WorkplaceStore::lastErrorChanged, this, &WorkplaceRedeemView::updateState);
    updateState();
}

bool WorkplaceRedeemView::canSubmit() const
{
    return !busy_ && TextCharacters::count(CompanyCodeFormat::normalize(field_->text()))
                         >= CompanyCodeFormat::minimumLength;
}

void WorkplaceRedeemView::codeEdited(const QString& text)
{
    const QString normalized = CompanyCodeFormat::normalize(text);
    if (normalized != text)
        field_->setText(normalized);
    updateState();
}

void WorkplaceRedeemView::activate()
{
    if (!canSubmit())
        return;
    setBusy(true);
    QPointer<WorkplaceRedeemView> self(this);
    runActivation(self, session_, workplace_, field_->text(), [self](bool joined) {
        if (joined)
            emit self->dismissRequested();
        self->setBusy(false);
    });
}

void WorkplaceRedeemView::setBusy(bool busy)
{
    busy_ = busy;
    updateState();
}

void WorkplaceRedeemView::updateState()
{
    const QString code = field_->text();
    const qsizetype length = TextCharacters::count(CompanyCodeFormat::normalize(code));
    lengthHint_->setVisible(!code.isEmpty() && length < CompanyCodeFormat::minimumLength);
    const std::optional<QString> error = workplace_->lastError();
    error_->setText(error.value_or(QString()));
    errorSection_->setVisible(error.has_value());
    activate_->setTitle(busy_ ? QStringLiteral("Activating\u2026") : QStringLiteral("Activate company account"));
    activate_->setEnabled(canSubmit());
}
