#include "views/workplace_create_view.h"

#include "services/session_store.h"
#include "services/workplace_store.h"

#include <QClipboard>
#include <QCoroTask>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

bool isBlankName(const QString& name)
{
    for (QChar c : name)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return false;
    return true;
}

// Runs apart from the screen: it may close while the request is out.
QCoro::Task<void> runCreation(QPointer<WorkplaceCreateView> view, SessionStore* session, WorkplaceStore* workplace,
                              QString name, std::function<void(bool)> finished)
{
    bool created = false;
    try {
        created = co_await workplace->create(session->uid(), name, WorkplaceCreateView::selectedTier);
        if (created)
            session->setWorkplace(workplace->membership());
    } catch (...) {
        // The store reports its own failures.
    }
    if (view)
        finished(created);
}

}  // namespace

WorkplaceCreateView::WorkplaceCreateView(SessionStore* session, WorkplaceStore* workplace, QWidget* parent)
    : FormPage(parent), session_(session), workplace_(workplace), name_(new QLineEdit),
      error_(FormRows::text(QString(), FormRows::body(), FormRows::Tone::red)),
      create_(new FormButton(QStringLiteral("Create company channel"), FormButton::Kind::action))
{
    setWindowTitle(QStringLiteral("Create company"));
    addSection()->addRow(FormRows::text(QStringLiteral("Create a workplace channel for your team. Your company gets its own "
                                                       "frequency \u2014 your personal MY channel stays separate."),
                                        FormRows::subheadline(), FormRows::Tone::secondary));
    name_->setPlaceholderText(QStringLiteral("Company name"));
    name_->setFont(FormRows::body());
    name_->setFrame(false);
    addSection(QStringLiteral("Company"))->addRow(name_);
    errorSection_ = addSection();
    errorSection_->addRow(error_);
    addSection()->addRow(create_);

    connect(name_, &QLineEdit::textChanged, this, &WorkplaceCreateView::updateState);
    connect(create_, &QPushButton::clicked, this, &WorkplaceCreateView::create);
    connect(workplace_, &WorkplaceStore::lastErrorChanged, this, &WorkplaceCreateView::updateState);
    updateState();
}

void WorkplaceCreateView::create()
{
    if (busy_ || isBlankName(name_->text()))
        return;
    setBusy(true);
    QPointer<WorkplaceCreateView> self(this);
    runCreation(self, session_, workplace_, name_->text(), [self](bool created) {
        if (created)
            self->showCode();
        self->setBusy(false);
    });
}

void WorkplaceCreateView::setBusy(bool busy)
{
    busy_ = busy;
    updateState();
}

void WorkplaceCreateView::updateState()
{
    const std::optional<QString> error = workplace_->lastError();
    error_->setText(error.value_or(QString()));
    errorSection_->setVisible(error.has_value());
    create_->setTitle(busy_ ? QStringLiteral("Creating\u2026") : QStringLiteral("Create company channel"));
    create_->setEnabled(!busy_ && !isBlankName(name_->text()));
}

void WorkplaceCreateView::showCode()
{
    auto* alert = new QMessageBox(this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowTitle(QStringLiteral("Company code"));
    alert->setTextFormat(Qt::PlainText);
    alert->setText(QStringLiteral("Share this code with employees (Settings \u2192 Enter company code):\n\n")
                              + workplace_->lastCompanyCode().value_or(QStringLiteral("\u2014"))
                              + QStringLiteral("\n\nSaved on this device. Rotate anytime in Manage company."));
    QPushButton* copy = alert->addButton(QStringLiteral("Copy code"), QMessageBox::ActionRole);
    QPushButton* ok = alert->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    connect(copy, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> code = workplace_->lastCompanyCode())
            QGuiApplication::clipboard()->setText(*code);
    });
    connect(ok, &QPushButton::clicked, this, &WorkplaceCreateView::dismissRequested);
    alert_ = alert;
    alert->open();
}
