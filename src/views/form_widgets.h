#pragma once

#include <QPushButton>
#include <QScrollArea>
#include <QWidget>

class QLabel;
class QVBoxLayout;

// The grouped form that the settings screens are made of: a scrolling page
// of sections, each an optional header, a white rounded card of rows and an
// optional footer. Rows are ordinary widgets; FormRows builds the usual ones.
class FormSection : public QWidget {
    Q_OBJECT
public:
    explicit FormSection(const QString& header = QString(), const QString& footer = QString(), QWidget* parent = nullptr);

    void addRow(QWidget* row);
    // Deletes every row (for sections whose rows follow a store).
    void clearRows();
    int rowCount() const;
    QString header() const;

private:
    QLabel* header_;
    QWidget* card_;
    QVBoxLayout* rows_;
    QLabel* footer_;
};

class FormPage : public QScrollArea {
    Q_OBJECT
public:
    explicit FormPage(QWidget* parent = nullptr);

    FormSection* addSection(const QString& header = QString(), const QString& footer = QString());
    void addSection(FormSection* section);
    // The sections in order, hidden ones included.
    QList<FormSection*> sections() const;

private:
    QWidget* content_;
    QVBoxLayout* layout_;
};

// A row that acts when tapped: its title at the leading edge and, for a
// navigation link, a chevron; an optional symbol before the title.
class FormButton : public QPushButton {
    Q_OBJECT
public:
    enum class Kind { action, navigation, externalLink };
    FormButton(const QString& title, Kind kind, const QString& symbol = QString(), QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return text(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override;

private:
    Kind kind_;
    QString symbol_;
};

namespace FormRows {

enum class Tone { primary, secondary, tertiary, red, orange };
QColor color(Tone tone);

// Plain, wrapping text (never interpreted as rich text).
QLabel* text(const QString& text, const QFont& font, Tone tone = Tone::primary);
// Label at the leading edge, value at the trailing edge; the value label is named "value".
QWidget* labelValue(const QString& label, const QString& value, const QFont& font);
// The value label of a labelValue row.
QLabel* valueOf(QWidget* row);

// The form's text styles.
QFont body();         // 15 points
QFont subheadline();  // 14 points
QFont headline();     // 15 points, semibold
QFont title2(QFont::Weight weight = QFont::Normal);  // 22 points
QFont title3(QFont::Weight weight = QFont::Normal);  // 20 points
QFont monospaced(QFont font);

// The first 8 (or `count`) characters and "…".
QString shortened(const QString& id, int count = 8);

}  // namespace FormRows
