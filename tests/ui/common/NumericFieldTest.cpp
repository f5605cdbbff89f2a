#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "project/TarneloData.h"
#include "ui/common/NumericField.h"
#include "ui/common/SpinButtons.h"

namespace {

// A dialog with a default button, as the main dialog has: Enter in the edit must not press it.
struct FieldWindow {
    QDialog dialog;
    QLineEdit* edit = new QLineEdit(&dialog);
    CSpinButtons* spin = new CSpinButtons(&dialog);
    QLineEdit* other = new QLineEdit(&dialog);
    QPushButton* okButton = new QPushButton(QStringLiteral("OK"), &dialog);
    NumericSetting setting;
    bool hasSetting = true;
    std::unique_ptr<CNumericField> field;
    int okPressed = 0;

    FieldWindow() {
        edit->setObjectName(QStringLiteral("contrastEdit"));
        spin->setObjectName(QStringLiteral("contrastSpin"));
        auto* row = new QHBoxLayout(&dialog);
        row->addWidget(edit);
        row->addWidget(spin);
        row->addWidget(other);
        row->addWidget(okButton);
        okButton->setDefault(true);
        QObject::connect(okButton, &QPushButton::clicked, [this] { ++okPressed; });
        setting.Set(1.0, 0.0, 2.0, 0.01, 0);
        field = std::make_unique<CNumericField>(
            edit, spin, [this] { return hasSetting ? &setting : nullptr; }, nullptr);
        field->Refresh();
    }

    bool Show() {
        dialog.show();
        dialog.activateWindow();
        return QTest::qWaitForWindowActive(&dialog);
    }
    QToolButton* Arrow(const char* name) const { return spin->findChild<QToolButton*>(QString::fromLatin1(name)); }
    void Type(const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
};

}  // namespace

class NumericFieldTest : public QObject {
    Q_OBJECT

private slots:
    void enterValidatesAndKeepsTheWindow() {
        FieldWindow w;
        QVERIFY(w.Show());
        QCOMPARE(w.edit->text(), QStringLiteral("1.0"));
        QSignalSpy changed(w.field.get(), &CNumericField::Changed);

        // Typed text, then Enter: what the edit shows afterwards.
        struct Case {
            const char* typed;
            const char* shown;
            int changes;
        };
        const Case cases[] = {
            {"0.50", "0.5", 1},    {"0.5", "0.5", 1},  // the text shown already: nothing to take
            {"7", "2.0", 2},                           // clamped to the maximum
            {" 1.25 ", "1.25", 3}, {"abc", "0.0", 4},
        };
        for (const Case& c : cases) {
            w.Type(QString::fromUtf8(c.typed));
            QTest::keyClick(w.edit, Qt::Key_Return);
            QCOMPARE(w.edit->text(), QString::fromUtf8(c.shown));
            QCOMPARE(changed.count(), c.changes);
        }
        QTest::keyClick(w.edit, Qt::Key_Enter);
        QCOMPARE(w.setting.value, 0.0);
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(w.dialog.result(), 0);
        QCOMPARE(w.okPressed, 0);
        QVERIFY(w.edit->hasFocus());
    }

    void focusLossValidates() {
        FieldWindow w;
        QVERIFY(w.Show());
        QSignalSpy changed(w.field.get(), &CNumericField::Changed);
        w.Type(QStringLiteral("-0"));
        QCOMPARE(changed.count(), 0);
        w.other->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(w.other->hasFocus());
        QCOMPARE(w.edit->text(), QStringLiteral("0.0"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(w.setting.text, std::string("0.0"));
    }

    void spinClicksStep() {
        FieldWindow w;
        w.setting.Set(1.98, 0.0, 2.0, 0.01, 0);
        w.field->Refresh();
        QVERIFY(w.Show());
        QSignalSpy changed(w.field.get(), &CNumericField::Changed);
        QToolButton* up = w.Arrow("spinUpButton");
        QToolButton* down = w.Arrow("spinDownButton");
        QVERIFY(up && down);

        // Each click and the text it leaves; a click at the limit changes nothing and reports nothing.
        struct Click {
            QToolButton* button;
            const char* shown;
            int changes;
        };
        const Click clicks[] = {
            {up, "1.99", 1}, {up, "2.0", 2}, {up, "2.0", 2}, {down, "1.99", 3}, {down, "1.98", 4},
        };
        for (const Click& c : clicks) {
            QTest::mouseClick(c.button, Qt::LeftButton);
            QCOMPARE(w.edit->text(), QString::fromUtf8(c.shown));
            QCOMPARE(changed.count(), c.changes);
        }

        // The keys and the wheel step while the spin has the focus.
        w.spin->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(w.spin->hasFocus());
        QTest::keyClick(w.spin, Qt::Key_Up);
        QCOMPARE(w.edit->text(), QStringLiteral("1.99"));
        QTest::keyClick(w.spin, Qt::Key_Down);
        QTest::keyClick(w.spin, Qt::Key_Down);
        QCOMPARE(w.edit->text(), QStringLiteral("1.97"));
        const QPoint centre = w.spin->rect().center();
        QWheelEvent wheel(centre, w.spin->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.spin, &wheel);
        QCOMPARE(w.edit->text(), QStringLiteral("1.98"));
        QCOMPARE(changed.count(), 8);

        // A spin click replaces text that was typed but not yet taken.
        w.edit->setText(QStringLiteral("0.3"));
        QTest::mouseClick(down, Qt::LeftButton);
        QCOMPARE(w.edit->text(), QStringLiteral("1.97"));

        w.field->SetEnabled(false);
        QVERIFY(!w.edit->isEnabled());
        QVERIFY(!w.spin->isEnabled());
        QVERIFY(!up->isEnabled());
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(w.edit->text(), QStringLiteral("1.97"));
        w.field->SetEnabled(true);
        QVERIFY(up->isEnabled());
    }

    void withoutSettingInputIsIgnored() {
        FieldWindow w;
        w.hasSetting = false;
        QVERIFY(w.Show());
        QSignalSpy changed(w.field.get(), &CNumericField::Changed);
        w.Type(QStringLiteral("0.7"));
        QTest::keyClick(w.edit, Qt::Key_Return);
        QVERIFY(!w.field->Validate());
        QTest::mouseClick(w.Arrow("spinUpButton"), Qt::LeftButton);
        QCOMPARE(w.edit->text(), QStringLiteral("0.7"));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(w.setting.text, std::string("1.0"));
        QCOMPARE(w.okPressed, 0);
        QVERIFY(w.dialog.isVisible());
    }
};

QTEST_MAIN(NumericFieldTest)
#include "NumericFieldTest.moc"
