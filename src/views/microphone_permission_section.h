#pragma once

#include "platform/record_permission.h"
#include "views/form_widgets.h"

class QLabel;

// The settings form's "Permissions" section: whether the application may
// record, and the one action that fits (ask, or open the system settings).
// The status text is refreshed when the section comes on screen and after
// asking; the button follows the permission at every redraw.
class MicrophonePermissionSection : public FormSection {
    Q_OBJECT
public:
    explicit MicrophonePermissionSection(QWidget* parent = nullptr);

    QString statusText() const;
    // "Allow microphone", "Open Microphone Settings" or none (null).
    FormButton* actionButton() const;

    // Re-reads the permission for the button (what a redraw does).
    void redraw();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Reading the permission opens an input, so each event reads it once and
    // hands the state to the status line and the buttons.
    void refresh();
    void refreshStatus(RecordPermission::State state);
    void redraw(RecordPermission::State state);
    void allow();

    QWidget* statusRow_;
    FormButton* allow_;
    FormButton* openSettings_;
};
