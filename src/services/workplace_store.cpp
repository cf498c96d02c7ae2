#include "services/workplace_store.h"

#include "models/company_code_format.h"
#include "platform/assign_if_changed.h"
#include "platform/text_characters.h"
#include "platform/user_defaults.h"
#include "services/session_store.h"
#include "services/tovrin_api.h"

#include <QPointer>

namespace {

QString companyCodeKey(const QString& orgId)
{
    return QLatin1String(WorkplaceStore::companyCodeKeyPrefix) + UserDefaults::escapeKeyComponent(orgId);
}

// Why a redeem request failed, by kind of failure.
QString redeemFailureText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const TovrinAPIError& apiError) {
        if (apiError.kind() == TovrinAPIError::Kind::badResponse)
            return QStringLiteral("Server unavailable — check connection and retry.");
        if (apiError.kind() == TovrinAPIError::Kind::decode)
            return QStringLiteral("Update the app and try again (server response mismatch).");
    } catch (...) {
    }
    return QStringLiteral("Could not redeem company code.");
}

}  // namespace

WorkplaceStore::WorkplaceStore(QObject* parent)
    : QObject(parent)
{
}

QCoro::Task<void> WorkplaceStore::load(QString uid)
{
    QPointer<WorkplaceStore> self(this);
    try {
        std::optional<WorkplaceMembership> fetched = co_await TovrinAPI::shared().fetchWorkplace(uid);
        if (!self)
            co_return;
        setMembership(fetched);
        hydrateSavedCompanyCode(membership_);
        setLastError(std::nullopt);
    } catch (...) {
        if (self)
            setLastError(QStringLiteral("Could not load company info."));
    }
}

