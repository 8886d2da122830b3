// The user's manual as the build makes it: Solvane.pdf beside the program opens and its page tree reads
// back, the text of every section title of docs/manual/manual.md is on its body pages in order, its
// fonts and screenshots are in the file; and F1 opens it from every window, as "ヘルプ" does.
#include "app/AppShell.h"
#include "app/FakeJVLink.h"
#include "gui/AppEntry.h"
#include "gui/KaimeUnit.h"
#include "gui/Main.h"
#include "support/TempDir.h"
#include "util/Files.h"

#include <QDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

const fs::path kPdf = SOLVANE_MANUAL_PDF;
const fs::path kSource = SOLVANE_MANUAL_SOURCE;

QByteArray pdfBytes()
{
    QFile file(QString::fromStdString(kPdf.string()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

int countOf(const QByteArray& bytes, const QRegularExpression& re)
{
    int n = 0;
    for (auto it = re.globalMatch(QString::fromLatin1(bytes)); it.hasNext(); it.next())
        ++n;
    return n;
}

// Compared texts: compatibility forms folded (text taken out of a PDF gives the Kangxi radical "⽤"
// for "用", for example, where a font shares the glyph) and every blank removed, as a line may break
// anywhere in Japanese.
QString folded(const QString& text)
{
    QString out = text.normalized(QString::NormalizationForm_KC);
    out.remove(QRegularExpression(R"(\s)"));
    return out;
}

// The section titles of the source: the Markdown headings outside code blocks, without their marks.
QStringList sourceHeadings()
{
    const auto text = readFile(kSource);
    QStringList titles;
    bool code = false;
    for (const QString& line : QString::fromStdString(text.value_or("")).split('\n')) {
        if (line.startsWith("```")) {
            code = !code;
            continue;
        }
        static const QRegularExpression heading(R"(^#{1,3} +(.+?)\s*$)");
        if (const auto m = heading.match(line); !code && m.hasMatch())
            titles << QString(m.captured(1)).remove('`').remove("**");
    }
    return titles;
}

} // namespace

class ManualTest : public QObject {
    Q_OBJECT

private slots:
    void pdfOpensWithItsPages();
    void bodyHoldsEverySectionTitleInOrder();
    void f1OpensTheManualFromEveryWindow();

private:
    // The text of each page, by poppler's pdftotext (the package list installs poppler-utils).
    QStringList pageTexts();
};

QStringList ManualTest::pageTexts()
{
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-enc", "UTF-8", QString::fromStdString(kPdf.string()), "-"});
    if (!pdftotext.waitForStarted(-1)) {
        qWarning("pdftotext did not start: install poppler-utils (./solvane deps)");
        return {};
    }
    pdftotext.waitForFinished(-1);
    if (pdftotext.exitStatus() != QProcess::NormalExit || pdftotext.exitCode() != 0) {
        qWarning("pdftotext: %s", pdftotext.readAllStandardError().constData());
        return {};
    }
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast(); // the page end after the last page
    return pages;
}

void ManualTest::pdfOpensWithItsPages()
{
    const QByteArray pdf = pdfBytes();
    QVERIFY2(!pdf.isEmpty(), kPdf.string().c_str());
    QVERIFY(pdf.startsWith("%PDF-1."));
    QVERIFY(pdf.trimmed().endsWith("%%EOF"));

    // The page tree: one /Pages node whose /Count is the number of its page objects.
    QCOMPARE(countOf(pdf, QRegularExpression(R"(/Type\s*/Pages\b)")), 1);
    const auto count =
        QRegularExpression(R"(/Type\s*/Pages\b[^>]*?/Count\s+(\d+))", QRegularExpression::DotMatchesEverythingOption)
            .match(QString::fromLatin1(pdf));
    QVERIFY(count.hasMatch());
    const int pages = count.captured(1).toInt();
    QCOMPARE(countOf(pdf, QRegularExpression(R"(/Type\s*/Page\b)")), pages);
    // A cover, the contents, and each chapter from a page of its own.
    const int chapters = static_cast<int>(sourceHeadings().filter(QRegularExpression(R"(^\d+\. )")).size());
    QVERIFY2(chapters >= 10, qPrintable(QString::number(chapters)));
    QVERIFY2(pages >= chapters + 2, qPrintable(QString::number(pages)));

    // Another reader opens it and finds as many pages.
    QCOMPARE(pageTexts().size(), pages);

    // Every font is embedded, one of them Japanese, so the manual reads the same on a PC without it.
    const int descriptors = countOf(pdf, QRegularExpression(R"(/Type\s*/FontDescriptor\b)"));
    QVERIFY(descriptors > 0);
    QCOMPARE(countOf(pdf, QRegularExpression(R"(/FontFile[23]?\b)")), descriptors);
    QVERIFY(QRegularExpression(R"(/FontName\s*/(\w+\+)?[\w-]*(CJK|Gothic|Meiryo))")
                .match(QString::fromLatin1(pdf))
                .hasMatch());

    // Every screenshot the source shows is an image of the file.
    const auto source = QString::fromStdString(readFile(kSource).value_or(""));
    QSet<QString> shots;
    for (auto it = QRegularExpression(R"(!\[[^\]]*\]\(([^)\s]+)\))").globalMatch(source); it.hasNext();)
        shots.insert(it.next().captured(1));
    QVERIFY(shots.size() >= 10);
    QCOMPARE(countOf(pdf, QRegularExpression(R"(/Subtype\s*/Image\b)")), static_cast<int>(shots.size()));
}

void ManualTest::bodyHoldsEverySectionTitleInOrder()
{
    const QStringList pages = pageTexts();
    QVERIFY(pages.size() > 2);
    // The body: the pages after the cover that carry the running head; the contents do not, so a title
    // found there alone does not count.
    QString body;
    int bodyPages = 0;
    for (int i = 1; i < pages.size(); ++i) {
        const QString page = folded(pages.at(i));
        if (page.contains(folded("Solvane 使用解説書"))) {
            body += page;
            ++bodyPages;
        }
    }
    QVERIFY(bodyPages > 0);
    QVERIFY(bodyPages < pages.size() - 1);
    QVERIFY(folded(pages.at(1)).startsWith("目次"));

    const QStringList titles = sourceHeadings();
    QVERIFY(titles.size() >= 40);
    qsizetype from = 0;
    for (const QString& title : titles) {
        const qsizetype at = body.indexOf(folded(title), from);
        QVERIFY2(at >= 0, qPrintable("not in the body after the title before it: " + title));
        from = at + folded(title).size();
    }
    // The contents list every chapter.
    const QString contents = folded(pages.at(1));
    for (const QString& title : titles.filter(QRegularExpression(R"(^\d+\. )")))
        QVERIFY2(contents.contains(folded(title)), qPrintable("not in the contents: " + title));
}

void ManualTest::f1OpensTheManualFromEveryWindow()
{
    test::TempDir home;
    QVERIFY(fs::copy_file(kPdf, home / "Solvane.pdf"));
    qputenv("SOLVANE_HOME", QByteArray::fromStdString(home.path().string()));
    const fs::path before = fs::current_path();

    ManualClock clock(DateTime{2024, 6, 1, 10, 0, 0});
    std::vector<fs::path> opened;
    QStringList messages;
    EntryHooks hooks;
    hooks.clock = &clock;
    hooks.createJVLink = [](AppShell&, std::string*) { return std::make_unique<test::FakeJVLink>(); };
    hooks.inform = [&](MessageKind, const QString&, const QString& text) { messages << text; };
    hooks.onMainWindow = [&](TMainForm& main) {
        main.setShellLauncher([&](const fs::path& file, std::string_view, const fs::path&, std::string*) {
            opened.push_back(file);
            return true;
        });
        QTimer::singleShot(0, &main, [&] {
            // The main window, and a key held down opens it once.
            QTest::keyClick(&main, Qt::Key_F1);
            QTest::keyEvent(QTest::Press, &main, Qt::Key_F1, Qt::NoModifier);
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(&main, &repeat);
            QTest::keyEvent(QTest::Release, &main, Qt::Key_F1, Qt::NoModifier);
            // A window of its own: the combination form.
            main.InputFormBtnClick(); // no day loaded: it says so and stays closed
            main.kaimeForm()->show();
            QTest::keyClick(main.kaimeForm(), Qt::Key_F1);
            // A modal dialog with its own event loop: the default-stake dialog.
            main.setDialogRunner([](QDialog& dialog) {
                QTimer::singleShot(0, &dialog, [&dialog] {
                    QTest::keyClick(&dialog, Qt::Key_F1);
                    dialog.reject();
                });
                return dialog.exec();
            });
            main.NM3Click();
            // Shift+F1 is not the manual.
            QTest::keyClick(&main, Qt::Key_F1, Qt::ShiftModifier);
            // Without the file, F1 says so, as the button does.
            fs::remove(home / "Solvane.pdf");
            QTest::keyClick(&main, Qt::Key_F1);
            main.close();
            QCoreApplication::quit();
        });
    };
    const int status = RunSolvane(*qApp, {}, hooks);
    fs::current_path(before);
    qunsetenv("SOLVANE_HOME");

    QCOMPARE(status, 0);
    QCOMPARE(opened, std::vector<fs::path>(4, home / "Solvane.pdf"));
    QCOMPARE(messages,
             QStringList({"開催日のデータを読み込んでください。",
                          QString::fromUtf8(kManualMissing.data(), static_cast<qsizetype>(kManualMissing.size()))}));
}

QTEST_MAIN(ManualTest)
#include "ManualTest.moc"
