// The player's window in the pane, without an X server: where the still of a stop goes, the pane's position
// the engine places the player at, and a search that finds nothing to take in.
#include <QtTest>
#include <memory>

#include "ui/PageFakes.h"
#include "ui/preview/PlayerWindowEmbed.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

class PlayerWindowEmbedTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<pagefakes::Page> m_page;
    CPreviewPanel* m_panel = nullptr;
    std::unique_ptr<PlayerWindowEmbed> m_embed;
    bool m_stopping = false;

private slots:
    void init() {
        m_page = std::make_unique<pagefakes::Page>(m_host);
        m_panel = new CPreviewPanel(m_page.get());
        m_embed = std::make_unique<PlayerWindowEmbed>(m_panel, &m_page->Engine(), &m_page->Data(), nullptr,
                                                      m_page.get(), [this] { return m_stopping; });
    }
    void cleanup() {
        m_embed.reset();
        m_page.reset();
    }

    void theStillIsNamedAfterTheInput_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("still");
        QTest::newRow("folder with separator") << "/out/"
                                               << "/in/clip.mp4"
                                               << "/out/clip_preview.jpg";
        QTest::newRow("folder without") << "/out"
                                        << "/in/clip.mov"
                                        << "/out/clip_preview.jpg";
        QTest::newRow("dotted name") << "/out/"
                                     << "/in/a.b.mkv"
                                     << "/out/a.b_preview.jpg";
    }
    void theStillIsNamedAfterTheInput() {
        QFETCH(QString, folder);
        QFETCH(QString, input);
        QFETCH(QString, still);
        m_page->Data().output_folder = folder.toStdString();
        m_page->Data().input_file = input.toStdString();
        QCOMPARE(QString::fromStdString(m_embed->CaptureFile()), still);
    }

    void thePlayerIsPlacedAtThePane() {
        m_page->move(40, 30);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        m_embed->BeforePlaybackStart();
        const QPoint origin = m_panel->Pane()->mapToGlobal(QPoint(0, 0));
        int x = -1;
        int y = -1;
        m_embed->GetPlayerPosition(x, y);
        QCOMPARE(QPoint(x, y), origin);
    }

    void withoutX11NothingIsTakenIn() {
        m_embed->BeforePlaybackStart();
        m_embed->OnFindPlayer(FindPlayerMsg{1234});
        m_embed->WaitForPlayer();
        QVERIFY(!m_embed->Embedded());
        QCOMPARE(m_embed->Window(), 0UL);
        QVERIFY(!m_panel->Pane()->PlayerEmbedded());
        // A capture without a player leaves no still.
        m_embed->CaptureFfplayWindow();
        m_embed->OnPlayerEnded();
        QVERIFY(!m_embed->Embedded());
    }
};

QTEST_MAIN(PlayerWindowEmbedTest)
#include "PlayerWindowEmbedTest.moc"