QCoro::Task<bool> WorkplaceStore::redeem(QString uid, QString code)
{
    const QString normalized = CompanyCodeFormat::normalize(code);
    if (TextCharacters::count(normalized) < CompanyCodeFormat::minimumLength) {
        setLastError(QStringLiteral("Code must be at least %1 letters or numbers.").arg(CompanyCodeFormat::minimumLength));
        co_return false;
    }
    QPointer<WorkplaceStore> self(this);
    std::optional<WorkplaceActionResponse> reply;
    std::exception_ptr failure;
    try {
        reply = co_await TovrinAPI::shared().redeemWorkplaceCode(uid, normalized);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return false;
    if (!reply) {
        setLastError(redeemFailureText(failure));
        co_return false;
    }
    if (!reply->ok) {
        setLastError(errorMessage(reply->error));
        co_return false;
    }
    setMembership(reply->workplace);
    setLastError(std::nullopt);
    co_return true;
}

QCoro::Task<bool> WorkplaceStore::create(QString uid, QString companyName, qint64 seatTier)
{
    QPointer<WorkplaceStore> self(this);
    std::optional<WorkplaceActionResponse> reply;
    try {
        reply = co_await TovrinAPI::shared().createWorkplace(uid, companyName, seatTier);
    } catch (...) {
    }
    if (!self)
        co_return false;
    if (!reply) {
        setLastError(QStringLiteral("Could not create company channel."));
        co_return false;
    }
    if (!reply->ok) {
        setLastError(errorMessage(reply->error));
        co_return false;
    }
    setMembership(reply->workplace);
    const std::optional<QString> code =
        membership_ && membership_->companyCode ? membership_->companyCode : reply->companyCode;
    persistCompanyCode(code, membership_ ? std::optional<QString>(membership_->orgId) : std::nullopt);
    setLastCompanyCode(code);
    setLastError(std::nullopt);
    co_return true;
}

QCoro::Task<WorkplaceStore::CodeRotation> WorkplaceStore::rotateCode(QString uid, QString orgId)
{
    QPointer<WorkplaceStore> self(this);
    std::optional<WorkplaceActionResponse> reply;
    try {
        reply = co_await TovrinAPI::shared().rotateWorkplaceCode(uid, orgId);
    } catch (...) {
    }
    if (!self)
        co_return CodeRotation{};
    if (!reply) {
        setLastError(QStringLiteral("Could not rotate company code."));
        co_return CodeRotation{};
    }
    if (!reply->ok) {
        setLastError(errorMessage(reply->error));
        co_return CodeRotation{};
    }
    std::optional<QString> code =
        reply->companyCode ? reply->companyCode : (reply->workplace ? reply->workplace->companyCode : std::nullopt);
    if (code && code->isEmpty())
        code.reset();
    if (code)
        persistCompanyCode(code, orgId);
    else
        UserDefaults().remove(companyCodeKey(orgId));
    setLastCompanyCode(code);
    if (membership_ && membership_->orgId == orgId) {
        WorkplaceMembership updated = *membership_;
        updated.companyCode = code;
        setMembership(updated);
    }
    setLastError(std::nullopt);
    co_return CodeRotation{true, code};
}

QCoro::Task<bool> WorkplaceStore::updateOrgIcon(QString uid, QString orgId, QString iconId,
                                                std::optional<QString> iconCustom)
{
    QPointer<WorkplaceStore> self(this);
    try {
        co_await TovrinAPI::shared().updateWorkplaceIcon(uid, orgId, iconId, iconCustom);
    } catch (...) {
        if (self)
            setLastError(QStringLiteral("Could not update company icon."));
        co_return false;
    }
    if (!self)
        co_return false;
    co_await load(uid);
    if (!self)
        co_return false;
    // The icon was changed even when the reload failed.
    setLastError(std::nullopt);
    co_return true;
}

void WorkplaceStore::hydrateSavedCompanyCode(const std::optional<WorkplaceMembership>& membership)
{
    if (!membership || !membership->isAdmin() || lastCompanyCode_)
        return;
    setLastCompanyCode(savedCompanyCode(membership->orgId));
}

std::optional<QString> WorkplaceStore::savedCompanyCode(const QString& orgId) const
{
    const QVariant stored = UserDefaults().value(companyCodeKey(orgId));
    if (stored.typeId() != QMetaType::QString)
        return std::nullopt;
    return stored.toString();
}

void WorkplaceStore::persistCompanyCode(const std::optional<QString>& code, const std::optional<QString>& orgId)
{
    if (!code || code->isEmpty() || !orgId)
        return;
    UserDefaults().set(companyCodeKey(*orgId), *code);
}

QString WorkplaceStore::errorMessage(const std::optional<QString>& code)
{
    static const std::pair<const char*, const char*> texts[] = {
        {"invalid_code", "Invalid company code."},
        {"seats_full", "All company seats are in use."},
        {"already_in_other_org", "You are already on another company account."},
        {"already_in_org", "You are already on a company account."},
        {"already_admin", "You already manage a company channel."},
    };
    if (code) {
        for (const auto& [known, text] : texts) {
            if (*code == QLatin1String(known))
                return QString::fromUtf8(text);
        }
    }
    return QStringLiteral("Request failed.");
}

void WorkplaceStore::setMembership(const std::optional<WorkplaceMembership>& value)
{
    if (assignIfChanged(membership_, value))
        emit membershipChanged(membership_);
}

void WorkplaceStore::setLastError(const std::optional<QString>& value)
{
    if (assignIfChanged(lastError_, value))
        emit lastErrorChanged(lastError_);
}

void WorkplaceStore::setLastCompanyCode(const std::optional<QString>& value)
{
    if (assignIfChanged(lastCompanyCode_, value))
        emit lastCompanyCodeChanged(lastCompanyCode_);
}

std::optional<WorkplaceMembership> currentMembership(const WorkplaceStore* workplace, const SessionStore* session)
{
    if (workplace && workplace->membership())
        return workplace->membership();
    return session ? session->workplace() : std::nullopt;
}
