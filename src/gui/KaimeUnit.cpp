#include "gui/KaimeUnit.h"

#include "gui/Main.h"

#include "app/AppShell.h"

#include "app/KaimeSettings.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "gui/ColumnFitter.h"
#include "gui/CompanionWindow.h"
#include "gui/FrozenColumns.h"
#include "gui/GridCopy.h"
#include "gui/TextGridModel.h"
#include "raceday/RaceRecords.h"
#include "util/Files.h"
#include "util/Text.h"
#include "voting/BetFile.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace solvane {
namespace {

constexpr std::array<const char*, kBakenTypes> kGridNames{"StringGrid3",  "StringGrid5",  "StringGrid28",
                                                          "StringGrid30", "StringGrid31", "StringGrid32",
                                                          "StringGrid33", "StringGrid34"};
constexpr std::array<const char*, 4> kLabelCaptions{"買い点数", "投票金額", "予想回収率", "回収金額"};
constexpr std::array<const char*, 4> kLabelNames{"TensuLabel", "KingakuLabel", "RitsuLabel", "KaishuLabel"};

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

} // namespace

TKaimeForm::TKaimeForm(SettingsFile& settings, std::filesystem::path appFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), appFolder_(std::move(appFolder)), rates_(appFolder_),
      tables_(EmptyKaimeTables())
{
    setObjectName("KaimeForm");
    setWindowTitle("買い目表");
    inform_ = OwnBeepMessageBoxes(this); // the beep is the form's own (beep_)
    // Money leaves on a Yes: Enter alone never votes.
    ask_ = [this](const QString& text) { return AskYesNo(this, text, QMessageBox::No); };
    beep_ = [] { QApplication::beep(); };

    buildPages();

    // Put back what was chosen last time without rebuilding for each box.
    restoring_ = true;
    RadioGroup1->button(static_cast<int>(HaibunModeFrom(settings_)))->setChecked(true);
    const MultiOptions multi = MultiOptionsFrom(settings_);
    CheckMulti->setChecked(multi.multi);
    CheckMulti12->setChecked(multi.multi12);
    CheckMulti23->setChecked(multi.multi23);
    CheckMulti13->setChecked(multi.multi13);
    PageControl1->setCurrentIndex(std::clamp(settings_.get(keys::Bakenshu), 0, kBakenTypes - 1));
    restoring_ = false;
    showTables();
}

TKaimeForm::~TKaimeForm() = default;

