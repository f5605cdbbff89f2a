// The pure pieces of the shell: settings record layout, string-table format, filter texts, menu names.
#include <QtTest>
#include <cstring>

#include "app/AppAboutDlg.h"
#include "app/FileDialogFilter.h"
#include "app/LineBGRichEdit.h"
#include "app/RecentFileList.h"
#include "app/ResourceLibrary.h"
#include "app/SettingsRecord.h"
#include "app/StatusPaneText.h"
#include "engine/jobs/JobTables.h"

namespace {

std::int32_t Int32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::int32_t(std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
                        std::uint32_t(b[at + 3]) << 24);
}

}  // namespace

class ShellLogicTest : public QObject {
    Q_OBJECT
private slots:
    void recordEncodesEveryByteInPlace() {
        SettingsRecord r;
        r.language = "ja-JP";
        r.windowRect[0] = -8;
        r.windowRect[1] = 20;
        r.windowRect[2] = 1200;
        r.windowRect[3] = 0x01020304;
        r.useCuda = true;
        r.autoSave = false;
        r.autoLoad = true;
        r.lastProject = "/home/u/clip.mp4.kpproj";
        r.quality = 2;
        const std::vector<std::uint8_t> b = r.Encode();
        QCOMPARE(b.size(), std::size_t(892));
        for (std::size_t i = 0; i < 512; ++i) QCOMPARE(int(b[i]), 0);
        QCOMPARE(std::memcmp(b.data() + 512, "ja-JP\0", 6), 0);
        for (std::size_t i = 518; i < 600; ++i) QCOMPARE(int(b[i]), 0);  // rest of the name and the padding
        QCOMPARE(int(b[600]), 0xF8);                                     // -8 little-endian
        QCOMPARE(int(b[603]), 0xFF);
        QCOMPARE(Int32At(b, 604), 20);
        QCOMPARE(Int32At(b, 608), 1200);
        QCOMPARE(int(b[612]), 0x04);
        QCOMPARE(int(b[615]), 0x01);
        QCOMPARE(Int32At(b, 616), 1);
        QCOMPARE(Int32At(b, 620), 0);
        QCOMPARE(Int32At(b, 624), 1);
        QCOMPARE(std::memcmp(b.data() + 628, r.lastProject.c_str(), r.lastProject.size() + 1), 0);
        for (std::size_t i = 628 + r.lastProject.size(); i < 888; ++i) QCOMPARE(int(b[i]), 0);
        QCOMPARE(Int32At(b, 888), 2);

        const SettingsRecord back = SettingsRecord::Decode(b);
        QCOMPARE(back.language, r.language);
        QCOMPARE(back.windowRect[0], -8);
        QCOMPARE(back.windowRect[3], 0x01020304);
        QVERIFY(back.useCuda && !back.autoSave && back.autoLoad);
        QCOMPARE(back.lastProject, r.lastProject);
        QCOMPARE(back.quality, 2);
    }

    void recordDecodesShortLongAndDamagedInput() {
        SettingsRecord full;
        full.language = "en-US";
        full.autoLoad = true;
        full.quality = 1;
        full.lastProject = "/p.kpproj";
        std::vector<std::uint8_t> b = full.Encode();

        // Cut inside the flags: the language survives, everything from auto_load on counts as zero.
        const SettingsRecord cut = SettingsRecord::Decode(std::vector<std::uint8_t>(b.begin(), b.begin() + 622));
        QCOMPARE(cut.language, std::string("en-US"));
        QVERIFY(!cut.autoLoad);
        QVERIFY(cut.lastProject.empty());
        QCOMPARE(cut.quality, 0);

        const SettingsRecord empty = SettingsRecord::Decode({});
        QVERIFY(empty.language.empty());
        QCOMPARE(empty.windowRect[2], 0);

        std::vector<std::uint8_t> longer = b;
        longer.resize(2000, 0xAB);
        QCOMPARE(SettingsRecord::Decode(longer).quality, 1);

        // The reserved block and the padding are ignored; an unterminated name stops at its field.
        std::vector<std::uint8_t> noisy = b;
        for (std::size_t i = 0; i < 512; ++i) noisy[i] = 0x5A;
        for (std::size_t i = 512; i < 600; ++i) noisy[i] = 'x';
        const SettingsRecord n = SettingsRecord::Decode(noisy);
        QCOMPARE(n.language, std::string(85, 'x'));
        QCOMPARE(n.lastProject, std::string("/p.kpproj"));

        struct Case {
            std::int32_t stored;
            int read;
        };
        for (const Case c : {Case{0, 0}, Case{2, 2}, Case{3, 0}, Case{-1, 0}}) {
            std::vector<std::uint8_t> q = b;
            for (int i = 0; i < 4; ++i) q[888 + i] = std::uint8_t(std::uint32_t(c.stored) >> (8 * i));
            QCOMPARE(SettingsRecord::Decode(q).quality, c.read);
        }
    }

