#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The small markdown subset of the packaged legal documents: "# " title,
// "## " section headings (an optional "{#contact}" anchor), "---" rules,
// "- " bullets, "**" and "`" marks and one "[text](target)" link per line.
namespace LegalMarkdown {

struct Section {
    QString title;
    QString body;
    bool operator==(const Section&) const = default;
};

// Titled sections in document order; text before the first heading is "Overview".
QList<Section> sections(const QString& markdown);

// A section body as display lines: bullets, marks and links reduced to text,
// blanks dropped.
QStringList plainLines(const QString& body);

}  // namespace LegalMarkdown
