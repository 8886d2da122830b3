// The fetch-time window: its controls and texts, the spin edits filled from the settings (and held to
// their ranges), the sound list of the offered folders, choosing and playing a sound, OK and closing
// without it; and the folder and name rules of the alert sound.
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "gui/AlarmSound.h"
#include "gui/OzGetTimeUnit.h"
#include "support/TempDir.h"
#include "util/Files.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

void touch(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    writeFileAtomic(file, "RIFF");
}

// A settings file and two sound folders: our Media folder and a theme folder with a subfolder.
struct Setup {
    test::TempDir dir;
    SettingsFile settings{dir / "solvane.ini", SettingsDefaults{dir.path(), {}}};
    fs::path media = dir / "Media";
    fs::path theme = dir / "theme";
    QStringList played, messages;

    Setup()
    {
        touch(media / "a.wav");
        touch(media / "B.WAV");
        touch(media / "notes.txt");
        touch(media / "sub" / "c.wav");
        touch(theme / "x" / "d.wav");
    }
    std::unique_ptr<TOzGetTimeForm> open()
    {
        auto form = std::make_unique<TOzGetTimeForm>(settings, std::vector<fs::path>{media, theme},
                                                     [this](const QString& f) { played << f; });
        form->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
        form->show();
        return form;
    }
};

template <class T> T* child(QWidget* w, const char* name)
{
    T* found = w->findChild<T*>(name);
    if (!found)
        qFatal("no %s", name);
    return found;
}

void clickItem(QListWidget* list, int row, bool twice = false)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class OzGetTimeFormTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlWithItsText();
    void spinEditsFromTheSettings_data();
    void spinEditsFromTheSettings();
    void choosingASoundWritesItAtOnce();
    void playingNeverWritesAnything();
    void okWritesTheTimesAndTheChosenSound();
    void aSettingThatCannotBeWrittenIsReported();
    void soundFoldersAndNames();
};

void OzGetTimeFormTest::everyControlWithItsText()
{
    Setup s;
    s.settings.set(keys::OzAlarm, "C:\\WINDOWS\\Media\\Ring08.wav");
    auto form = s.open();
    QCOMPARE(form->windowTitle(), QString("データﾞ自動取得時刻指定"));
    QCOMPARE(child<QGroupBox>(form.get(), "GroupBox1")->title(), QString("オッズ自動取得時刻指定"));
    QCOMPARE(child<QGroupBox>(form.get(), "GroupBox2")->title(), QString("結果情報自動取得時刻指定"));
    QCOMPARE(child<QGroupBox>(form.get(), "GroupBox3")->title(), QString("オッズ自動取得時通知音指定"));
    const std::pair<const char*, const char*> labels[] = {
        {"Label1", "ｵｯｽﾞを自動取得する際に各ﾚｰｽ発走何分前に取得機能を起動するかを指定します。"},
        {"Label2", "発走"},
        {"Label3", "分"},
        {"Label4", "秒前"},
        {"Label5", "随時更新されるﾚｰｽ結果情報を何分おきに自動取得するか指定します。"},
        {"Label6", "分間隔"},
        {"Label7",
         "オッズ取得時に鳴らす通知音を指定出来ます。通知音は下記リストよりWAVファイルを選択し、指定してください。"
         "ダブルクリックで再生もできます。"},
        {"Label8", "指定通知音"},
        {"SoundLabel", "Ring08.wav"},
    };
    for (const auto& [name, text] : labels)
        QCOMPARE(child<QLabel>(form.get(), name)->text(), QString::fromUtf8(text));
    QCOMPARE(child<QPushButton>(form.get(), "PlayBtn")->text(), QString("再生"));
    QCOMPARE(child<QPushButton>(form.get(), "OKBtn")->text(), QString("OK"));
    auto* list = child<QListWidget>(form.get(), "FileListBox1");
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    // Only ".wav" files, in any case, each folder's sorted, subfolders included.
    QCOMPARE(names, (QStringList{"B.WAV", "a.wav", "sub/c.wav", "x/d.wav"}));
    // The interval of the second fetch is kept, not shown.
    for (QSpinBox* spin : form->findChildren<QSpinBox*>())
        QVERIFY(spin->isVisible());
    QCOMPARE(form->findChildren<QSpinBox*>().size(), 3);
}

