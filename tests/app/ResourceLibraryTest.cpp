// Both resource libraries as built: every quoted id with its kind, the same structure in both languages,
// and the Japanese menu exactly as the program shows it.
#include <QtTest>
#include <functional>
#include <set>

#include "app/ResourceLibrary.h"

namespace {

QString LibraryPath(const char* name) { return QStringLiteral(TARNELO_RESOURCE_DIR "/") + QLatin1String(name); }

const MenuResource* FindItem(const std::vector<MenuResource>& items, int id) {
    for (const MenuResource& m : items) {
        if (!m.separator && !m.IsPopup() && m.id == id) return &m;
        if (const MenuResource* found = FindItem(m.items, id)) return found;
    }
    return nullptr;
}

// The menu's shape: ids, separators and popups in order, texts left out.
QString Shape(const std::vector<MenuResource>& items) {
    QString s;
    for (const MenuResource& m : items) {
        s += m.separator   ? QStringLiteral("-")
             : m.IsPopup() ? QStringLiteral("[") + Shape(m.items) + QStringLiteral("]")
                           : QString::number(m.id);
        s += QLatin1Char(' ');
    }
    return s;
}

}  // namespace

class ResourceLibraryTest : public QObject {
    Q_OBJECT
private:
    CResourceLibrary m_ja;
    CResourceLibrary m_en;

private slots:
    void initTestCase() {
        QVERIFY(m_ja.Open(LibraryPath("TarneloRes_JPN.rcc")));
        QVERIFY(m_en.Open(LibraryPath("TarneloRes_ENG.rcc")));
    }

