#pragma once

#include "views/app_stores.h"
#include "platform/keychain.h"
#include "platform/keychain_test_seam.h"
#include "platform/server_test_seam.h"
#include "services/block_store.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/workplace_store.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"
#include "platform/user_defaults.h"
#include "support/view_test_support.h"
#include "theme/theme_store.h"
#include "views/form_widgets.h"

#include <QAbstractButton>
#include <QToolButton>
#include <QDesktopServices>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

// Records the addresses handed to the default browser.
class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    BrowserRecorder()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~BrowserRecorder() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

// The stores the settings screens read, real and against a devserver, with a
// fresh settings file and keychain.
class SettingsTest : public ::testing::Test {
protected:
    static constexpr int waitMs = 8000;

    void SetUp() override
    {
        QSettings().clear();
        QDir(FileKeychainBackend::defaultDirectory()).removeRecursively();
        KeychainTestSeam::replaceShared(nullptr);
        ASSERT_TRUE(server.start());
        session = std::make_unique<SessionStore>();
        radio = std::make_unique<RadioSession>();
        blocks = std::make_unique<BlockStore>();
        theme = std::make_unique<ThemeStore>();
        workplace = std::make_unique<WorkplaceStore>();
        host.resize(402, 902);
    }

    AppStores stores() const
    {
        AppStores all;
        all.session = session.get();
        all.radio = radio.get();
        all.blocks = blocks.get();
        all.theme = theme.get();
        all.workplace = workplace.get();
        return all;
    }

    // The visible button (a FormButton's title or a push button's text) with this text.
    template <class Button = QAbstractButton>
    static Button* button(QWidget* root, const QString& text)
    {
        for (Button* b : root->findChildren<Button*>())
            if (b->text() == text && b->isVisibleTo(root))
                return b;
        return nullptr;
    }

    static QLabel* label(QWidget* root, const QString& text)
    {
        for (QLabel* l : root->findChildren<QLabel*>())
            if (l->text() == text && l->isVisibleTo(root))
                return l;
        return nullptr;
    }

    static QStringList visibleTexts(QWidget* root)
    {
        QStringList texts;
        for (QLabel* l : root->findChildren<QLabel*>())
            if (l->isVisibleTo(root) && !l->text().isEmpty())
                texts << l->text();
        return texts;
    }

    // Lays out what is pending, then saves the picture.
    static void snapshot(QWidget& widget, const QString& name)
    {
        runQueued();
        saveArtifact(widget, name);
    }

    static void click(QAbstractButton* b)
    {
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(qMin(20, b->width() / 2), b->height() / 2));
    }

    DevServerProcess server;
    std::unique_ptr<SessionStore> session;
    std::unique_ptr<RadioSession> radio;
    std::unique_ptr<BlockStore> blocks;
    std::unique_ptr<ThemeStore> theme;
    std::unique_ptr<WorkplaceStore> workplace;
    // Stands in for the window: sheets and alerts need one.
    QWidget host;
};
