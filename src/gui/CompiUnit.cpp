#include "gui/CompiUnit.h"

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "util/Files.h"
#include "util/Text.h"

#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace solvane {
namespace {

QString u(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& hint = {})
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

QPlainTextEdit* memo(QWidget* parent, const char* name)
{
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(name);
    // A forecast page lines its marks up by column: no wrapping, a fixed-pitch font.
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font("Monospace");
    font.setStyleHint(QFont::TypeWriter);
    m->setFont(font);
    return m;
}

} // namespace

TCompiForm::TCompiForm(SettingsFile& settings, std::filesystem::path appFolder, QWidget* parent)
    : QDialog(parent), settings_(settings), appFolder_(std::move(appFolder))
{
    setObjectName("CompiForm");
    setWindowTitle(QStringLiteral("予想印入力"));
    inform_ = [this](MessageKind kind, const QString& caption, const QString& text) {
        ShowMessageBox(this, kind, caption, text);
    };
    ask_ = [this](const QString& text) { return AskYesNo(this, text); };
    clipboard_ = [] { return QGuiApplication::clipboard()->text(); };

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");

    auto* fiPage = new QWidget(PageControl1);
    fiPage->setObjectName("TabSheet1");
    Memo1 = memo(fiPage, "Memo1");
    CompiBtn = button(fiPage, "CompiBtn", QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞよりFI予想を入力"),
                      QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞよりFI予想の入力をします"));
    ReadBtn = button(fiPage, "ReadBtn", QStringLiteral("貼り付け時の取込"));
    auto* fiButtons = new QHBoxLayout;
    fiButtons->addWidget(CompiBtn);
    fiButtons->addWidget(ReadBtn);
    fiButtons->addStretch();
    auto* fiLayout = new QVBoxLayout(fiPage);
    fiLayout->addLayout(fiButtons);
    fiLayout->addWidget(Memo1);
    PageControl1->addTab(fiPage, QStringLiteral("FI予想入力"));

    auto* tfPage = new QWidget(PageControl1);
    tfPage->setObjectName("TabSheet2");
    Memo2 = memo(tfPage, "Memo2");
    LbSpeedButton1 = button(tfPage, "LbSpeedButton1", QStringLiteral("トリプルファクター予想を入力"),
                            QStringLiteral("トリプルファクター予想印の入力をします"));
    ReadBtn2 = button(tfPage, "ReadBtn2", QStringLiteral("貼り付け時の取込"));
    auto* tfButtons = new QHBoxLayout;
    tfButtons->addWidget(LbSpeedButton1);
    tfButtons->addWidget(ReadBtn2);
    tfButtons->addStretch();
    auto* tfLayout = new QVBoxLayout(tfPage);
    tfLayout->addLayout(tfButtons);
    tfLayout->addWidget(Memo2);
    PageControl1->addTab(tfPage, QStringLiteral("トリプルファクター入力"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);

    connect(CompiBtn, &QPushButton::clicked, this, [this] { CompiBtnClick(); });
    connect(ReadBtn, &QPushButton::clicked, this, [this] { ReadBtnClick(); });
    connect(LbSpeedButton1, &QPushButton::clicked, this, [this] { LbSpeedButton1Click(); });
    connect(ReadBtn2, &QPushButton::clicked, this, [this] { ReadBtn2Click(); });
    // Clicks land on the memos' viewports.
    Memo1->viewport()->installEventFilter(this);
    Memo2->viewport()->installEventFilter(this);
    connect(this, &QDialog::finished, this, [this] {
        if (onClosed_)
            onClosed_();
    });

    resize(640, 480);
    move(settings_.get(keys::LocateCompiFormLeft), settings_.get(keys::LocateCompiFormTop));
}

TCompiForm::~TCompiForm()
{
    // A settings file that cannot be written keeps the old position; nothing to tell at this point.
    settings_.set(keys::LocateCompiFormTop, y());
    settings_.set(keys::LocateCompiFormLeft, x());
}

bool TCompiForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Memo1->viewport())
            Memo1Click(Memo1);
        else if (watched == Memo2->viewport())
            Memo1Click(Memo2);
    }
    return QDialog::eventFilter(watched, event);
}

void TCompiForm::Memo1Click(QPlainTextEdit* memo)
{
    if (memo)
        memo->selectAll();
}

void TCompiForm::CompiBtnClick()
{
    Memo1->setPlainText(clipboard_ ? clipboard_() : QString());
    ReadBtnClick();
}

void TCompiForm::ReadBtnClick()
{
    import(ForecastKind::FI, Memo1);
}

void TCompiForm::LbSpeedButton1Click()
{
    Memo2->setPlainText(clipboard_ ? clipboard_() : QString());
    ReadBtn2Click();
}

void TCompiForm::ReadBtn2Click()
{
    import(ForecastKind::TF, Memo2);
}

void TCompiForm::import(ForecastKind kind, QPlainTextEdit* memo)
{
    const std::string text = ForecastTextFromUtf8(memo->toPlainText().toStdString());
    const ForecastOutcome outcome = ImportForecast(
        kind, text, appFolder_, [this](const std::string& question) { return ask_ && ask_(u(question)); });
    if (outcome.message.empty())
        return;
    const MessageKind messageKind =
        outcome.status == ForecastOutcome::Status::Failed ? MessageKind::Error : MessageKind::Information;
    inform_(messageKind, windowTitle(), u(outcome.message));
}

bool HarunireFolderClick(QWidget* parent, SettingsFile& settings, const std::filesystem::path& appFolder,
                         const MessageSink& inform, const FolderPicker& pick)
{
    const std::string stored = settings.readText(keys::Harunire.section, keys::Harunire.key, "");
    const std::string start =
        trim(stored).empty() ? pathToUtf8(findChildIgnoreCase(appFolder, "DATA")) : std::string(trim(stored));
    const QString caption = QStringLiteral("ハルニレフォルダの指定");
    const QString chosen =
        pick ? pick(parent, caption, u(start)) : QFileDialog::getExistingDirectory(parent, caption, u(start));
    if (chosen.isEmpty())
        return false;
    if (!settings.set(keys::Harunire, QDir::toNativeSeparators(chosen).toStdString())) {
        if (inform)
            inform(MessageKind::Error, caption, u(settings.lastError()));
        return false;
    }
    return true;
}

} // namespace solvane
