// solvane-manual-shots: the manual's screenshots, taken from the program itself. It starts Solvane
// the way the program starts (the application folder from SOLVANE_HOME, the clock from SOLVANE_NOW),
// works its windows as a user would on a prepared season, and saves each window as a PNG into the
// folder given. tools/manual/screenshots.sh prepares the season and runs it on the offscreen platform.
//
//   solvane-manual-shots OUTPUT_FOLDER PAST_DAY TODAY RULE_FILE
//
// PAST_DAY is a day with results (yyyymmdd), TODAY the day SOLVANE_NOW falls on.
#include "gui/AppEntry.h"
#include "gui/CompiUnit.h"
#include "gui/GetDataUnit.h"
#include "gui/KaimeSettingUnit.h"
#include "gui/KaimeUnit.h"
#include "gui/KenshoUnit.h"
#include "gui/Main.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "verify/SelectionRule.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <iostream>
#include <unordered_map>

using namespace solvane;

namespace {

QDir g_out;
int g_failures = 0;

void settle(int ms = 150)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Screenshots of windows hold few colours but for the edges of letters. Up to 256 colours are kept
// as they are; beyond that the 256 most frequent stay and every other pixel takes the nearest of them,
// which keeps the file small and the picture sharp.
QImage fewColours(const QImage& shot)
{
    const QImage rgb = shot.convertToFormat(QImage::Format_RGB32);
    std::unordered_map<QRgb, int> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[line[x] | 0xff000000u];
    }
    std::vector<std::pair<int, QRgb>> byCount;
    for (const auto& [colour, n] : counts)
        byCount.emplace_back(n, colour);
    std::sort(byCount.begin(), byCount.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    if (byCount.size() > 256)
        byCount.resize(256);
    QList<QRgb> table;
    for (const auto& entry : byCount)
        table << entry.second;
    std::unordered_map<QRgb, int> nearest;
    const auto indexOf = [&](QRgb c) {
        if (auto it = nearest.find(c); it != nearest.end())
            return it->second;
        int best = 0;
        long bestDistance = -1;
        for (int i = 0; i < table.size(); ++i) {
            const long dr = qRed(c) - qRed(table[i]), dg = qGreen(c) - qGreen(table[i]),
                       db = qBlue(c) - qBlue(table[i]);
            const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        nearest.emplace(c, best);
        return best;
    };
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* dest = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            dest[x] = static_cast<uchar>(indexOf(line[x] | 0xff000000u));
    }
    return out;
}

// Saves window (or the part of it given, in its own coordinates) as name.
void save(QWidget* window, const QString& name, const std::function<QRect()>& part = {})
{
    if (!window) {
        std::cerr << name.toStdString() << ": no window\n";
        ++g_failures;
        return;
    }
    window->show();
    window->raise();
    settle(600);
    const QString path = g_out.filePath(name);
    if (!fewColours(window->grab(part ? part() : window->rect()).toImage()).save(path, "PNG", 0)) {
        std::cerr << path.toStdString() << ": not written\n";
        ++g_failures;
        return;
    }
    std::cout << path.toStdString() << '\n';
}

template <class T> T* child(QObject* parent, const char* name)
{
    T* found = parent ? parent->findChild<T*>(name) : nullptr;
    if (!found) {
        std::cerr << "no " << name << '\n';
        ++g_failures;
    }
    return found;
}

// The trifecta table scrolled to its paid combination, which the picture's caption points at.
void showPaidRow(QTableView* grid)
{
    if (!grid)
        return;
    const QAbstractItemModel* model = grid->model();
    for (int c = 0; c < model->columnCount(); ++c) {
        if (model->headerData(c, Qt::Horizontal).toString() != "結果配当")
            continue;
        for (int r = 0; r < model->rowCount(); ++r) {
            if (!model->index(r, c).data().toString().isEmpty()) {
                grid->scrollTo(model->index(r, 0), QAbstractItemView::PositionAtCenter);
                return;
            }
        }
    }
    std::cerr << "no paid row in " << grid->objectName().toStdString() << '\n';
    ++g_failures;
}

void shoot(TMainForm& main, const QString& pastDay, const QString& today, const SelectionRule& rule)
{
    // The screen of a small notebook, which the windows are made to fit (screenshots.sh gives the
    // offscreen platform a screen of this size, so companion windows are placed as on it).
    main.move(0, 0);
    main.resize(1366, 768);

    // A day that has been run: the first race whose trifecta the example rule hit, with the rule's
    // marks as "買い目に反映" puts them, so that the combination form shows a paid combination.
    main.loadDay(pastDay);
    auto* races = child<QListWidget>(&main, "DatList");
    const TKaimeForm* form = main.kaimeForm();
    const auto markRace = [&](int row) {
        races->setCurrentRow(row);
        if (auto marks = ApplyRule(main.raceDay(), main.raceDay().CurRace, rule))
            main.setCardMarks(*marks);
        return !form->tables()[kBakenTypes - 1].labels.paid.empty();
    };
    if (races && form) {
        int row = 0;
        while (row < races->count() && !markRace(row))
            ++row;
        if (row == races->count())
            markRace(10);
    }
    settle();
    // Where the card is wider than the window, it is scrolled to the marks, as a user would.
    if (auto* card = child<QTableView>(&main, "StringGrid1"))
        card->horizontalScrollBar()->setValue(card->horizontalScrollBar()->maximum());
    save(&main, "main-window.png");
    if (auto* card = child<QTableView>(&main, "StringGrid1"))
        card->horizontalScrollBar()->setValue(0);

    if (auto* pages = child<QTabWidget>(&main, "PageControl1")) {
        pages->setCurrentIndex(1);
        save(&main, "results-page.png");
        // The odds page: a matrix type and a list type.
        pages->setCurrentIndex(2);
        if (auto* types = child<QTabBar>(&main, "OddsTypeBar")) {
            types->setCurrentIndex(3);
            save(&main, "odds-quinella.png");
            // A list is three narrow columns: the picture takes the page's left part, up to the end of
            // the line above the list, and leaves out the blank width beside it.
            types->setCurrentIndex(7);
            auto* page = main.findChild<QWidget*>("OddsPage");
            save(page, "odds-trifecta.png", [&] {
                const auto* caption = page->findChild<QLabel*>("OddsCaption");
                const int right = std::max(types->x() + types->tabRect(types->count() - 1).right(),
                                           caption->x() + caption->fontMetrics().horizontalAdvance(caption->text()));
                return QRect(0, 0, right + 12, page->height());
            });
            types->setCurrentIndex(0);
        }
        pages->setCurrentIndex(0);
    }

    // The combination form on the trifecta page.
    main.InputFormBtnClick();
    if (TKaimeForm* kaime = main.kaimeForm()) {
        kaime->resize(960, 560);
        kaime->move(40, 40);
        if (auto* types = child<QTabWidget>(kaime, "PageControl1")) {
            types->setCurrentIndex(kBakenTypes - 1);
            showPaidRow(child<QTableView>(kaime, "StringGrid34"));
            save(kaime, "kaime-form.png");
            types->setCurrentIndex(3);
            save(kaime, "kaime-form-quinella.png");
        }
        kaime->hide();
    }

    main.PopDeBtnClick();
    save(main.findChild<QWidget*>("DeForm"), "entries-window.png");
    if (auto* de = main.findChild<QWidget*>("DeForm"))
        de->hide();

    // Small windows: each dialog is taken instead of being run.
    main.setDialogRunner([](QDialog& dialog) {
        save(&dialog, dialog.objectName() == "KaimeSetForm" ? "stake-dialog.png" : "schedule-dialog.png");
        return int(QDialog::Rejected);
    });
    main.NM3Click();
    main.OzGetTimeMenuClick();
    {
        TGetDataForm import(main.jvlink(), main.shell().settings(), main.shell().clock(), main.shell().appFolder(),
                            &main);
        save(&import, "import-window.png");
    }
    main.ReadYosoBtnClick();
    if (TCompiForm* compi = main.compiForm()) {
        // The forecast text as it is copied from the publication (the generated feed's), for the picture
        // only: nothing is imported.
        const auto paste = readFile(main.shell().appFolder() / "feed" / "paste" / (pastDay.toStdString() + ".fi.txt"));
        if (auto* memo = child<QPlainTextEdit>(compi, "Memo1"); memo && paste)
            memo->setPlainText(QString::fromStdString(fromSjis(*paste)).left(1800));
        compi->resize(640, 460);
        save(compi, "forecast-window.png");
        compi->close();
    }

    // The rule window with the example rule, then a run over the stored days and its verification.
    main.SimBtnClick();
    if (TKaimeSettingForm* rules = main.kaimeSettingForm()) {
        rules->setRule(rule);
        rules->resetPeriod();
        rules->move(20, 20);
        save(rules, "rule-window.png");
        rules->setQuestion([](const QString&) { return true; });
        QEventLoop done;
        QObject::connect(rules, &TKaimeSettingForm::runFinished, &done, &QEventLoop::quit);
        rules->SimBtnClick();
        if (rules->running())
            done.exec();
        if (TKenshoForm* kensho = rules->kenshoForm()) {
            kensho->resize(1366, 740);
            kensho->move(0, 0);
            save(kensho, "verify-window.png");
            kensho->hide();
        }
        rules->hide();
    }

    // The race day itself: today's card with the clock, the countdown and the odds just fetched.
    main.loadDay(today);
    main.NextRaceBtnClick();
    main.SokuhoOddsBtnClick();
    main.GetDMBtnClick();
    settle(1200); // the clock and the countdown tick once
    save(&main, "race-day.png");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::cerr << "usage: solvane-manual-shots OUTPUT_FOLDER PAST_DAY TODAY RULE_FILE\n";
        return 2;
    }
    g_out = QDir(args.at(1));
    const auto ruleText = readFile(args.at(4).toStdString());
    const RuleFileParse parsed = ParseRuleFile(ruleText.value_or(""));
    if (!parsed.rule) {
        std::cerr << args.at(4).toStdString() << ": " << parsed.error << '\n';
        return 2;
    }

    EntryHooks hooks;
    hooks.inform = [](MessageKind, const QString& caption, const QString& text) {
        std::cerr << caption.toStdString() << ": " << text.toStdString() << '\n';
    };
    hooks.onMainWindow = [&](TMainForm& main) {
        QTimer::singleShot(0, &main, [&] {
            shoot(main, args.at(2), args.at(3), *parsed.rule);
            main.close();
            QApplication::quit();
        });
    };
    const int rc = RunSolvane(app, {}, hooks);
    return rc != 0 ? rc : g_failures != 0 ? 1 : 0;
}
