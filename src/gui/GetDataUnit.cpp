#include "gui/GetDataUnit.h"

#include "app/ImportSettings.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "jvdata/JVMessage.h"
#include "store/Store.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace solvane {
namespace {

QDateTime toQt(const DateTime& t)
{
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

DateTime fromQt(const QDateTime& t)
{
    return DateTime{t.date().year(), t.date().month(),  t.date().day(),
                    t.time().hour(), t.time().minute(), t.time().second()};
}

QString u(const std::string& utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TGetDataForm::TGetDataForm(JVLink& jvlink, SettingsFile& settings, const Clock& clock, std::filesystem::path appFolder,
                           QWidget* parent)
    : QDialog(parent), jvlink_(jvlink), settings_(settings), clock_(clock), appFolder_(std::move(appFolder))
{
    setObjectName("GetDataForm");
    setWindowTitle(QStringLiteral("ＪＶデータ取込"));
    setModal(true);
    inform_ = [this](MessageKind kind, const QString& caption, const QString& text) {
        ShowMessageBox(this, kind, caption, text);
    };
    ask_ = [this](const QString& text) { return AskYesNo(this, text); };

    DateTimePicker1 = new QDateTimeEdit(this);
    DateTimePicker1->setObjectName("DateTimePicker1");
    DateTimePicker1->setDisplayFormat("yyyy/MM/dd HH:mm:ss");
    DateTimePicker1->setCalendarPopup(true);

    auto* group = new QGroupBox(QStringLiteral("取得データ"), this);
    rbtNormal = new QRadioButton(QStringLiteral("通常データ"), group);
    rbtNormal->setObjectName("rbtNormal");
    rbtSetup = new QRadioButton(QStringLiteral("セットアップデータ"), group);
    rbtSetup->setObjectName("rbtSetup");
    rbtNormal->setChecked(true);
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(rbtNormal);
    groupLayout->addWidget(rbtSetup);

    CheckBox1 = new QCheckBox(QStringLiteral("確定オッズも合わせて取得する"), this);
    CheckBox1->setObjectName("CheckBox1");
    auto* notice = new QLabel(QStringLiteral("↑ここをチェックすると取得期間に取得済みのオッズがある場合は確定オッズに"
                                             "上書きされますので、ご注意ください。"),
                              this);
    notice->setObjectName("Label3");
    notice->setWordWrap(true);
    notice->setStyleSheet("color: #c00000");

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar2 = new QProgressBar(this);
    ProgressBar2->setObjectName("ProgressBar2");
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName("ProgressLabel");
    MkDataLabel = new QLabel(this);
    MkDataLabel->setObjectName("MkDataLabel");
    Label5 = new QLabel(this);
    Label5->setObjectName("Label5");
    Label5->hide();

    ButtonStart = new QPushButton(QStringLiteral("データ取込"), this);
    ButtonStart->setObjectName("ButtonStart");
    ButtonCancel = new QPushButton(QStringLiteral("データ取込中止"), this);
    ButtonCancel->setObjectName("ButtonCancel");
    SpeedButton1 = new QPushButton(QStringLiteral("JV-Link設定"), this);
    SpeedButton1->setObjectName("SpeedButton1");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonStart);
    buttons->addWidget(ButtonCancel);
    buttons->addStretch();
    buttons->addWidget(SpeedButton1);

    auto* layout = new QVBoxLayout(this);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(new QLabel(QStringLiteral("取込開始日時"), this));
    pickerRow->addWidget(DateTimePicker1, 1);
    layout->addLayout(pickerRow);
    layout->addWidget(group);
    layout->addWidget(CheckBox1);
    layout->addWidget(notice);
    layout->addWidget(new QLabel(QStringLiteral("ダウンロード"), this));
    layout->addWidget(ProgressBar1);
    layout->addWidget(new QLabel(QStringLiteral("データ読込み"), this));
    layout->addWidget(ProgressBar2);
    layout->addWidget(ProgressLabel);
    layout->addWidget(MkDataLabel);
    layout->addWidget(Label5);
    layout->addLayout(buttons);
    resize(520, 360);

    TimerJVStatus = new QTimer(this);
    TimerJVStatus->setObjectName("TimerJVStatus");
    TimerJVStatus->setInterval(10);
    connect(TimerJVStatus, &QTimer::timeout, this, &TGetDataForm::TimerJVStatusTimer);
    connect(ButtonStart, &QPushButton::clicked, this, &TGetDataForm::ButtonStartClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TGetDataForm::ButtonCancelClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &TGetDataForm::SpeedButton1Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TGetDataForm::CheckBox1Click);

    // Window creation: the check box from the settings, set-up data when nothing was imported yet, and
    // the picker at the end of the last import or a year back.
    const ImportDefaults defaults = ImportDefaultsFrom(settings_, clock_.now());
    CheckBox1->setChecked(defaults.finalOdds);
    if (defaults.setupData)
        rbtSetup->setChecked(true);
    setPicker(defaults.start);
    setRunning(false);
}

TGetDataForm::~TGetDataForm() = default;

void TGetDataForm::setPicker(const DateTime& t)
{
    DateTimePicker1->setDateTime(toQt(t));
    Label5->setText(u(t.ymdHms()));
}

void TGetDataForm::setRunning(bool on)
{
    ButtonStart->setEnabled(!on);
    ButtonCancel->setEnabled(on);
    DateTimePicker1->setEnabled(!on);
    rbtNormal->setEnabled(!on);
    rbtSetup->setEnabled(!on);
    CheckBox1->setEnabled(!on);
    if (on)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// The standard sink beeps before an information message, as every interactive failure does.
void TGetDataForm::inform(const QString& text)
{
    inform_(MessageKind::Information, windowTitle(), text);
}

void TGetDataForm::CheckBox1Click()
{
    if (!settings_.set(keys::KakuteiOzGet, CheckBox1->isChecked()))
        inform(u(settings_.lastError()));
}

void TGetDataForm::ButtonStartClick()
{
    if (import_)
        return;
    const DateTime start = fromQt(DateTimePicker1->dateTime());
    inform_(MessageKind::Information, windowTitle(),
            QString::asprintf("%04d年%02d月%02d日%02d時%02d分%02d秒", start.year, start.month, start.day, start.hour,
                              start.minute, start.second) +
                QStringLiteral("以降のデータ取込を開始します。データ作成が終了するまで本ソフトを操作したり"
                               "他のアプリケーションを操作することは極力避けてください。"));

    TimerJVStatus->stop();
    ProgressBar1->setValue(0);
    ProgressBar2->setValue(0);
    messagesShown_ = 0;

    BulkImportOptions options;
    options.dataFolder = StoreFolder(appFolder_);
    options.start = start;
    options.setupData = rbtSetup->isChecked();
    options.KakuteiOzGet = CheckBox1->isChecked();

    BulkImportCallbacks callbacks;
    callbacks.pumpEvents = [] { QApplication::processEvents(QEventLoop::AllEvents, 5); };
    callbacks.progressLabel = [this](const std::string& text) { ProgressLabel->setText(u(text)); };
    callbacks.download = [this](int position, int maximum) {
        ProgressBar1->setMaximum(std::max(1, maximum));
        ProgressBar1->setValue(position);
    };
    callbacks.reading = [this](int position, int maximum) {
        ProgressBar2->setMaximum(std::max(1, maximum));
        ProgressBar2->setValue(position);
    };
    callbacks.dataLabel = [this](const std::string& text) { MkDataLabel->setText(u(text)); };

    import_ = std::make_unique<BulkImport>(jvlink_, JVCancelRequested, options, callbacks);
    setRunning(true);
    switch (import_->start()) {
    case BulkImport::State::Downloading:
        TimerJVStatus->start();
        return;
    case BulkImport::State::Reading:
        runRead();
        return;
    default:
        finished();
        return;
    }
}

void TGetDataForm::TimerJVStatusTimer()
{
    if (!import_ || import_->state() != BulkImport::State::Downloading) {
        TimerJVStatus->stop();
        return;
    }
    const auto state = import_->pollStatus();
    if (state == BulkImport::State::Downloading)
        return;
    TimerJVStatus->stop();
    if (state == BulkImport::State::Reading)
        runRead();
    else
        finished();
}

void TGetDataForm::runRead()
{
    import_->read();
    finished();
}

void TGetDataForm::showNewMessages()
{
    const auto& messages = import_->result().messages;
    for (; messagesShown_ < messages.size(); ++messagesShown_)
        inform(u(messages[messagesShown_]));
}

void TGetDataForm::finished()
{
    const BulkImportResult result = import_->result();
    showNewMessages();
    import_.reset();
    setRunning(false);
    if (result.LastTime) {
        if (auto t = DateTime::parse(*result.LastTime))
            setPicker(*t);
        if (!settings_.set(keys::LastTime, *result.LastTime))
            inform(u(settings_.lastError()));
    }
    // A request that ended without a message closed cleanly: one beep says the work is over.
    if (result.messages.empty())
        QApplication::beep();
}

void TGetDataForm::ButtonCancelClick()
{
    if (!import_)
        return;
    // The download goes on while the question is open, and the import may end behind it: an answer
    // given afterwards has nothing left to stop.
    const BulkImport* asked = import_.get();
    if (!ask_(QStringLiteral("データ取込を中止します。実行しますか？")) || import_.get() != asked)
        return;
    TimerJVStatus->stop();
    const bool downloading = import_->state() == BulkImport::State::Downloading;
    import_->cancel();
    showNewMessages();
    // While downloading no read loop is running to notice the cancel, so the request ends here.
    if (downloading || import_->state() == BulkImport::State::Finished)
        finished();
}

void TGetDataForm::SpeedButton1Click()
{
    const int rc = jvlink_.JVSetUIProperties();
    if (rc != 0)
        inform(QStringLiteral("JVSetUIPropertiesエラー：") +
               u(JVFailure("JVSetUIProperties", rc, jvlink_.lastError())));
}

void TGetDataForm::closeEvent(QCloseEvent* event)
{
    // The import runs inside this window's event handling; closing it mid-way would pull the store
    // out from under the read loop, so the user stops it first.
    if (import_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TGetDataForm::reject()
{
    if (!import_)
        QDialog::reject();
}

} // namespace solvane