    void recordLeavesTooLongTextsEmpty() {
        SettingsRecord r;
        r.language = std::string(84, 'l');
        r.lastProject = std::string(259, 'p');
        SettingsRecord::Decode(r.Encode());
        QCOMPARE(SettingsRecord::Decode(r.Encode()).language, r.language);
        QCOMPARE(SettingsRecord::Decode(r.Encode()).lastProject, r.lastProject);
        r.language += 'l';
        r.lastProject += 'p';
        const std::vector<std::uint8_t> b = r.Encode();
        QCOMPARE(int(b[512]), 0);
        QCOMPARE(int(b[628]), 0);
        QCOMPARE(int(b[888]), 0);  // nothing spilt over into quality
    }

    void stringTableFormat() {
        const auto t = ParseStringTable(
            "# comment\n\n3126\tアプリを終了しますか？\n2005\tOpen\\nOpen Project\n10\ta\\tb\\\\c\r\n"
            "x12\tbad\n\tno id\n77\n99\t\n");
        QCOMPARE(t.size(), std::size_t(4));
        QCOMPARE(t.at(3126), std::string("アプリを終了しますか？"));
        QCOMPARE(t.at(2005), std::string("Open\nOpen Project"));
        QCOMPARE(t.at(10), std::string("a\tb\\c"));
        QCOMPARE(t.at(99), std::string());
    }

    void filterTextsBecomeNameFilters() {
        QCOMPARE(ConvertFilterText(QStringLiteral("Project Files (*.kpproj)|*.kpproj||")),
                 QStringList{QStringLiteral("Project Files (*.kpproj)")});
        QCOMPARE(ConvertFilterText(QStringLiteral("TS Files (*.ts;*.m2ts)|*.ts;*.m2ts|All Files (*.*)|*.*||")),
                 (QStringList{QStringLiteral("TS Files (*.ts *.m2ts)"), QStringLiteral("All Files (*)")}));
        QCOMPARE(ConvertFilterText(QStringLiteral("Plain|*.txt|")), QStringList{QStringLiteral("Plain (*.txt)")});
        QVERIFY(ConvertFilterText(QString()).isEmpty());
    }

    void recentNamesAreShortened() {
        QCOMPARE(AbbreviatePath(QStringLiteral("/a/b.kpproj"), 30), QStringLiteral("/a/b.kpproj"));
        const QString shortened = AbbreviatePath(QStringLiteral("/home/user/videos/2024/summer/trip.kpproj"), 30);
        QVERIFY2(shortened.size() <= 30, qPrintable(shortened));
        QVERIFY(shortened.endsWith(QLatin1String("/summer/trip.kpproj")));
        QVERIFY(shortened.startsWith(QLatin1String("/home/...")));
        const QString longName = QStringLiteral("/x/") + QString(40, QLatin1Char('n')) + QStringLiteral(".kpproj");
        QCOMPARE(AbbreviatePath(longName, 30), longName.mid(3));

        CRecentFileList list(5);
        for (int i = 0; i < 7; ++i) list.Add(QStringLiteral("/p%1").arg(i));
        list.Add(QStringLiteral("/p3"));
        QCOMPARE(list.At(0), QStringLiteral("/p3"));
        QCOMPARE(list.At(1), QStringLiteral("/p6"));
        QCOMPARE(list.At(4), QStringLiteral("/p2"));  // moved up, not duplicated
        QVERIFY(list.At(5).isEmpty());
    }

    void jobPanesTranslate() {
        QCOMPARE(TranslateJobNamePane("シーン抽出", false), std::string("Scene Extract"));
        QCOMPARE(TranslateJobNamePane("Scene Extract (003)", true), std::string("シーン抽出 (003)"));
        QCOMPARE(TranslateJobNamePane("unknown (1)", true), std::string(" (1)"));
        QCOMPARE(TranslateJobStatePane("Processing", true), std::string(JobStateName(1, true)));
        QCOMPARE(TranslateJobStatePane("", true), std::string());
    }

    void ruledLinesFollowTheScroll() {
        const std::vector<double> even = {10, 20};
        QCOMPARE(RuledLinePositions(even, 10, 0, 35), (std::vector<int>{9, 19, 29}));
        QCOMPARE(RuledLinePositions(even, 10, 4, 35), (std::vector<int>{5, 15, 25}));
        QCOMPARE(RuledLinePositions(even, 10, 9, 35), (std::vector<int>{10, 20, 30}));  // y = 0 is skipped
        QCOMPARE(RuledLinePositions({}, 10, 0, 35), (std::vector<int>{9, 19, 29}));     // an empty page
        QVERIFY(RuledLinePositions({}, 0, 0, 35).empty());
        // Lines of another height (a fallback font) and fractional heights keep every rule under its line,
        // however far down the text is scrolled.
        QCOMPARE(RuledLinePositions({10, 24, 34}, 10, 0, 50), (std::vector<int>{9, 23, 33, 43}));
        std::vector<double> fractional;
        for (int k = 1; k <= 1000; ++k) fractional.push_back(k * 15.25);
        QCOMPARE(RuledLinePositions(fractional, 15.25, 15250 - 40, 40), (std::vector<int>{8, 23, 39}));
    }

    void versionText() { QCOMPARE(FormatVersionText(QStringLiteral("1, 1, 0, 0")), QStringLiteral("1.1.0.0")); }
};

QTEST_GUILESS_MAIN(ShellLogicTest)
#include "ShellLogicTest.moc"
