#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QAbstractButton;
class QLabel;
class QPushButton;
class QuickBarIconView;
class SheetOverlay;

// The preset grid of the icon picker: one adaptive column description, as
// many columns of at least `minimumWidth` as fit, `spacing` between them.
struct IconGridColumns {
    qreal minimumWidth = 64;
    qreal spacing = 10;
};

// The one screen that chooses an icon for something on the quick bar: a
// preset of the catalog, or a picture the user uploads, which becomes a small
// base64 JPEG. It edits two values that belong to its caller (the icon id and
// the custom picture) and reports every write; the caller decides when to
// send them. Picking does not close it; "Done" asks its sheet to close.
// GUI thread only.
class IconPickerSheet : public QWidget {
    Q_OBJECT
public:
    IconPickerSheet(QString selectedIconId, std::optional<QString> customBase64, QString title,
                    IconGridColumns columns = IconGridColumns(), QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    const QString& selectedIconId() const { return selectedIconId_; }
    const std::optional<QString>& customBase64() const { return customBase64_; }
    // A preset cell is selected exactly when its id is chosen and no custom picture is set.
    bool isSelected(const QString& presetId) const;

    // The file last chosen in the photo picker; each change loads it.
    const std::optional<QString>& pickerItem() const { return pickerItem_; }
    void setPickerItem(std::optional<QString> path);

    // Reads, scales and encodes the picture at `path`; on success writes the
    // custom picture and then the id "custom", else changes nothing.
    void loadPhoto(std::optional<QString> path);

    // The encoding of uploaded pictures: longer side at most 128 pixels (never
    // enlarged), flattened onto an opaque bitmap, JPEG at quality 0.75,
    // standard base64 without line breaks; nothing when the data is no image.
    static std::optional<QString> encodePicture(const QByteArray& data);

    QPushButton* uploadButton() const { return upload_; }
    QPushButton* doneButton() const { return done_; }
    QPushButton* clearButton() const { return clear_; }
    QWidget* customRow() const { return customRow_; }
    QAbstractButton* presetCell(const QString& presetId) const;

Q_SIGNALS:
    void selectedIconIdChanged(const QString& iconId);
    void customBase64Changed(const std::optional<QString>& customBase64);
    void doneRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildGrid(QWidget* grid);
    void layoutGrid();
    void choosePhoto();
    void pickPreset(const QString& id);
    void clearCustom();
    void setSelectedIconId(const QString& iconId);
    void setCustomBase64(const std::optional<QString>& customBase64);
    void refresh();

    QString selectedIconId_;
    std::optional<QString> customBase64_;
    std::optional<QString> pickerItem_;
    QString title_;
    IconGridColumns columns_;

    QPushButton* upload_ = nullptr;
    QPushButton* done_ = nullptr;
    QPushButton* clear_ = nullptr;
    QWidget* customRow_ = nullptr;
    QuickBarIconView* customIcon_ = nullptr;
    QWidget* grid_ = nullptr;
    std::vector<QAbstractButton*> cells_;
};

// Shows `picker` in a sheet over `host`'s window under the picker's title.
// `closed` runs once when the sheet closes, by "Done", its close control or
// Escape; the sheet and the picker are deleted afterwards.
SheetOverlay* presentIconPicker(QWidget* host, IconPickerSheet* picker, std::function<void()> closed);
