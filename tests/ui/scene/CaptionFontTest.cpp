// The caption font dialog as a user drives it: it opens on the caption's character set, shown as the font
// chooser's writing system, and the set picked there is stored; one left as shown stays as it was.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/ExtFontDialog.h"
#include "ui/PageFakes.h"
#include "ui/scene/CaptionPanel.h"

class CaptionFontTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;

private slots:
    void initTestCase() { QVERIFY(m_host.LoadStrings()); }

    void theChosenCharacterSetIsStored_data() {
        QTest::addColumn<int>("initial");
        QTest::addColumn<int>("shown");   // the writing system the dialog opens on
        QTest::addColumn<int>("chosen");  // a writing system; -1 leaves the one shown
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("stored");
        QTest::newRow("Turkish, shown as Latin, left") << 162 << int(QFontDatabase::Latin) << -1 << true << 162;
        QTest::newRow("Latin chosen") << 128 << int(QFontDatabase::Japanese) << int(QFontDatabase::Latin) << true << 0;
        QTest::newRow("Greek chosen") << 0 << int(QFontDatabase::Latin) << int(QFontDatabase::Greek) << true << 161;
        QTest::newRow("chosen, then cancelled")
            << 128 << int(QFontDatabase::Japanese) << int(QFontDatabase::Latin) << false << 128;
    }
    void theChosenCharacterSetIsStored() {
        QFETCH(int, initial);
        QFETCH(int, shown);
        QFETCH(int, chosen);
        QFETCH(bool, ok);
        QFETCH(int, stored);
        pagefakes::Page page(m_host);
        page.SetRanges({{0, 99}});
        page.Data().Scenes().Update(0, [&](SceneEntry& scene) { scene.capParam.encoding = initial; });
        auto* panel = new CCaptionPanel(&page.Data(), &page);
        int opened = -1;
        // The dialog's own loop serves the timer once it is open.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CExtFontDialog*>(QApplication::activeModalWidget());
            auto* systems = dialog ? dialog->findChild<QComboBox*>(QStringLiteral("writingSystemCombo")) : nullptr;
            if (systems == nullptr) return dialog ? dialog->reject() : void();
            opened = systems->currentIndex();
            if (chosen >= 0) {
                systems->setCurrentIndex(chosen);
                emit systems->activated(chosen);
            }
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly);
            buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        QTest::mouseClick(panel->FontButton(), Qt::LeftButton);
        QCOMPARE(opened, shown);
        QCOMPARE(page.Data().diff_list.Snapshot()[0].capParam.encoding, stored);
    }
};

QTEST_MAIN(CaptionFontTest)
#include "CaptionFontTest.moc"