    void everyListedIdExistsWithItsKindInBothLibraries() {
        QFile list(QStringLiteral(TARNELO_SOURCE_DIR "/tests/app/fixtures/quoted_ids.tsv"));
        QVERIFY(list.open(QIODevice::ReadOnly | QIODevice::Text));
        const QRegularExpression dialogsIn(QStringLiteral("dialogs? ((?:\\d+ ?)+):"));
        const QRegularExpression itemOf(QStringLiteral("^item of menu (\\d+):"));
        int checked = 0;
        QStringList missing;
        while (!list.atEnd()) {
            const QString line = QString::fromUtf8(list.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
            const QStringList f = line.split(QLatin1Char('\t'));
            QVERIFY2(f.size() >= 2, qPrintable(line));
            const int id = f[0].toInt();
            const QString kind = f[1];
            const QString where = f.size() > 2 ? f[2] : QString();
            if (f.size() > 3) {
                // The Japanese library gives the quoted text exactly.
                const QString quoted = QString(f[3]).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
                if (m_ja.Text(id) != quoted) missing << QStringLiteral("%1 reads \"%2\"").arg(id).arg(m_ja.Text(id));
            }
            for (const CResourceLibrary* lib : {&m_ja, &m_en}) {
                bool ok = false;
                if (kind == QLatin1String("string")) {
                    ok = lib->HasString(id) && !lib->Text(id).isEmpty();
                } else if (kind == QLatin1String("dialog")) {
                    ok = lib->HasDialog(id);
                } else if (kind == QLatin1String("icon")) {
                    ok = lib->HasIcon(id) && !lib->Icon(id).isNull();
                } else if (kind == QLatin1String("accelerator")) {
                    ok = lib->Accelerators(id) != nullptr && !lib->Accelerators(id)->empty();
                } else if (kind == QLatin1String("menu")) {
                    const QRegularExpressionMatch item = itemOf.match(where);
                    if (!item.hasMatch()) {
                        ok = lib->Menu(id) != nullptr;
                    } else if (const auto* menu = lib->Menu(item.captured(1).toInt())) {
                        // The recent-file entries after the first are made at run time from its slot.
                        const bool recentSlot = id > 57616 && id <= 57620;
                        ok = FindItem(*menu, recentSlot ? 57616 : id) != nullptr;
                    }
                } else if (kind == QLatin1String("control")) {
                    ok = true;
                    auto it = dialogsIn.globalMatch(where);
                    bool any = false;
                    while (it.hasNext()) {
                        for (const QString& d : it.next().captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                            any = true;
                            ok = ok && lib->HasDialogControl(d.toInt(), id);
                        }
                    }
                    ok = ok && any;
                }
                if (!ok) missing << QStringLiteral("%1 %2 (%3) in %4").arg(id).arg(kind, where, lib->Path());
                ++checked;
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
        QVERIFY(checked > 200);
    }

    void bothLanguagesHaveTheSameStructure() {
        std::set<int> jaIds, enIds;
        for (const auto& [id, text] : m_ja.Strings()) jaIds.insert(id);
        for (const auto& [id, text] : m_en.Strings()) enIds.insert(id);
        QVERIFY(jaIds == enIds);
        for (int menu : {128, 1054, 3115}) {
            QVERIFY(m_ja.Menu(menu) && m_en.Menu(menu));
            QCOMPARE(Shape(*m_en.Menu(menu)), Shape(*m_ja.Menu(menu)));
        }
        QCOMPARE(m_ja.Accelerators(128)->size(), m_en.Accelerators(128)->size());
        for (std::size_t i = 0; i < m_ja.Accelerators(128)->size(); ++i) {
            QCOMPARE(m_en.Accelerators(128)->at(i).key, m_ja.Accelerators(128)->at(i).key);
            QCOMPARE(m_en.Accelerators(128)->at(i).id, m_ja.Accelerators(128)->at(i).id);
        }
        // Prompts keep the tool tip / command name split in both languages.
        for (int id : {2005, 2006, 3110, 57665}) {
            QCOMPARE(m_en.Text(id).count(QLatin1Char('\n')), m_ja.Text(id).count(QLatin1Char('\n')));
        }
    }

    void japaneseMenuAndAcceleratorsAsShown() {
        struct Entry {
            int id;
            const char* text;
        };
        const Entry entries[] = {
            {2011, "新規作成(&N)\tCtrl+N"},
            {2005, "開く(&O)...\tCtrl+O"},
            {2006, "上書き保存(&S)\tCtrl+S"},
            {3081, "名前を付けて保存(&A)...\tCtrl+Shift+S"},
            {57665, "終了(&E)\tAlt+F4"},
            {2010, "CUDA を使用する(&C)"},
            {2012, "自動保存(&S)"},
            {2013, "起動時に自動で開く(&O)"},
            {3110, "最高画質(&H)"},
            {3111, "標準画質(&S)"},
            {3112, "低画質(&L)"},
            {2007, "日本語(&J)"},
            {2008, "英語(&E)"},
            {3096, "詳細情報(&D)...\tF2"},
            {3103, "基本情報(&B)...\tF3"},
            {3104, "ビデオストリーム情報(&V)...\tF4"},
            {3105, "オーディオストリーム情報(&A)...\tF5"},
            {1095, "操作マニュアル(&M)...\tCtrl+F1"},
            {57664, "Tarnelo について(&A)..."},
            {1106, "コピー(&C)"},
            {1055, "分割(&S)"},
            {1056, "削除(&R)"},
            {3116, "再生(&P)"},
            {3117, "プロパティ(&R)"},
        };
        for (const Entry& e : entries) {
            const MenuResource* item = nullptr;
            for (int menu : {128, 1054, 3115}) {
                if (!item) item = FindItem(*m_ja.Menu(menu), e.id);
            }
            QVERIFY2(item, qPrintable(QString::number(e.id)));
            QCOMPARE(item->text, QString::fromUtf8(e.text));
        }
        QStringList tops;
        for (const MenuResource& m : *m_ja.Menu(128)) tops << m.text;
        QCOMPARE(tops, (QStringList{QString::fromUtf8("ファイル(&F)"), QString::fromUtf8("編集(&E)"),
                                    QString::fromUtf8("設定(&S)"), QString::fromUtf8("情報(&I)"),
                                    QString::fromUtf8("その他(&O)")}));
        // Every accelerator is also the one named after the tab of its menu entry.
        for (const AcceleratorResource& a : *m_ja.Accelerators(128)) {
            if (a.key == QLatin1String("Ctrl+Shift+Z")) continue;  // redo's second key; its entry names Ctrl+Y
            const MenuResource* item = FindItem(*m_ja.Menu(128), a.id);
            QVERIFY(item);
            QVERIFY2(item->text.endsWith(QLatin1Char('\t') + a.key), qPrintable(item->text));
        }
        QCOMPARE(m_ja.Text(3126), QString::fromUtf8("アプリを終了しますか？"));
        QCOMPARE(m_ja.Text(3073), QString::fromUtf8("言語DLLの読み込みに失敗しました。"));
        struct Control {
            int dialog;
            int control;
            const char* text;
        };
        for (const Control& c :
             {Control{3119, 0, "Tarnelo"}, Control{3119, 6, "はい"}, Control{3119, 7, "いいえ"},
              Control{100, 0, "Tarnelo について"}, Control{100, 2000, "Tarnelo Version "},
              Control{102, 1104, "シーン結合"}, Control{102, 1105, "ビデオ変換"}, Control{1096, 0, "操作マニュアル"},
              Control{1096, 1100, "ファイル選択"}, Control{1096, 1027, "再生"}, Control{1096, 1, "OK"}}) {
            QCOMPARE(m_ja.DialogText(c.dialog, c.control), QString::fromUtf8(c.text));
        }
        QCOMPARE(m_ja.DialogText(100, -1), QStringLiteral("Includes FFmpeg (LGPL v2.1)."));
    }

    void missingOrEmptyLibraryIsRefused() {
        CResourceLibrary lib;
        QVERIFY(!lib.Open(LibraryPath("TarneloRes_XXX.rcc")));
        QTemporaryFile junk;
        QVERIFY(junk.open());
        junk.write("not a resource file");
        junk.flush();
        QVERIFY(!lib.Open(junk.fileName()));
        QVERIFY(!lib.IsOpen());
        QVERIFY(lib.Text(3126).isEmpty());
    }
};

QTEST_MAIN(ResourceLibraryTest)
#include "ResourceLibraryTest.moc"
