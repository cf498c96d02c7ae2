#pragma once

#include "views/form_widgets.h"

#include <QPointer>

#include <optional>

class QLabel;
class SessionStore;
#include "views/sheet_overlay.h"
class WorkplaceStore;

// The company administrator's screen: seats, name and channel, the company
// icon of the CO button and the employee code (shown, copied, rotated). A
// failed rotation keeps the code that still works and says it failed.
class WorkplaceManageView : public FormPage {
    Q_OBJECT
public:
    WorkplaceManageView(SessionStore* session, WorkplaceStore* workplace, QWidget* parent = nullptr);

    // How long "Copied!" stays before the button reads "Copy code" again.
    static constexpr int copiedResetMs = 1500;

    std::optional<QString> displayedCode() const { return displayedCode_; }
    bool rotating() const { return rotating_; }
    // The store's text for the last rotation, while it failed.
    std::optional<QString> rotationError() const { return rotationError_; }
    bool copied() const { return copied_; }
    QString companyIconId() const { return companyIconId_; }
    std::optional<QString> companyIconCustom() const { return companyIconCustom_; }
    // The icon sheet while it is shown.
    SheetOverlay* iconPicker() const { return iconPicker_; }

    // The buttons of the sections, null while their section is not built.
    FormButton* copyButton() const { return copyButton_; }
    FormButton* rotateButton() const { return rotateButton_; }
    FormButton* iconButton() const { return iconButton_; }

    // A membership load started by an appearance is still out.
    bool loading() const { return loadsOut_ > 0; }

    void copyCode();
    void rotate();
    void openIconPicker();

Q_SIGNALS:
    // The membership load started when the screen came into view has finished.
    void loadFinished();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void appear();
    void rebuild();
    void iconPickerClosed();

    SessionStore* session_;
    WorkplaceStore* workplace_;
    std::optional<QString> displayedCode_;
    bool rotating_ = false;
    std::optional<QString> rotationError_;
    QString companyIconId_ = QStringLiteral("company");
    std::optional<QString> companyIconCustom_;
    bool copied_ = false;
    QPointer<SheetOverlay> iconPicker_;
    QList<FormSection*> sections_;
    FormButton* copyButton_ = nullptr;
    FormButton* rotateButton_ = nullptr;
    FormButton* iconButton_ = nullptr;
    int loadsOut_ = 0;
};
