// Both tab pages in a window smaller than its laid-out size: the window takes the size, the page keeps its own
// and scrolls to its far corner, and a control taking the focus is scrolled into view.
#include <QFont>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "ui/WindowTestBase.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TarneloDlg.h"

class PageScrollAreaTest : public WindowTestBase {
    Q_OBJECT
public:
    PageScrollAreaTest() : WindowTestBase({.program = Program::kMainWindow}) {}

private:
    void PrepareRun() override {
        // Type as large as many desktops use: the window is then laid out larger than a small laptop's screen.
        QFont font = QApplication::font();
        font.setPixelSize(16);
        QApplication::setFont(font);
    }

private slots:
    void windowSmallerThanItsLayoutScrollsThePage_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QSize>("asked");  // no size: the laid-out one
        QTest::addColumn<bool>("across");  // a horizontal scroll bar shows
        QTest::addColumn<bool>("down");    // a vertical one
        for (int tab : {0, 1}) {
            QTest::addRow("%d: small screen", tab) << tab << QSize(1024, 600) << true << true;
            QTest::addRow("%d: smallest window", tab) << tab << QSize(1, 1) << true << true;
            QTest::addRow("%d: low", tab) << tab << QSize(4000, 600) << false << true;
            QTest::addRow("%d: narrow", tab) << tab << QSize(1024, 3000) << true << false;
            QTest::addRow("%d: laid out", tab) << tab << QSize() << false << false;
            QTest::addRow("%d: larger", tab) << tab << QSize(4000, 3000) << false << false;
        }
    }

    void windowSmallerThanItsLayoutScrollsThePage() {
        QFETCH(int, tab);
        QFETCH(QSize, asked);
        QFETCH(bool, across);
        QFETCH(bool, down);
        QTRY_VERIFY(!Frame()->RecordedSize().isEmpty());
        const QSize laidOut = Frame()->RecordedSize();
        QVERIFY(laidOut.width() > 1024 && laidOut.height() > 600);
        auto* area = Dlg()->findChild<QScrollArea*>(QStringLiteral("pageScrollArea"));
        QVERIFY(area && area->focusPolicy() == Qt::NoFocus);  // no stop of the keyboard
        QScrollBar* h = area->horizontalScrollBar();
        QScrollBar* v = area->verticalScrollBar();
        Dlg()->SwitchTab(tab);
        QWidget* page = Dlg()->Page(tab);
        Frame()->resize(laidOut);
        QTRY_COMPARE(page->size(), area->viewport()->size());
        const QSize pageSize = page->size();

        // The window takes any size down to its small minimum and never grows past its laid-out size.
        const QSize size = asked.isValid() ? asked : laidOut;
        Frame()->resize(size);
        QTRY_COMPARE(Frame()->size(), size.boundedTo(laidOut).expandedTo(Frame()->minimumSize()));
        QTRY_COMPARE(QPair(h->isVisible(), v->isVisible()), QPair(across, down));
        QCOMPARE(QPair(h->maximum() > 0, v->maximum() > 0), QPair(across, down));
        // Scrolled, not squeezed: at most the room of a scroll bar is given up.
        const QSize lost = pageSize - page->size();
        QVERIFY(lost.width() >= 0 && lost.width() <= v->sizeHint().width());
        QVERIFY(lost.height() >= 0 && lost.height() <= h->sizeHint().height());

        // Scrolled to the end, the page's far corner is in view.
        h->setValue(h->maximum());
        v->setValue(v->maximum());
        QVERIFY(area->viewport()->rect().contains(page->mapTo(area->viewport(), page->rect().bottomRight())));

        // From the start, the player's last button (enabled, as once a video is open) comes into view when it
        // takes the focus.
        auto* last = page->findChild<QPushButton*>(QStringLiteral("detailsButton"));
        QVERIFY(last);
        const auto inView = [&](QWidget* w) {
            return area->viewport()->rect().contains(QRect(w->mapTo(area->viewport(), QPoint()), w->size()));
        };
        h->setValue(0);
        v->setValue(0);
        QCOMPARE(inView(last), !across && !down);
        Frame()->activateWindow();
        QTRY_VERIFY(Frame()->isActiveWindow());
        last->setEnabled(true);
        last->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(inView(last));
    }

    void opensWithinTheScreen() {
        QTRY_VERIFY(!Frame()->RecordedSize().isEmpty());
        const QSize room = Frame()->screen()->availableGeometry().size();
        QVERIFY(Frame()->RecordedSize().boundedTo(room) != Frame()->RecordedSize());  // larger than this screen
        QVERIFY(Frame()->frameGeometry().width() <= room.width() && Frame()->frameGeometry().height() <= room.height());
    }
};

QTEST_MAIN(PageScrollAreaTest)
#include "PageScrollAreaTest.moc"
