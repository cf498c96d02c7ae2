#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QToolButton;

// The one consent flag, "app.tovrinbrisel.privacyPolicyAccepted" in user
// defaults: absent reads as false, and it is only ever written true.
namespace PrivacyConsent {
inline constexpr const char* key = "app.tovrinbrisel.privacyPolicyAccepted";
bool accepted();
void accept();
}  // namespace PrivacyConsent

// Records consent each time the root view it is applied to comes on screen.
// It shows nothing and waits for no one.
class PrivacyPolicyGateModifier : public QObject {
    Q_OBJECT
public:
    // Applies the modifier to `root`, which owns it.
    static void apply(QWidget* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

// The privacy policy with an agree button. Normal mode is pushed from the
// settings screen and pops itself after agreeing; gate mode stays until its
// presenter closes it from onAgreed, and offers no "Done".
class PrivacyPolicyDetailView : public QWidget {
    Q_OBJECT
public:
    explicit PrivacyPolicyDetailView(bool gateMode, std::function<void()> onAgreed = {}, QWidget* parent = nullptr);

    bool acceptedLocal() const { return acceptedLocal_; }
    QString statusText() const;
    // Empty when there is no note.
    QString noteText() const;
    QPushButton* agreeButton() const { return agree_; }
    QPushButton* webButton() const { return web_; }
    // "Done", absent (null) in gate mode.
    QToolButton* doneButton() const { return done_; }
    QWidget* webSheet() const { return webSheet_; }

    void agree();

Q_SIGNALS:
    void dismissRequested();

private:
    void updateTexts();
    void openWeb();

    const bool gateMode_;
    const std::function<void()> onAgreed_;
    bool acceptedLocal_;
    QLabel* title_;
    QLabel* status_;
    QLabel* note_;
    QPushButton* agree_;
    QPushButton* web_;
    QToolButton* done_ = nullptr;
    QPointer<QWidget> webSheet_;
};
