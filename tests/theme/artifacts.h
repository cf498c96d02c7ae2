#pragma once

#include <QDir>
#include <QImage>
#include <QString>

// Saves an image for a person to look at under $TOVRIN_TEST_ARTIFACTS/theme
// (set by CTest); does nothing when the variable is unset.
inline bool saveArtifact(const QImage& image, const QString& name)
{
    const QString root = qEnvironmentVariable("TOVRIN_TEST_ARTIFACTS");
    if (root.isEmpty())
        return true;
    const QString dir = root + QStringLiteral("/theme");
    if (!QDir().mkpath(dir))
        return false;
    return image.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}
