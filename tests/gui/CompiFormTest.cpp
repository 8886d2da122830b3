// The forecast mark window: a pasted text imported with the question answered, the messages, the files,
// the window's position in the settings, and the folder dialog of the compi box.
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "gui/CompiUnit.h"
#include "raceday/Forecast.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace solvane;

namespace {

// A forecast page as copied: title, date heading, venue rule, race lines (marks at 8-9, 11-12 …).
const char* const kFiPage = "ＦＩ予想\n"
                            "【2024年01月06日】\n"
                            "━━━━【中山】━━━━\n"
                            "１R    ◎ ○    ▲ \n"
                            "11R       ◎ \n"
                            "\n\n\n\n\n";

const char* const kTfPage = "トリプルファクター予想\n"
                            "■2024年01月06日 京都\n"
                            "12R\n"
                            "馬番 Ｐ　 Ｖ　 Ｆ\n"
                            "─────────\n"
                            " 1  ◎   ○   ▲\n"
                            " 2  ○   ◎   \n"
                            "-----\n"
                            "\n\n";

struct Setup {
    test::TempDir dir;
    std::filesystem::path home = dir / "home";
    SettingsFile settings{dir / "solvane.ini"};
    QStringList messages;
    QStringList questions;
    bool answer = true;
    int closed = 0;

    std::unique_ptr<TCompiForm> form()
    {
        auto f = std::make_unique<TCompiForm>(settings, home);
        f->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
        f->setQuestion([this](const QString& q) {
            questions << q;
            return answer;
        });
        f->setOnClosed([this] { ++closed; });
        return f;
    }
    std::optional<std::string> file(const std::string& name) const
    {
        return readFile(home / "Data" / pathFromUtf8(name));
    }
};

std::string S(std::string_view utf8)
{
    return toSjis(utf8);
}

} // namespace

class CompiFormTest : public QObject {
    Q_OBJECT

private slots:
    void pastedFiTextIsImportedAfterTheQuestion()
    {
        Setup s;
        auto form = s.form();
        form->findChild<QPlainTextEdit*>("Memo1")->setPlainText(QString::fromUtf8(kFiPage));
        form->findChild<QPushButton*>("ReadBtn")->click();
        QCOMPARE(s.questions, QStringList{QStringLiteral("[ 2024年01月06日中山 ]の予想印を取り込みますか？")});
        QCOMPARE(s.messages, QStringList{QStringLiteral("[2024年01月06日]の予想印を取り込みました。")});
        QCOMPARE(s.file("2024年01月06日.FI"),
                 std::optional<std::string>(S("中山") + "01  " + S("◎○  ▲") + std::string(28, ' ') + "\r\n" +
                                            S("中山") + "11  " + "  " + S("◎") + std::string(32, ' ') + "\r\n"));
    }

    void answeredNoWritesNothing()
    {
        Setup s;
        s.answer = false;
        auto form = s.form();
        form->findChild<QPlainTextEdit*>("Memo1")->setPlainText(QString::fromUtf8(kFiPage));
        form->findChild<QPushButton*>("ReadBtn")->click();
        QCOMPARE(s.questions.size(), 1);
        QVERIFY(s.messages.isEmpty());
        QVERIFY(!s.file("2024年01月06日.FI"));
    }

    void badTextIsToldAndTheStoredFileKept()
    {
        Setup s;
        std::filesystem::create_directories(s.home / "Data");
        QVERIFY(writeFileAtomic(s.home / "Data" / pathFromUtf8("2024年01月06日.FI"), "kept\r\n"));
        auto form = s.form();
        const struct {
            QString text;
            QStringList messages;
        } cases[] = {
            {QString::fromUtf8(kFiPage).replace("2024年01月06日", "2024年13月06日"),
             {QString::fromUtf8(kForecastBadData.data())}},
            {QString::fromUtf8(kFiPage).replace("１R    ◎", "１R     ◎"),
             {QStringLiteral(
                 "4行目の予想印が文字の途中で区切られています。貼り付けたテキストの桁がずれていないか確かめてく"
                 "ださい。")}},
            {QStringLiteral("短い\nテキスト"), {}}, // too short to be a page: nothing at all
        };
        for (const auto& c : cases) {
            s.messages.clear();
            form->findChild<QPlainTextEdit*>("Memo1")->setPlainText(c.text);
            form->findChild<QPushButton*>("ReadBtn")->click();
            QCOMPARE(s.messages, c.messages);
        }
        QVERIFY(s.questions.isEmpty());
        QCOMPARE(s.file("2024年01月06日.FI"), std::optional<std::string>("kept\r\n"));
    }

