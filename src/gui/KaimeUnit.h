// The combination window "買い目表": one page per bet type with its table and four labels, the stake,
// the allocation mode and the multi boxes, and the vote to the plug-in "Kelvo投票プラグイン２". The
// tables are KaimeBuild's and the bet file BetFile's; the window holds the controls, follows the main
// window's race and marks, and remembers its settings.
#pragma once

#include "gui/Dialogs.h"
#include "kaime/AppearanceRates.h"
#include "kaime/KaimeBuild.h"
#include "util/ShellOpen.h"

#include <QWidget>
#include <array>
#include <filesystem>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace solvane {

class TMainForm;

class SettingsFile;
class TextGridModel;

class TKaimeForm : public QWidget {
    Q_OBJECT

public:
    // The settings ([KaimeSet], [Kaimelocate], [Dir] KelvoTohyo2) are read now; the geometry is put
    // back from [Kaimelocate].
    TKaimeForm(SettingsFile& settings, std::filesystem::path appFolder, QWidget* parent = nullptr);
    ~TKaimeForm() override;

    // Follows the main window: its race selections and mark changes rebuild the tables, its race day
    // holds the stakes, its date box and race list are what a vote checks.
    void attach(TMainForm& main);

    void setMessageSink(MessageSink sink) { inform_ = std::move(sink); }
    void setQuestion(YesNoQuestion ask) { ask_ = std::move(ask); }
    // The plug-in is started through the shell; tests watch it instead.
    void setShellLauncher(ShellLauncher launcher) { launch_ = std::move(launcher); }
    void setBeeper(Beeper beeper) { beep_ = std::move(beeper); }

    // The hidden "買い目" button: all eight tables rebuilt from the main window's race and marks.
    void KaimeMakeBtnClick();
    // A race was selected: its win stake into the stake edit, then the rebuild.
    void raceSelected(int slot);
    // "Kelvo2投票": the table of the shown page to the plug-in.
    void TohyoCSVBtnClick();
    // "全" (on) and "CL" (off) of a mark column: every runner of the race gets or loses the mark.
    void markAll(MarkKind kind, bool on);
    // A click on column 0 of a data row ("消") and on a heading (the sort) of the shown page's table.
    void gridClick(int row, int column);
    void headingClick(int column);

    const KaimeTables& tables() const { return tables_; }

protected:
    bool event(QEvent* event) override;

private:
    void buildPages();
    void showTables();
    void showTable(int type);
    void reallocate();
    KaimeContext context();
    long long amount() const;
    HaibunMode mode() const;
    MultiOptions multi() const;
    int shownType() const;
    bool raceShown() const;
    void tell(MessageKind kind, const std::string& text);

    SettingsFile& settings_;
    std::filesystem::path appFolder_;
    TMainForm* main_ = nullptr;
    MessageSink inform_;
    YesNoQuestion ask_;
    ShellLauncher launch_ = ShellOpen;
    Beeper beep_;
    AppearanceRateCache rates_;
    KaimeTables tables_;
    KaimeSortState sort_;
    bool restoring_ = false;

    QLineEdit* SaNumEditExC1 = nullptr;
    QButtonGroup* RadioGroup1 = nullptr;
    QCheckBox* CheckMulti = nullptr;
    QCheckBox* CheckMulti12 = nullptr;
    QCheckBox* CheckMulti23 = nullptr;
    QCheckBox* CheckMulti13 = nullptr;
    QPushButton* KaimeMakeBtn = nullptr;
    QPushButton* TohyoCSVBtn = nullptr;
    QTabWidget* PageControl1 = nullptr;
    std::array<QTableView*, kBakenTypes> grids_{};
    std::array<TextGridModel*, kBakenTypes> models_{};
    std::array<std::array<QLabel*, 4>, kBakenTypes> labels_{}; // 買い点数, 投票金額, 予想回収率, 回収金額
};

// "Kelvo投票プラグイン２フォルダ指定": a folder dialog "Kelvo投票プラグイン２フォルダの指定" that starts
// at [Dir] KelvoTohyo2 (the application folder when none is stored); the chosen folder is written
// there. True when a folder was chosen and stored; cancelling changes nothing. pick defaults to
// QFileDialog::getExistingDirectory.
bool KelvoFolderMenuClick(QWidget* parent, SettingsFile& settings, const std::filesystem::path& appFolder,
                          const MessageSink& inform = {}, const FolderChooser& pick = {});

} // namespace solvane
