#pragma once

#include "theme/face_plate_theme.h"

#include <QObject>
#include <QString>

// The chosen face-plate theme, persisted by id under "tovrin.faceplate".
// Created once by the main view and handed to every screen; the theme picker
// is the one writer. Views rebuild their cached art on currentChanged.
// GUI thread only.
class ThemeStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(FacePlateTheme current READ current WRITE setCurrent NOTIFY currentChanged)

public:
    // Loads the persisted id; a missing or unknown id gives "classic" and
    // leaves the stored value untouched.
    explicit ThemeStore(QObject* parent = nullptr);

    const FacePlateTheme& current() const { return current_; }

    // Stores the theme and writes its id, also when it is already current
    // (the signal fires only on a real change).
    void setCurrent(const FacePlateTheme& theme);

    static constexpr const char* kKey = "tovrin.faceplate";

signals:
    void currentChanged();

private:
    FacePlateTheme current_;
};