void TKaimeForm::buildPages()
{
    auto* root = new QVBoxLayout(this);
    // Two rows of controls, so the form fits beside the race list of a 1366-pixel screen.
    auto* top = new QHBoxLayout;
    root->addLayout(top);
    auto* second = new QHBoxLayout;
    root->addLayout(second);

    auto* stakeBox = new QGroupBox("入力投票金額", this);
    auto* stakeLayout = new QHBoxLayout(stakeBox);
    SaNumEditExC1 = new QLineEdit(stakeBox);
    SaNumEditExC1->setObjectName("SaNumEditExC1");
    SaNumEditExC1->setMaxLength(8);
    SaNumEditExC1->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,8}"), SaNumEditExC1));
    SaNumEditExC1->setAlignment(Qt::AlignRight);
    stakeLayout->addWidget(SaNumEditExC1);
    stakeLayout->addWidget(new QLabel("円", stakeBox));
    top->addWidget(stakeBox);
    connect(SaNumEditExC1, &QLineEdit::textEdited, this, [this] {
        if (main_ && raceShown())
            SetStake(main_->raceDay(), BakenType::Tan, main_->raceDay().CurRace, amount());
        reallocate();
    });

    auto* haibunBox = new QGroupBox("資金配分", this);
    haibunBox->setObjectName("RadioGroup1");
    auto* haibunLayout = new QHBoxLayout(haibunBox);
    RadioGroup1 = new QButtonGroup(haibunBox);
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(q(kHaibunModeNames[at(i)]), haibunBox);
        button->setObjectName(QString("RadioGroup1_%1").arg(i));
        RadioGroup1->addButton(button, i);
        haibunLayout->addWidget(button);
    }
    top->addWidget(haibunBox);
    connect(RadioGroup1, &QButtonGroup::idClicked, this, [this](int id) {
        settings_.set(keys::HaibunSet, id);
        reallocate();
    });

    auto* multiBox = new QGroupBox("マルチ指定", this);
    auto* multiLayout = new QHBoxLayout(multiBox);
    const auto addMulti = [&](QCheckBox*& box, const char* name, const char* caption, const FlagKey& key) {
        box = new QCheckBox(caption, multiBox);
        box->setObjectName(name);
        multiLayout->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this, &key](bool on) {
            if (restoring_)
                return;
            settings_.set(key, on);
            KaimeMakeBtnClick();
        });
    };
    addMulti(CheckMulti, "CheckMulti", "マルチ", keys::CheckMulti);
    addMulti(CheckMulti12, "CheckMulti12", "1,2着マルチ", keys::CheckMulti12);
    addMulti(CheckMulti23, "CheckMulti23", "2,3着マルチ", keys::CheckMulti23);
    addMulti(CheckMulti13, "CheckMulti13", "1,3着マルチ", keys::CheckMulti13);
    second->addWidget(multiBox);

    auto* markBox = new QGroupBox("印", this);
    auto* markLayout = new QHBoxLayout(markBox);
    const std::array<MarkKind, 3> kinds{MarkKind::Honmei, MarkKind::Taikou, MarkKind::Tanana};
    for (int i = 0; i < 3; ++i) {
        const MarkKind kind = kinds[at(i)];
        markLayout->addWidget(new QLabel(q(MarkHeading(kind)), markBox));
        auto* all = new QPushButton("全", markBox);
        all->setObjectName(QString("AllChkBtn%1").arg(i + 1));
        auto* clear = new QPushButton("CL", markBox);
        clear->setObjectName(QString("AllCLBtn%1").arg(i + 1));
        markLayout->addWidget(all);
        markLayout->addWidget(clear);
        connect(all, &QPushButton::clicked, this, [this, kind] { markAll(kind, true); });
        connect(clear, &QPushButton::clicked, this, [this, kind] { markAll(kind, false); });
    }
    second->addWidget(markBox);
    second->addStretch();

    KaimeMakeBtn = new QPushButton("買い目", this);
    KaimeMakeBtn->setObjectName("KaimeMakeBtn");
    KaimeMakeBtn->hide();
    connect(KaimeMakeBtn, &QPushButton::clicked, this, &TKaimeForm::KaimeMakeBtnClick);
    TohyoCSVBtn = new QPushButton("Kelvo2投票", this);
    TohyoCSVBtn->setObjectName("TohyoCSVBtn");
    TohyoCSVBtn->setToolTip("Kelvo投票プラグイン２経由で投票します");
    connect(TohyoCSVBtn, &QPushButton::clicked, this, &TKaimeForm::TohyoCSVBtnClick);
    top->addWidget(TohyoCSVBtn);
    top->addStretch();

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    root->addWidget(PageControl1, 1);
    for (int t = 0; t < kBakenTypes; ++t) {
        auto* page = new QWidget(PageControl1);
        auto* layout = new QVBoxLayout(page);
        auto* labelRow = new QWidget(page);
        labelRow->setObjectName(QString("LabelRow%1").arg(t));
        auto* labelLayout = new QHBoxLayout(labelRow);
        labelLayout->setContentsMargins(0, 0, 0, 0);
        for (int l = 0; l < 4; ++l) {
            labelLayout->addWidget(new QLabel(kLabelCaptions[at(l)], labelRow));
            auto* value = new QLabel(labelRow);
            value->setObjectName(QString("%1%2").arg(kLabelNames[at(l)]).arg(t));
            value->setMinimumWidth(70);
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            labelLayout->addWidget(value);
            labels_[at(t)][at(l)] = value;
        }
        labelLayout->addStretch();
        layout->addWidget(labelRow);

        auto* view = new QTableView(page);
        view->setObjectName(kGridNames[at(t)]);
        auto* model = new TextGridModel(view);
        view->setModel(model);
        ColumnFitter::attach(view);
        view->setSortingEnabled(false);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->verticalHeader()->hide();
        view->verticalHeader()->setDefaultSectionSize(20);
        view->horizontalHeader()->setSectionsClickable(true);
        layout->addWidget(view, 1);
        grids_[at(t)] = view;
        models_[at(t)] = model;
        GridCopy::attach(view);
        // 消, No. and the combination stay in sight while the odds and money columns scroll.
        QTableView* frozen = FrozenColumns::attach(view, kLabelColumn + 1)->overlay();
        for (QTableView* v : {view, frozen}) {
            connect(v, &QTableView::clicked, this,
                    [this](const QModelIndex& index) { gridClick(index.row(), index.column()); });
            connect(v->horizontalHeader(), &QHeaderView::sectionClicked, this,
                    [this](int column) { headingClick(column); });
        }
        PageControl1->addTab(page, q(InfoOf(kAllBakenTypes[at(t)]).caption));
    }
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (!restoring_)
            settings_.set(keys::Bakenshu, index);
        for (int t = 0; t < kBakenTypes; ++t) {
            QFont font = labels_[at(t)][0]->font();
            font.setBold(t == index);
            for (QLabel* label : labels_[at(t)])
                label->setFont(font);
        }
    });
}

