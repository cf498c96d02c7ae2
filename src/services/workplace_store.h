#pragma once

#include "models/workplace_membership.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

class SessionStore;

// The user's company: the membership, the last company code known on this
// device (saved per organisation under "tovrin.companyCode.<orgId>") and the
// text of the last failure. GUI thread only; operations never throw, report
// through lastError and return what the calling screen acts on.
class WorkplaceStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<WorkplaceMembership> membership READ membership WRITE setMembership NOTIFY membershipChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(std::optional<QString> lastCompanyCode READ lastCompanyCode NOTIFY lastCompanyCodeChanged)

public:
    static constexpr const char* companyCodeKeyPrefix = "tovrin.companyCode.";

    // What a code rotation ended with: whether the server rotated the code,
    // and the new code when its reply carried one.
    struct CodeRotation {
        bool rotated = false;
        std::optional<QString> code;
    };

    explicit WorkplaceStore(QObject* parent = nullptr);

    QCoro::Task<void> load(QString uid);
    // Sends the normalised code; true when the user joined the company.
    QCoro::Task<bool> redeem(QString uid, QString code);
    QCoro::Task<bool> create(QString uid, QString companyName, qint64 seatTier);
    // A rotated code replaces the old one everywhere this device knows it:
    // saved code, lastCompanyCode and the membership's code. A rotation whose
    // reply carries no code forgets the old one, which no longer works; a
    // failed rotation changes nothing but lastError.
    QCoro::Task<CodeRotation> rotateCode(QString uid, QString orgId);
    QCoro::Task<bool> updateOrgIcon(QString uid, QString orgId, QString iconId, std::optional<QString> iconCustom);

    // Restores lastCompanyCode from the saved code of an administrator, once.
    void hydrateSavedCompanyCode(const std::optional<WorkplaceMembership>& membership);
    std::optional<QString> savedCompanyCode(const QString& orgId) const;

    std::optional<WorkplaceMembership> membership() const { return membership_; }
    std::optional<QString> lastError() const { return lastError_; }
    std::optional<QString> lastCompanyCode() const { return lastCompanyCode_; }

    void setMembership(const std::optional<WorkplaceMembership>& value);

    // The text for a server error code.
    static QString errorMessage(const std::optional<QString>& code);

signals:
    void membershipChanged(const std::optional<WorkplaceMembership>& membership);
    void lastErrorChanged(const std::optional<QString>& lastError);
    void lastCompanyCodeChanged(const std::optional<QString>& lastCompanyCode);

private:
    void persistCompanyCode(const std::optional<QString>& code, const std::optional<QString>& orgId);
    void setLastError(const std::optional<QString>& value);
    void setLastCompanyCode(const std::optional<QString>& value);

    std::optional<WorkplaceMembership> membership_;
    std::optional<QString> lastError_;
    std::optional<QString> lastCompanyCode_;
};

// The user's company as the screens show it: the store's membership, else the
// one the check-in reported. Either store may be null.
std::optional<WorkplaceMembership> currentMembership(const WorkplaceStore* workplace, const SessionStore* session);
