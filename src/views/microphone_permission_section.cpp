#include "views/microphone_permission_section.h"

#include "platform/record_permission.h"
#include "services/mic_privacy.h"

#include <QCoroTask>
#include <QEvent>
#include <QLabel>

MicrophonePermissionSection::MicrophonePermissionSection(QWidget* parent)
    : FormSection(QStringLiteral("Permissions"),
                  QStringLiteral("Enable \u00ABMy Tovrin-Brisel\u00BB (bundle rez.odezedu.dizazizizori) under Privacy & "
                                 "Security \u2192 Microphone. Entries left by older copies of the app in that list "
                                 "can be ignored."),
                  parent),
      statusRow_(FormRows::labelValue(QStringLiteral("Microphone"), QStringLiteral("\u2026"), FormRows::body())),
      allow_(new FormButton(QStringLiteral("Allow microphone"), FormButton::Kind::action)),
      openSettings_(new FormButton(QStringLiteral("Open Microphone Settings"), FormButton::Kind::action))
{
    addRow(statusRow_);
    addRow(allow_);
    addRow(openSettings_);
    connect(allow_, &QPushButton::clicked, this, &MicrophonePermissionSection::allow);
    connect(openSettings_, &QPushButton::clicked, this, [] { MicPrivacy::openMicrophoneSettings(); });
    redraw();
}

QString MicrophonePermissionSection::statusText() const
{
    return FormRows::valueOf(statusRow_)->text();
}

FormButton* MicrophonePermissionSection::actionButton() const
{
    if (!allow_->isHidden())
        return allow_;
    return openSettings_->isHidden() ? nullptr : openSettings_;
}

void MicrophonePermissionSection::redraw()
{
    redraw(RecordPermission::current());
}

void MicrophonePermissionSection::redraw(RecordPermission::State state)
{
    allow_->setVisible(state == RecordPermission::State::undetermined);
    openSettings_->setVisible(state == RecordPermission::State::denied);
}

void MicrophonePermissionSection::showEvent(QShowEvent* event)
{
    FormSection::showEvent(event);
    refresh();
}

void MicrophonePermissionSection::changeEvent(QEvent* event)
{
    FormSection::changeEvent(event);
    // Coming back from the system settings redraws the window.
    if (event->type() == QEvent::ActivationChange)
        redraw();
}

void MicrophonePermissionSection::refresh()
{
    // Opening the section is an explicit refresh: the input is probed again.
    const RecordPermission::State state = RecordPermission::refresh();
    refreshStatus(state);
    redraw(state);
}

void MicrophonePermissionSection::refreshStatus(RecordPermission::State state)
{
    QString text = QStringLiteral("Not asked yet");
    switch (state) {
    case RecordPermission::State::granted:
        text = QStringLiteral("Allowed");
        break;
    case RecordPermission::State::denied:
        text = QStringLiteral("Denied \u2014 enable My Tovrin-Brisel");
        break;
    case RecordPermission::State::undetermined:
        break;
    }
    FormRows::valueOf(statusRow_)->setText(text);
}

void MicrophonePermissionSection::allow()
{
    // The answer is read back from the permission itself.
    QCoro::connect(MicPrivacy::ensurePermission(), this, [this](bool) { refresh(); });
}