void OzGetTimeFormTest::spinEditsFromTheSettings_data()
{
    QTest::addColumn<int>("ozGet");
    QTest::addColumn<int>("ozGetSec");
    QTest::addColumn<int>("rdataGet");
    QTest::addColumn<int>("shownOzGet");
    QTest::addColumn<int>("shownSec");
    QTest::addColumn<int>("shownRdata");
    QTest::newRow("defaults") << -1 << -1 << -1 << 10 << 0 << 10;
    QTest::newRow("inside") << 12 << 30 << 15 << 12 << 30 << 15;
    QTest::newRow("lowest") << 1 << 0 << 5 << 1 << 0 << 5;
    QTest::newRow("below") << 0 << -5 << 4 << 1 << 0 << 5;
    QTest::newRow("above") << 60 << 60 << 60 << 59 << 59 << 59;
}

void OzGetTimeFormTest::spinEditsFromTheSettings()
{
    QFETCH(int, ozGet);
    QFETCH(int, ozGetSec);
    QFETCH(int, rdataGet);
    Setup s;
    if (ozGet >= 0 || ozGetSec >= 0 || rdataGet >= 0) {
        s.settings.set(keys::AutoOzGet, ozGet);
        s.settings.set(keys::AutoOzGetSec, ozGetSec);
        s.settings.set(keys::AutoRdataGet, rdataGet);
    }
    auto form = s.open();
    QTEST(child<QSpinBox>(form.get(), "SpinEdit1")->value(), "shownOzGet");
    QTEST(child<QSpinBox>(form.get(), "SpinEdit2")->value(), "shownSec");
    QTEST(child<QSpinBox>(form.get(), "SpinEdit3")->value(), "shownRdata");
}

void OzGetTimeFormTest::choosingASoundWritesItAtOnce()
{
    Setup s;
    s.settings.set(keys::AutoOzGet, 12);
    auto form = s.open();
    child<QSpinBox>(form.get(), "SpinEdit1")->setValue(20);
    clickItem(child<QListWidget>(form.get(), "FileListBox1"), 2);
    const std::string chosen = pathToUtf8(s.media / "sub" / "c.wav");
    QCOMPARE(s.settings.get(keys::OzAlarm), chosen);
    QCOMPARE(child<QLabel>(form.get(), "SoundLabel")->text(), QString("c.wav"));
    // Closed without OK: the sound stays chosen, the times stay as they were.
    form->reject();
    QCOMPARE(s.settings.get(keys::OzAlarm), chosen);
    QCOMPARE(s.settings.get(keys::AutoOzGet), 12);
    QVERIFY(s.played.isEmpty());
}

