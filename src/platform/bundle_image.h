#pragma once

#include <QImage>
#include <QString>

// The application's own named pictures ("ThemeMario", …), the face plates'
// hero art in resources/hero, rendered at the size asked for.
namespace BundleImage {

bool exists(const QString& name);

// The picture scaled to fill `size` pixels (aspect kept, overflow cut off),
// centred; a null image for an unknown name or an empty size.
QImage render(const QString& name, QSize size);

}  // namespace BundleImage
