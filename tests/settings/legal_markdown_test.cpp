#include "legal/app_legal.h"
#include "legal/legal_markdown.h"
#include "platform/server_test_seam.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Section = LegalMarkdown::Section;
using Sections = QList<Section>;

struct SectionCase {
    const char* name;
    QString markdown;
    Sections expected;
};

TEST(LegalMarkdown, Sections)
{
    const SectionCase cases[] = {
        {"empty", "", {}},
        {"only title and rules", "# Title\n---\n----- x\n", {}},
        {"anchor removed and trimmed", "## \tContact {#contact}  \nmail us", {{"Contact", "mail us"}}},
        {"no space after marks is body", "##Word\n", {{"Overview", "##Word"}}},
        {"lone heading keeps an empty body", "## Alone", {{"Alone", ""}}},
        {"text before the first heading", "intro\n\n## A\nbody", {{"Overview", "intro"}, {"A", "body"}}},
        {"empty Overview heading skipped", "## Overview\n## B\nx", {{"B", "x"}}},
        {"Overview heading with text kept", "## Overview\nx", {{"Overview", "x"}}},
        {"level three stays in body", "## A\n### Sub\ntext", {{"A", "### Sub\ntext"}}},
        {"CRLF lines", "## A\r\none\r\ntwo\r\n", {{"A", "one\n\ntwo"}}},
        {"other line breaks", QString::fromUtf8("## A\u2028one\u0085## B\u2029two"), {{"A", "one"}, {"B", "two"}}},
        {"body lines untrimmed inside", "## A\n  x  \n\n y", {{"A", "x  \n\n y"}}},
    };
    for (const SectionCase& c : cases)
        EXPECT_EQ(LegalMarkdown::sections(c.markdown), c.expected) << c.name;
}

struct LinesCase {
    const char* name;
    QString body;
    QStringList expected;
};

TEST(LegalMarkdown, PlainLines)
{
    const LinesCase cases[] = {
        {"bullet, bold and code", "- a **bold** and `code` word", {QString::fromUtf8("\u2022 a bold and code word")}},
        {"one link keeps the text after it", "see [our page](https://x.test/p) for more", {"see our page for more"}},
        {"every link keeps its text", "[a](u) and [b](v).", {"a and b."}},
        {"brackets that are no link", "see [x] and [y](z) end", {"see [x] and y end"}},
        {"a target never closed", "[a](u and more", {"[a](u and more"}},
        {"close before open", "x](y) [z", {"x](y) [z"}},
        {"close before a link", "x](y) [z](w) v", {"x](y) z v"}},
        {"close without open", "x](y)", {"x](y)"}},
        {"blank lines and spaced word", "\n   \n\t word \n\n", {"word"}},
        {"no other markdown", "*em* _u_ 1. n | t | ### h", {"*em* _u_ 1. n | t | ### h"}},
        {"hyphen without space", "-x", {"-x"}},
        {"bullet that empties is dropped", "- ", {QString::fromUtf8("\u2022")}},
    };
    for (const LinesCase& c : cases)
        EXPECT_EQ(LegalMarkdown::plainLines(c.body), c.expected) << c.name;
}

TEST(AppLegal, VersionTexts)
{
    EXPECT_EQ(AppLegal::appVersion({{"CFBundleShortVersionString", "2.3"}}), "2.3");
    EXPECT_EQ(AppLegal::buildNumber({{"CFBundleVersion", "45"}}), "45");
    EXPECT_EQ(AppLegal::appVersion({}), "1.0");
    EXPECT_EQ(AppLegal::buildNumber({}), "1");
    // A value that is not text counts as missing.
    EXPECT_EQ(AppLegal::appVersion({{"CFBundleShortVersionString", 2}}), "1.0");
    EXPECT_EQ(AppLegal::buildNumber({{"CFBundleVersion", 45}}), "1");
    // The compiled-in information.
    EXPECT_EQ(AppLegal::appVersion(), "1.0");
    EXPECT_FALSE(AppLegal::buildNumber().isEmpty());
}

TEST(AppLegal, WebPagesAndMissingDocuments)
{
    Server::setBaseURLForTesting(QUrl("https://api.example.test"));
    EXPECT_EQ(AppLegal::documentWebURL("PRIVACY_POLICY").toString(), "https://api.example.test/privacy");
    EXPECT_EQ(AppLegal::documentWebURL("TERMS_OF_USE").toString(), "https://api.example.test/terms");
    EXPECT_EQ(AppLegal::documentWebURL("privacy_policy").toString(), "https://api.example.test/terms");

    const QString missing = AppLegal::bundledDocument("PRIVACY_POLICY", ":/no-such-folder");
    EXPECT_EQ(missing, "Document unavailable. Open the web version:\nhttps://api.example.test/privacy");
    const Sections sections = LegalMarkdown::sections(AppLegal::bundledDocument("TERMS_OF_USE", ":/no-such-folder"));
    ASSERT_EQ(sections.size(), 1);
    EXPECT_EQ(sections[0].title, "Overview");
    EXPECT_EQ(LegalMarkdown::plainLines(sections[0].body),
              (QStringList{"Document unavailable. Open the web version:", "https://api.example.test/terms"}));
    Server::setBaseURLForTesting(QUrl());
}

TEST(AppLegal, ADocumentThatIsNotUtf8ShowsTheFallback)
{
    Server::setBaseURLForTesting(QUrl("https://api.example.test"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(QString::fromLatin1(name) + ".md"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("TERMS_OF_USE", "## Terms\ncaf\xc3\xa9 \xe2\x80\x94 ok");
    write("PRIVACY_POLICY", "## Privacy\nbad \xff\xfe bytes");
    EXPECT_EQ(AppLegal::bundledDocument("TERMS_OF_USE", dir.path()), QString::fromUtf8("## Terms\ncaf\u00e9 \u2014 ok"));
    EXPECT_EQ(AppLegal::bundledDocument("PRIVACY_POLICY", dir.path()),
              "Document unavailable. Open the web version:\nhttps://api.example.test/privacy");
    Server::setBaseURLForTesting(QUrl());
}

TEST(AppLegal, PackagedDocumentsParse)
{
    for (const char* name : {"PRIVACY_POLICY", "TERMS_OF_USE"}) {
        const QString text = AppLegal::bundledDocument(name);
        ASSERT_FALSE(text.startsWith("Document unavailable")) << name;
        const Sections sections = LegalMarkdown::sections(text);
        ASSERT_GE(sections.size(), 4) << name;
        EXPECT_EQ(sections.last().title, "Contact") << name;
        for (const Section& section : sections) {
            for (const QString& line : LegalMarkdown::plainLines(section.body)) {
                EXPECT_FALSE(line.contains("**") || line.contains('`') || line.contains("](")) << name << " " << line.toStdString();
            }
        }
    }
}

}  // namespace
