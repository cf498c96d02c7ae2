#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

// Pictures and sounds for a person to look at go under $TOVRIN_TEST_ARTIFACTS
// (CTest sets it to build/test-artifacts), in `folder` when one is given.

// Saves `image` as <name>.png, creating the folder. True when saved, and when
// the variable is unset (nobody asked for pictures).
inline bool saveArtifact(const QImage& image, const QString& name, const QString& folder = {})
{
    const QString root = qEnvironmentVariable("TOVRIN_TEST_ARTIFACTS");
    if (root.isEmpty())
        return true;
    const QString dir = folder.isEmpty() ? root : root + QLatin1Char('/') + folder;
    return QDir().mkpath(dir) && image.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

inline bool saveArtifact(QWidget& widget, const QString& name, const QString& folder = {})
{
    return saveArtifact(widget.grab().toImage(), name, folder);
}

// The path for `fileName` for a test that writes a file and then checks it:
// the temporary directory stands in when the variable is unset. The folder is
// created.
inline QString artifactFilePath(const QString& fileName, const QString& folder = {})
{
    const QString root = qEnvironmentVariable("TOVRIN_TEST_ARTIFACTS", QDir::tempPath());
    const QString dir = folder.isEmpty() ? root : root + QLatin1Char('/') + folder;
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + fileName;
}