void OzGetTimeFormTest::playingNeverWritesAnything()
{
    Setup s;
    s.settings.set(keys::OzAlarm, "/elsewhere/ring.wav");
    auto form = s.open();
    auto* list = child<QListWidget>(form.get(), "FileListBox1");
    // A double click plays the file; its first click chose it.
    clickItem(list, 3, true);
    const QString d = q(pathToUtf8(s.theme / "x" / "d.wav"));
    QCOMPARE(s.played, QStringList{d});
    QTest::mouseDClick(child<QLabel>(form.get(), "SoundLabel"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(form.get(), "PlayBtn"), Qt::LeftButton);
    QCOMPARE(s.played, (QStringList{d, d, d}));

    Setup other;
    other.settings.set(keys::OzAlarm, "/elsewhere/ring.wav");
    auto untouched = other.open();
    QTest::mouseClick(child<QPushButton>(untouched.get(), "PlayBtn"), Qt::LeftButton);
    QCOMPARE(other.played, QStringList{"/elsewhere/ring.wav"});
    QCOMPARE(other.settings.get(keys::OzAlarm), std::string("/elsewhere/ring.wav"));
}

void OzGetTimeFormTest::okWritesTheTimesAndTheChosenSound()
{
    struct Case {
        const char* what;
        const char* stored;   // OzAlarm before; nullptr: missing
        int click;            // list row clicked, -1 none
        const char* expected; // "B.WAV" stands for the Media folder's file
    };
    const Case cases[] = {
        {"a sound from the list", nullptr, 0, "B.WAV"},
        {"a sound outside the offered folders stays whole", "/elsewhere/ring.wav", -1, "/elsewhere/ring.wav"},
        {"no sound at all stays none", nullptr, -1, ""},
    };
    for (const Case& c : cases) {
        Setup s;
        s.settings.set(keys::AutoTohyoInterval, 7);
        if (c.stored)
            s.settings.set(keys::OzAlarm, c.stored);
        auto form = s.open();
        child<QSpinBox>(form.get(), "SpinEdit1")->setValue(15);
        child<QSpinBox>(form.get(), "SpinEdit2")->setValue(45);
        child<QSpinBox>(form.get(), "SpinEdit3")->setValue(20);
        if (c.click >= 0)
            clickItem(child<QListWidget>(form.get(), "FileListBox1"), c.click);
        QTest::mouseClick(child<QPushButton>(form.get(), "OKBtn"), Qt::LeftButton);
        QVERIFY2(form->result() == QDialog::Accepted, c.what);
        QVERIFY2(form->isHidden(), c.what);
        QCOMPARE(s.settings.get(keys::AutoOzGet), 15);
        QCOMPARE(s.settings.get(keys::AutoOzGetSec), 45);
        QCOMPARE(s.settings.get(keys::AutoTohyoInterval), 7);
        QCOMPARE(s.settings.get(keys::AutoRdataGet), 20);
        const std::string expected =
            std::string(c.expected) == "B.WAV" ? pathToUtf8(s.media / "B.WAV") : std::string(c.expected);
        QVERIFY2(s.settings.get(keys::OzAlarm) == expected, c.what);
        QVERIFY2(s.settings.rawValue("InfoSettings", "OzAlarm").has_value() == !expected.empty(), c.what);
    }
}

void OzGetTimeFormTest::aSettingThatCannotBeWrittenIsReported()
{
    Setup s;
    s.settings.set(keys::OzAlarm, "/x/old.wav");
    auto form = s.open();
    // The settings file's place becomes a folder: every write fails.
    fs::remove(s.settings.path());
    fs::create_directories(s.settings.path());
    clickItem(child<QListWidget>(form.get(), "FileListBox1"), 0);
    QCOMPARE(s.messages.size(), 1);
    QCOMPARE(child<QLabel>(form.get(), "SoundLabel")->text(), QString("old.wav"));
    QCOMPARE(form->chosenSound(), std::string("/x/old.wav"));
    QTest::mouseClick(child<QPushButton>(form.get(), "OKBtn"), Qt::LeftButton);
    QCOMPARE(s.messages.size(), 2);
    QVERIFY(!form->isHidden());
}

void OzGetTimeFormTest::soundFoldersAndNames()
{
    test::TempDir dir;
    fs::create_directories(dir / "WINDOWS" / "MEDIA");
    fs::create_directories(dir / "sounds");
    struct Case {
        const char* what;
        fs::path windows, system;
        std::vector<fs::path> expected;
    };
    const Case cases[] = {
        {"Windows: its Media folder, found ignoring case",
         dir / "WINDOWS",
         dir / "sounds",
         {dir / "WINDOWS" / "MEDIA"}},
        {"elsewhere: ours, then the theme folder", {}, dir / "sounds", {dir / "app" / "Media", dir / "sounds"}},
        {"no theme folder", {}, dir / "nowhere", {dir / "app" / "Media"}},
    };
    for (const Case& c : cases)
        QVERIFY2(AlarmSoundFolders(dir / "app", c.windows, c.system) == c.expected, c.what);
    QVERIFY(ListAlarmSounds({dir / "app" / "Media", dir / "nowhere"}).empty());

    const std::pair<const char*, const char*> names[] = {{"C:\\WINDOWS\\Media\\Ring08.wav", "Ring08.wav"},
                                                         {"/usr/share/sounds/alsa/Noise.wav", "Noise.wav"},
                                                         {"Ring08.wav", "Ring08.wav"},
                                                         {"", ""}};
    for (const auto& [stored, name] : names)
        QCOMPARE(q(SoundFileName(stored)), QString(name));
}

QTEST_MAIN(OzGetTimeFormTest)
#include "OzGetTimeFormTest.moc"
