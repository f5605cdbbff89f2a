// The caption font dialog driven as a user would: it opens on the caption's character set, shown as the
// writing system of the font chooser, and stores the one the user picks; a set left as it was shown stays
// exactly as it was, and a cancel changes nothing.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/ExtFontDialog.h"
#include "ui/PageFakes.h"
#include "ui/scene/CaptionPanel.h"

namespace {

// Runs act on the font dialog once it is open; the dialog's own loop serves the timer.
void WhenFontDialogOpens(const std::function<void(CExtFontDialog&)>& act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CExtFontDialog*>(w);
            if (dialog == nullptr || !dialog->isVisible()) continue;
            timer->stop();
            timer->deleteLater();
            act(*dialog);
            return;
        }
    });
    timer->start();
}

}  // namespace

class CaptionFontTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<pagefakes::Page> m_page;
    CCaptionPanel* m_panel = nullptr;

    CaptionParam Caption() { return m_page->Data().diff_list.Snapshot()[0].capParam; }

private slots:
    void initTestCase() { QVERIFY(m_host.LoadStrings()); }
    void init() {
        m_page = std::make_unique<pagefakes::Page>(m_host);
        m_page->Data().ResetAll(false);
        m_page->SetRanges({{0, 99}});
        m_panel = new CCaptionPanel(&m_page->Data(), m_page.get());
        m_panel->Load();
    }
    void cleanup() { m_page.reset(); }

    void theChosenCharacterSetIsStored_data() {
        QTest::addColumn<int>("initial");
        QTest::addColumn<int>("shown");   // the writing system the dialog opens on
        QTest::addColumn<int>("chosen");  // -1: left as shown
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("stored");
        QTest::newRow("Shift-JIS left as it was") << 128 << int(QFontDatabase::Japanese) << -1 << true << 128;
        QTest::newRow("Turkish shown as Latin, left") << 162 << int(QFontDatabase::Latin) << -1 << true << 162;
        QTest::newRow("Latin chosen") << 128 << int(QFontDatabase::Japanese) << int(QFontDatabase::Latin) << true << 0;
        QTest::newRow("Japanese chosen") << 0 << int(QFontDatabase::Latin) << int(QFontDatabase::Japanese) << true
                                         << 128;
        QTest::newRow("Greek chosen") << 128 << int(QFontDatabase::Japanese) << int(QFontDatabase::Greek) << true
                                      << 161;
        QTest::newRow("Cyrillic chosen") << 128 << int(QFontDatabase::Japanese) << int(QFontDatabase::Cyrillic) << true
                                         << 204;
        QTest::newRow("Korean chosen") << 1 << int(QFontDatabase::Any) << int(QFontDatabase::Korean) << true << 129;
        QTest::newRow("any chosen") << 128 << int(QFontDatabase::Japanese) << int(QFontDatabase::Any) << true << 1;
        QTest::newRow("Latin chosen, then cancelled")
            << 128 << int(QFontDatabase::Japanese) << int(QFontDatabase::Latin) << false << 128;
    }
    void theChosenCharacterSetIsStored() {
        QFETCH(int, initial);
        QFETCH(int, shown);
        QFETCH(int, chosen);
        QFETCH(bool, ok);
        QFETCH(int, stored);
        m_page->Data().Scenes().Update(0, [&](SceneEntry& scene) { scene.capParam.encoding = initial; });
        int opened = -2;
        WhenFontDialogOpens([&](CExtFontDialog& dialog) {
            auto* systems = dialog.findChild<QComboBox*>(QStringLiteral("writingSystemCombo"));
            auto* buttons = dialog.findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly);
            if (systems == nullptr || buttons == nullptr) {
                dialog.reject();
                return;
            }
            opened = systems->currentIndex();
            if (chosen >= 0) {
                systems->setCurrentIndex(chosen);
                emit systems->activated(chosen);
            }
            buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        QTest::mouseClick(m_panel->FontButton(), Qt::LeftButton);
        QCOMPARE(opened, shown);
        QCOMPARE(Caption().encoding, stored);
    }
};

QTEST_MAIN(CaptionFontTest)
#include "CaptionFontTest.moc"