void TKaimeForm::attach(TMainForm& main)
{
    main_ = &main;
    connect(&main, &TMainForm::raceSelected, this, &TKaimeForm::raceSelected);
    connect(&main, &TMainForm::marksChanged, this, [this](int) { KaimeMakeBtnClick(); });
    connect(&main, &QObject::destroyed, this, [this] { main_ = nullptr; });
    if (raceShown())
        raceSelected(main.raceDay().CurRace);
}

bool TKaimeForm::raceShown() const
{
    if (!main_)
        return false;
    return main_->selectedRace().has_value() && !main_->raceDay().DayKey.empty();
}

long long TKaimeForm::amount() const
{
    return toIntDef(SaNumEditExC1->text().toStdString(), 0);
}

HaibunMode TKaimeForm::mode() const
{
    return static_cast<HaibunMode>(std::clamp(RadioGroup1->checkedId(), 0, 3));
}

MultiOptions TKaimeForm::multi() const
{
    return MultiOptions{CheckMulti->isChecked(), CheckMulti12->isChecked(), CheckMulti23->isChecked(),
                        CheckMulti13->isChecked()};
}

int TKaimeForm::shownType() const
{
    return std::clamp(PageControl1->currentIndex(), 0, kBakenTypes - 1);
}

KaimeContext TKaimeForm::context()
{
    if (!raceShown())
        return KaimeContext{amount(), mode(), {}, nullptr, 0};
    return ContextOf(main_->raceDay(), main_->raceDay().CurRace, amount(), mode(), &rates_.counts());
}

void TKaimeForm::raceSelected(int slot)
{
    if (main_)
        SaNumEditExC1->setText(QString::number(StakeOf(main_->raceDay(), BakenType::Tan, slot)));
    KaimeMakeBtnClick();
}

void TKaimeForm::KaimeMakeBtnClick()
{
    if (!raceShown()) {
        tables_ = EmptyKaimeTables();
    } else {
        const RaceDay& day = main_->raceDay();
        solvane::KaimeMakeBtnClick(tables_, day, day.CurRace, main_->cardMarks(), multi(), context());
    }
    showTables();
}

void TKaimeForm::reallocate()
{
    if (restoring_)
        return;
    ReallocateAll(tables_, context());
    for (int t = 0; t < kBakenTypes; ++t)
        showTable(t);
}

void TKaimeForm::showTables()
{
    for (int t = 0; t < kBakenTypes; ++t) {
        models_[at(t)]->setGrid(tables_[at(t)].grid);
        showTable(t);
    }
}

void TKaimeForm::showTable(int t)
{
    const KaimeTable& table = tables_[at(t)];
    if (models_[at(t)]->rowCount() == table.grid.rowCount())
        models_[at(t)]->refresh(table.grid);
    else
        models_[at(t)]->setGrid(table.grid);
    const std::array<const std::string*, 4> texts{&table.labels.count, &table.labels.total, &table.labels.rate,
                                                  &table.labels.paid};
    for (int l = 0; l < 4; ++l)
        labels_[at(t)][at(l)]->setText(q(*texts[at(l)]));
    QPalette palette = labels_[at(t)][2]->palette();
    if (table.labels.rateStyle.hasForeground)
        palette.setColor(QPalette::WindowText, QColor::fromRgb(table.labels.rateStyle.foreground));
    else
        palette = labels_[at(t)][1]->palette();
    labels_[at(t)][2]->setPalette(palette);
}

