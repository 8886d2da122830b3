#include "gui/AppEntry.h"

#include "app/AppFolder.h"
#include "app/JVLinkSession.h"
#include "gui/HelpKey.h"
#include "util/CommandLine.h"
#include "util/Files.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMetaObject>
#include <QTranslator>
#include <cstdlib>
#include <iostream>

namespace solvane {

// SOLVANE_NOW ("yyyy-mm-dd hh:nn:ss") starts the program's clock at that moment, for demonstrations
// of a race day at any time; otherwise the machine's clock.
static std::unique_ptr<Clock> programClock()
{
    if (const char* now = std::getenv("SOLVANE_NOW"); now && *now) {
        if (auto start = DateTime::parse(now))
            return std::make_unique<ShiftedClock>(*start);
        std::cerr << "SOLVANE_NOW の日時が正しくありません：" << now << '\n';
    }
    return std::make_unique<SystemClock>();
}

bool InstallQtTranslations(QCoreApplication& app)
{
    // Once per application, however often the program's entry runs in one test process.
    static constexpr const char* kName = "QtJapaneseTranslations";
    if (app.findChild<QTranslator*>(kName, Qt::FindDirectChildrenOnly))
        return true;
    auto* translator = new QTranslator(&app); // the application owns it
    translator->setObjectName(kName);
    // "qt_ja" is the catalog of every Qt module (on Debian it loads qtbase_ja and qtmultimedia_ja;
    // windeployqt writes it as one merged file); qtbase_ja alone still covers the dialogs and buttons.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    if ((translator->load(japanese, "qt", "_", folder) || translator->load(japanese, "qtbase", "_", folder)) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

int RunSolvane(QApplication& app, const std::vector<std::string>& arguments, EntryHooks hooks)
{
    // Before the first message box: the JV-Link check may already show one.
    if (!InstallQtTranslations(app))
        std::cerr << "Qt の日本語訳（qt_ja.qm, qtbase_ja.qm）が見つかりません："
                  << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString() << '\n';
    QApplication::setApplicationName("Solvane");
    QApplication::setApplicationDisplayName("Solvane");
    if (!hooks.inform)
        hooks.inform = [](MessageKind kind, const QString& caption, const QString& text) {
            ShowMessageBox(nullptr, kind, caption, text);
        };
    std::unique_ptr<Clock> ownClock;
    if (!hooks.clock) {
        ownClock = programClock();
        hooks.clock = ownClock.get();
    }

    const std::filesystem::path appFolder = ResolveAppFolder();
    AppShell shell(AppShellOptions{appFolder, hooks.clock, nullptr, WindowsFolder(), arguments});

    if (!hooks.createJVLink) {
        hooks.createJVLink = [&hooks](AppShell& s, std::string* error) {
            return CreateProgramJVLink(s.settings(), s.appFolder(), hooks.clock, error);
        };
    }
    std::string why;
    std::unique_ptr<JVLink> jvlink = hooks.createJVLink(shell, &why);
    if (!jvlink) {
        // Without the component the program cannot do anything; it ends before touching any file.
        if (!why.empty())
            std::cerr << why << '\n';
        hooks.inform(MessageKind::Information, "Solvane", q(kJVLinkMissing));
        return 1;
    }

    if (!shell.start()) {
        hooks.inform(MessageKind::Error, "Solvane", q(shell.startError()));
        return 1;
    }
    // Relative paths given later (list files, dialogs) are taken from the application folder.
    std::error_code ec;
    std::filesystem::current_path(appFolder, ec);

    TMainForm form(shell, *jvlink);
    form.setMessageSink(hooks.inform);
    InstallHelpKey(&form, [&form] { form.HelpButtonClick(); });
    form.show();
    if (hooks.onMainWindow)
        hooks.onMainWindow(form);
    if (shell.terminateRequested()) {
        // The list file holds work: the program ends as soon as the event loop runs, through the
        // window's own close so that the daily log gets its closing block.
        QMetaObject::invokeMethod(
            &form,
            [&form] {
                form.close();
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    }
    return app.exec();
}

} // namespace solvane
