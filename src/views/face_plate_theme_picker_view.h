#pragma once

#include "theme/face_plate_theme.h"

#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class ThemeStore;
class FacePlateThemeListModel;

// The screen on which the user chooses the face-plate theme: a search field
// over a list of every theme (preview card, name, a few stickers, a check
// mark on the theme in use). Choosing a row makes it current, plays the
// medium haptic tap and asks to be closed (dismissRequested); whoever shows
// the picker closes it. GUI thread only.
class FacePlateThemePickerView : public QWidget {
    Q_OBJECT

public:
    // `store` must outlive the picker.
    explicit FacePlateThemePickerView(ThemeStore* store, QWidget* parent = nullptr);

    static QString titleText();
    static QString searchPrompt();

    // Themes whose name or id (letter case ignored) or emoji contains the
    // trimmed query, in catalog order; the whole catalog for an empty query.
    static std::vector<const FacePlateTheme*> filtered(const QString& query);
    std::vector<const FacePlateTheme*> filtered() const;

    // The row's caption under the name: up to four stickers, space-separated.
    static QString stickerLine(const FacePlateTheme& theme);

    QLineEdit* searchField() const { return search_; }
    QListView* list() const { return list_; }

    // Makes the theme current, taps and asks to be closed.
    void choose(const FacePlateTheme& theme);

signals:
    void dismissRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ThemeStore* store_;
    QLabel* title_;
    QLineEdit* search_;
    QListView* list_;
    FacePlateThemeListModel* model_;
};