void TKaimeForm::gridClick(int row, int column)
{
    if (column != kDeleteColumn)
        return;
    const int t = shownType();
    if (ToggleDelete(tables_[at(t)], row, context()))
        showTable(t);
}

void TKaimeForm::headingClick(int column)
{
    const int t = shownType();
    if (sort_.clickHeading(tables_[at(t)], column))
        showTable(t);
}

void TKaimeForm::markAll(MarkKind kind, bool on)
{
    if (!raceShown())
        return;
    Marks marks = main_->cardMarks();
    const int runners = RunnerCount(main_->raceDay().RaRecs.at(at(main_->raceDay().CurRace)));
    for (int h = 1; h <= runners; ++h)
        marks.set(kind, h, on);
    main_->setCardMarks(marks); // marksChanged follows and rebuilds the tables
}

void TKaimeForm::tell(MessageKind kind, const std::string& text)
{
    if (kind != MessageKind::Plain && beep_)
        beep_();
    inform_(kind, windowTitle(), q(text));
}

void TKaimeForm::TohyoCSVBtnClick()
{
    TohyoInput in;
    if (main_) {
        in.dayText = main_->selectedDay().toStdString();
        if (const auto race = main_->selectedRace()) {
            in.raceSelected = true;
            in.raceText = race->toStdString();
        }
        const RaceDay& day = main_->raceDay();
        if (day.CurRace >= 0 && at(day.CurRace) < day.RaRecs.size())
            in.ra = day.RaRecs[at(day.CurRace)];
        in.now = main_->shell().clock().now();
    }
    const int t = shownType();
    in.grid = &tables_[at(t)].grid;
    in.type = kAllBakenTypes[at(t)];
    in.pluginFolder = settings_.get(keys::KelvoTohyo2);
    TohyoPlan plan = PrepareTohyo(in);
    if (!plan.message.empty()) {
        tell(MessageKind::Information, plan.message);
        return;
    }
    if (!ask_(q(plan.question)))
        return;
    std::string error;
    if (!WriteBetFile(plan, &error)) {
        tell(MessageKind::Error, error);
        return;
    }
    SetPluginFolder(plan, settings_.get(keys::KelvoTohyo2));
    QDir::setCurrent(q(pathToUtf8(plan.pluginFolder)));
    if (!LaunchPlugin(plan, nullptr, launch_)) {
        tell(MessageKind::Information, std::string(kTohyoLaunchErrorMessage));
        QDir::setCurrent(QString::fromStdString(pathToUtf8(appFolder_)));
    }
}

bool TKaimeForm::event(QEvent* e)
{
    // Kept when the user turns to another window too, not only at close (ShowCompanion keeps it then).
    if (e->type() == QEvent::WindowDeactivate)
        StoreGeometry(settings_, kKaimeGeometry, RectOf(geometry()));
    return QWidget::event(e);
}

bool KelvoFolderMenuClick(QWidget* parent, SettingsFile& settings, const std::filesystem::path& appFolder,
                          const MessageSink& inform, const FolderChooser& pick)
{
    const std::string stored = settings.get(keys::KelvoTohyo2);
    const QString start = QString::fromStdString(trim(stored).empty() ? pathToUtf8(appFolder) : stored);
    const QString caption = "Kelvo投票プラグイン２フォルダの指定";
    const QString chosen =
        pick ? pick(parent, caption, start) : QFileDialog::getExistingDirectory(parent, caption, start);
    if (chosen.isEmpty())
        return false;
    if (!settings.set(keys::KelvoTohyo2, QDir::toNativeSeparators(chosen).toStdString())) {
        if (inform)
            inform(MessageKind::Error, caption, "設定ファイルに書き込めませんでした。");
        return false;
    }
    return true;
}

} // namespace solvane