    void clipboardButtonsFillTheMemoAndImport()
    {
        Setup s;
        auto form = s.form();
        form->setClipboardReader([] { return QString::fromUtf8(kTfPage); });
        form->findChild<QPushButton*>("LbSpeedButton1")->click();
        QCOMPARE(form->findChild<QPlainTextEdit*>("Memo2")->toPlainText(), QString::fromUtf8(kTfPage));
        QCOMPARE(s.questions, QStringList{QStringLiteral("[ 2024年01月06日京都 ]の予想印を取り込みますか？")});
        const std::string tail = std::string(32, ' ');
        QCOMPARE(s.file("2024年01月06日.TF"), std::optional<std::string>(S("京都") + "12  " + S("◎○") + tail + S("○◎") +
                                                                         tail + S("▲") + "  " + tail + "\r\n"));

        form->setClipboardReader([] { return QString::fromUtf8(kFiPage); });
        form->findChild<QPushButton*>("CompiBtn")->click();
        QCOMPARE(form->findChild<QPlainTextEdit*>("Memo1")->toPlainText(), QString::fromUtf8(kFiPage));
        QVERIFY(s.file("2024年01月06日.FI"));
        QCOMPARE(s.messages.size(), 2);
    }

    void controlsCarryTheirCaptions()
    {
        Setup s;
        auto form = s.form();
        QCOMPARE(form->windowTitle(), QStringLiteral("予想印入力"));
        auto* tabs = form->findChild<QTabWidget*>("PageControl1");
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("FI予想入力"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("トリプルファクター入力"));
        const struct {
            const char* name;
            QString caption, hint;
        } buttons[] = {
            {"CompiBtn", QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞよりFI予想を入力"),
             QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞよりFI予想の入力をします")},
            {"ReadBtn", QStringLiteral("貼り付け時の取込"), {}},
            {"LbSpeedButton1", QStringLiteral("トリプルファクター予想を入力"),
             QStringLiteral("トリプルファクター予想印の入力をします")},
            {"ReadBtn2", QStringLiteral("貼り付け時の取込"), {}},
        };
        for (const auto& b : buttons) {
            auto* button = form->findChild<QPushButton*>(b.name);
            QVERIFY2(button, b.name);
            QCOMPARE(button->text(), b.caption);
            QCOMPARE(button->toolTip(), b.hint);
        }
    }

    void clickOnAMemoSelectsAllItsText()
    {
        Setup s;
        auto form = s.form();
        form->show();
        for (const char* name : {"Memo1", "Memo2"}) {
            auto* memo = form->findChild<QPlainTextEdit*>(name);
            memo->setPlainText(QStringLiteral("一行目\n二行目"));
            QVERIFY(!memo->textCursor().hasSelection());
            form->findChild<QTabWidget*>("PageControl1")->setCurrentWidget(memo->parentWidget());
            QTest::mouseClick(memo->viewport(), Qt::LeftButton);
            QCOMPARE(memo->textCursor().selectedText(), QStringLiteral("一行目\u2029二行目"));
        }
    }

    void positionComesFromTheSettingsAndGoesBackAtTheEnd()
    {
        Setup s;
        {
            auto form = s.form();
            QCOMPARE(form->pos(), QPoint(100, 50)); // the defaults
            form->move(230, 140);
            form->show();
            form->close();
            QCOMPARE(s.closed, 1); // the main window reloads the day here
        }
        QCOMPARE(s.settings.get(keys::LocateCompiFormLeft), 230);
        QCOMPARE(s.settings.get(keys::LocateCompiFormTop), 140);
        auto again = s.form();
        QCOMPARE(again->pos(), QPoint(230, 140));
    }

    void harunireFolderIsChosenAndStored()
    {
        Setup s;
        QStringList starts;
        QString answer;
        auto pick = [&](QWidget*, const QString& caption, const QString& start) {
            starts << caption + "|" + start;
            return answer;
        };
        const QString defaultStart = QString::fromStdString(pathToUtf8(s.home / "DATA"));
        // Cancelled: nothing stored.
        QVERIFY(!HarunireFolderClick(nullptr, s.settings, s.home, {}, pick));
        QVERIFY(!s.settings.rawValue("Dir", "harunire"));
        answer = QString::fromStdString(pathToUtf8(s.dir / "ハルニレ"));
        QVERIFY(HarunireFolderClick(nullptr, s.settings, s.home, {}, pick));
        QCOMPARE(QString::fromStdString(s.settings.get(keys::Harunire)), answer);
        // The next dialog starts at the stored folder.
        QVERIFY(HarunireFolderClick(nullptr, s.settings, s.home, {}, pick));
        QCOMPARE(starts, (QStringList{QStringLiteral("ハルニレフォルダの指定|") + defaultStart,
                                      QStringLiteral("ハルニレフォルダの指定|") + defaultStart,
                                      QStringLiteral("ハルニレフォルダの指定|") + answer}));
    }
};

QTEST_MAIN(CompiFormTest)
#include "CompiFormTest.moc"
