#pragma once

#include <QColor>
#include <QWidget>

class QVBoxLayout;

// A glass LCD around any content: dark bezel, the LCD face in `lcdBg`, a
// light-to-dark inner rim, and glare and an edge over the content that take no
// input. The content is padded 14 points top and bottom and 10 left and right.
class GlassLCDPanel : public QWidget {
    Q_OBJECT

public:
    explicit GlassLCDPanel(QWidget* parent = nullptr);

    // Takes ownership of `content`.
    void setContent(QWidget* content);
    void setLcdBackground(const QColor& lcdBg);
    QColor lcdBackground() const { return lcdBg_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QVBoxLayout* layout_;
    QWidget* glare_;
    QColor lcdBg_;
};
