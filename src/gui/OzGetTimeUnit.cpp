#include "gui/OzGetTimeUnit.h"

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "util/Files.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace solvane {

namespace {

QString u(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QSpinBox* spin(QWidget* parent, const char* name, int min, int max, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(min, max);
    box->setValue(value); // a stored value outside the range shows at its nearest end
    return box;
}

QLabel* text(QWidget* parent, const char* name, const QString& caption, bool wrap = false)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setWordWrap(wrap);
    return label;
}

} // namespace

TOzGetTimeForm::TOzGetTimeForm(SettingsFile& settings, std::vector<std::filesystem::path> soundFolders,
                               SoundPlayer play, QWidget* parent)
    : QDialog(parent), settings_(settings), play_(std::move(play))
{
    setObjectName("OzGetTimeForm");
    setWindowTitle("データﾞ自動取得時刻指定");
    auto* layout = new QVBoxLayout(this);

    auto* odds = new QGroupBox("オッズ自動取得時刻指定", this);
    odds->setObjectName("GroupBox1");
    auto* oddsBox = new QVBoxLayout(odds);
    oddsBox->addWidget(
        text(odds, "Label1", "ｵｯｽﾞを自動取得する際に各ﾚｰｽ発走何分前に取得機能を起動するかを指定します。", true));
    auto* oddsRow = new QHBoxLayout;
    SpinEdit1 = spin(odds, "SpinEdit1", 1, 59, settings_.get(keys::AutoOzGet));
    SpinEdit2 = spin(odds, "SpinEdit2", 0, 59, settings_.get(keys::AutoOzGetSec));
    oddsRow->addWidget(text(odds, "Label2", "発走"));
    oddsRow->addWidget(SpinEdit1);
    oddsRow->addWidget(text(odds, "Label3", "分"));
    oddsRow->addWidget(SpinEdit2);
    oddsRow->addWidget(text(odds, "Label4", "秒前"));
    oddsRow->addStretch(1);
    oddsBox->addLayout(oddsRow);
    layout->addWidget(odds);
    tohyoInterval_ = settings_.get(keys::AutoTohyoInterval);

    auto* results = new QGroupBox("結果情報自動取得時刻指定", this);
    results->setObjectName("GroupBox2");
    auto* resultsBox = new QVBoxLayout(results);
    resultsBox->addWidget(
        text(results, "Label5", "随時更新されるﾚｰｽ結果情報を何分おきに自動取得するか指定します。", true));
    auto* resultsRow = new QHBoxLayout;
    SpinEdit3 = spin(results, "SpinEdit3", 5, 59, settings_.get(keys::AutoRdataGet));
    resultsRow->addWidget(SpinEdit3);
    resultsRow->addWidget(text(results, "Label6", "分間隔"));
    resultsRow->addStretch(1);
    resultsBox->addLayout(resultsRow);
    layout->addWidget(results);

    auto* sound = new QGroupBox("オッズ自動取得時通知音指定", this);
    sound->setObjectName("GroupBox3");
    auto* soundBox = new QVBoxLayout(sound);
    soundBox->addWidget(text(sound, "Label7",
                             "オッズ取得時に鳴らす通知音を指定出来ます。通知音は下記リストよりWAVファイルを選択し、"
                             "指定してください。ダブルクリックで再生もできます。",
                             true));
    FileListBox1 = new QListWidget(sound);
    FileListBox1->setObjectName("FileListBox1");
    for (const SoundFile& file : ListAlarmSounds(soundFolders)) {
        auto* item = new QListWidgetItem(u(file.name), FileListBox1);
        item->setData(Qt::UserRole, u(pathToUtf8(file.path)));
    }
    soundBox->addWidget(FileListBox1);
    auto* soundRow = new QHBoxLayout;
    chosen_ = settings_.get(keys::OzAlarm);
    SoundLabel = text(sound, "SoundLabel", u(SoundFileName(chosen_)));
    SoundLabel->installEventFilter(this);
    PlayBtn = new QPushButton("再生", sound);
    PlayBtn->setObjectName("PlayBtn");
    soundRow->addWidget(text(sound, "Label8", "指定通知音"));
    soundRow->addWidget(SoundLabel, 1);
    soundRow->addWidget(PlayBtn);
    soundBox->addLayout(soundRow);
    layout->addWidget(sound);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    layout->addWidget(OKBtn, 0, Qt::AlignRight);

    connect(FileListBox1, &QListWidget::itemClicked, this, &TOzGetTimeForm::FileListBox1Click);
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, &TOzGetTimeForm::FileListBox1DblClick);
    connect(PlayBtn, &QPushButton::clicked, this, &TOzGetTimeForm::PlayBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TOzGetTimeForm::OKBtnClick);
}

TOzGetTimeForm::~TOzGetTimeForm() = default;

bool TOzGetTimeForm::write(bool ok, const char* what)
{
    if (!ok && inform_)
        inform_(MessageKind::Error, windowTitle(), QString(what) + "：" + u(settings_.lastError()));
    return ok;
}

void TOzGetTimeForm::FileListBox1Click()
{
    const QListWidgetItem* item = FileListBox1->currentItem();
    if (!item)
        return;
    const std::string path = item->data(Qt::UserRole).toString().toStdString();
    if (!write(settings_.set(keys::OzAlarm, path), "OzAlarm"))
        return;
    chosen_ = path;
    SoundLabel->setText(u(SoundFileName(chosen_)));
}

void TOzGetTimeForm::FileListBox1DblClick()
{
    const QListWidgetItem* item = FileListBox1->currentItem();
    if (item && play_)
        play_(item->data(Qt::UserRole).toString());
}

void TOzGetTimeForm::SoundLabelDblClick()
{
    if (play_ && !chosen_.empty())
        play_(u(chosen_));
}

void TOzGetTimeForm::PlayBtnClick()
{
    SoundLabelDblClick();
}

void TOzGetTimeForm::OKBtnClick()
{
    const bool ok = write(settings_.set(keys::AutoOzGet, SpinEdit1->value()), "AutoOzGet") &&
                    write(settings_.set(keys::AutoOzGetSec, SpinEdit2->value()), "AutoOzGetSec") &&
                    write(settings_.set(keys::AutoTohyoInterval, tohyoInterval_), "AutoTohyoInterval") &&
                    write(settings_.set(keys::AutoRdataGet, SpinEdit3->value()), "AutoRdataGet") &&
                    // The full path of the chosen sound, not a path rebuilt from the label's name: the sound
                    // may lie in any of the offered folders, or where the settings file alone put it.
                    (chosen_.empty() || write(settings_.set(keys::OzAlarm, chosen_), "OzAlarm"));
    if (ok)
        accept();
}

bool TOzGetTimeForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SoundLabel && event->type() == QEvent::MouseButtonDblClick) {
        SoundLabelDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace solvane
