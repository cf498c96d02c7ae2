#pragma once

#include <QWidget>

class QVBoxLayout;
class ThemeStore;

// A glass LCD around any content: dark bezel, the LCD face in the theme's
// `lcdBg`, a light-to-dark inner rim, and glare and an edge over the content.
// Both layers are cached art that takes no input. The content is padded 14
// points top and bottom and 10 left and right.
class GlassLCDPanel : public QWidget {
    Q_OBJECT

public:
    explicit GlassLCDPanel(ThemeStore* theme, QWidget* parent = nullptr);

    // Takes ownership of `content`.
    void setContent(QWidget* content);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QVBoxLayout* layout_;
    QWidget* back_;
    QWidget* glare_;
};
