#pragma once

#include <QColor>
#include <QWidget>

#include <optional>

// The bar's own list of tabs; raw values are the root view's selected tab.
enum class TovrinTab { radio = 0, browse = 1, settings = 2 };

namespace TovrinTabs {
inline constexpr TovrinTab all[] = {TovrinTab::radio, TovrinTab::browse, TovrinTab::settings};
std::optional<TovrinTab> fromRaw(int raw);
QString caption(TovrinTab tab);
QString symbol(TovrinTab tab);
}  // namespace TovrinTabs

// The floating pill at the bottom of the window: three equal buttons, each a
// symbol over a caption, the selected one tinted with the accent on a lighter
// pill. It owns no state beyond what it is told: a tap only emits the raw value.
class TovrinBottomTabBar : public QWidget {
    Q_OBJECT
public:
    explicit TovrinBottomTabBar(QWidget* parent = nullptr);

    int selection() const { return selection_; }
    void setSelection(int selection);
    QColor accent() const { return accent_; }
    void setAccent(const QColor& accent);

    // The rectangle of one tab's button, in widget coordinates.
    QRectF buttonRect(TovrinTab tab) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void tabTapped(int rawValue);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF capsuleRect() const;

    int selection_ = 0;
    QColor accent_;  // system blue until told
};
