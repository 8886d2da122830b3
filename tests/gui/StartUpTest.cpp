// The program's start-up as the user meets it: Qt's own dialogs and buttons in Japanese, and the clock
// a demonstration sets with SOLVANE_NOW.
#include "gui/AppEntry.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTranslator>
#include <QtTest>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

// A button's caption without its keyboard mnemonic: "はい(&Y)" reads "はい", "&Yes" reads "Yes".
QString caption(const QAbstractButton* button)
{
    return button->text().remove(QRegularExpression(R"(\(&\w\)$)")).remove('&');
}

// The captions of a question box's two buttons, the way the user is asked before anything is overwritten.
QStringList questionButtons()
{
    QMessageBox box(QMessageBox::Question, "Solvane", "上書きしますか？", QMessageBox::Yes | QMessageBox::No);
    return {caption(box.button(QMessageBox::Yes)), caption(box.button(QMessageBox::No))};
}

} // namespace

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void standardButtonsSpeakJapanese();
    void entryLoadsTheTranslationsAndRunsOnTheClockOfSolvaneNow();
};

void StartUpTest::standardButtonsSpeakJapanese()
{
    QVERIFY2(InstallQtTranslations(*qApp),
             "Qt's Japanese translations are not installed (Debian: qt6-translations-l10n)");
    QCOMPARE(questionButtons(), (QStringList{"はい", "いいえ"}));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(caption(buttons.button(QDialogButtonBox::Cancel)), QString("キャンセル"));
    // A second call (the program's entry runs more than once in a test) stacks nothing.
    QVERIFY(InstallQtTranslations(*qApp));
    QCOMPARE(qApp->findChildren<QTranslator*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
}

void StartUpTest::entryLoadsTheTranslationsAndRunsOnTheClockOfSolvaneNow()
{
    // Start without any translation, as the program does.
    qDeleteAll(qApp->findChildren<QTranslator*>(QString(), Qt::FindDirectChildrenOnly));
    QCOMPARE(questionButtons().first(), QString("Yes"));

    test::TempDir dir;
    test::TempDir feed;
    qputenv("SOLVANE_HOME", QByteArray::fromStdString(dir.path().string()));
    qputenv("SOLVANE_FEED", QByteArray::fromStdString(feed.path().string()));
    qputenv("SOLVANE_NOW", "2024-06-01 09:08:00");
    // A list file with work ends the program right after start-up.
    QVERIFY(writeFileAtomic(dir / "list.txt", "0520240601051101\r\n"));
    const fs::path before = fs::current_path();
    EntryHooks hooks; // the program's own clock and JV-Link factory
    std::vector<QString> messages;
    hooks.inform = [&](MessageKind, const QString&, const QString& text) { messages.push_back(text); };
    const int status = RunSolvane(*qApp, {"list.txt"}, hooks);
    fs::current_path(before);
    qunsetenv("SOLVANE_NOW");
    qunsetenv("SOLVANE_HOME");
    qunsetenv("SOLVANE_FEED");
    QCOMPARE(status, 0);
    QVERIFY(messages.empty());

    QCOMPARE(questionButtons(), (QStringList{"はい", "いいえ"}));
    // The daily log is the simulated day's, opened and closed at its morning hour.
    std::vector<std::string> log;
    for (const auto& line : splitLines(readFile(dir / "Log" / "20240601.log").value_or("")))
        log.push_back(fromSjis(line));
    QCOMPARE(log.size(), std::size_t(6));
    QVERIFY2(startsWith(log[1], "■利用開始 2024/06/01 09:"), log[1].c_str());
    QVERIFY2(startsWith(log[3], "■利用終了 2024/06/01 09:"), log[3].c_str());
}

QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
