#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

// Pictures for a person to look at, under $TOVRIN_TEST_ARTIFACTS/quickbar
// (set by CTest); nothing when the variable is unset.
inline void saveQuickBarArtifact(const QImage& image, const QString& name)
{
    const QString root = qEnvironmentVariable("TOVRIN_TEST_ARTIFACTS");
    const QString dir = root + QStringLiteral("/quickbar");
    if (root.isEmpty() || !QDir().mkpath(dir))
        return;
    image.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

inline void saveQuickBarArtifact(QWidget& widget, const QString& name)
{
    saveQuickBarArtifact(widget.grab().toImage(), name);
}
