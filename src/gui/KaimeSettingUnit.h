// The rule window "買い目設定": the ◎/○/▲ selection rule in 24 lists and three OR/AND switches, the
// period of a backtest, "買い目に反映" (the rule's marks on the main window's race card), the backtest
// run on a worker thread with its progress and "中止", and the rule file's "保存"/"読込". The rule,
// its application and the run are SelectionRule's and Backtest's; the window holds the controls.
#pragma once

#include "gui/Dialogs.h"
#include "gui/KenshoUnit.h"
#include "gui/WorkerProgress.h"
#include "verify/Backtest.h"
#include "verify/SelectionRule.h"

#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QButtonGroup;
class QDateEdit;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace solvane {

class TMainForm;

class TKaimeSettingForm : public QWidget {
    Q_OBJECT

public:
    // A window of main for the whole run; the verification window "検証" is made with it.
    explicit TKaimeSettingForm(TMainForm& main);
    ~TKaimeSettingForm() override;

    void setMessageSink(MessageSink sink);
    void setQuestion(YesNoQuestion ask) { ask_ = std::move(ask); }
    void setBeeper(Beeper beeper) { beep_ = std::move(beeper); }
    void setSaveFileChooser(SaveFileChooser chooser) { chooseSave_ = std::move(chooser); }
    void setOpenFileChooser(OpenFileChooser chooser) { chooseOpen_ = std::move(chooser); }

    // The rule as the lists and switches show it, and back.
    SelectionRule rule() const;
    void setRule(const SelectionRule& rule);

    // "買い目に反映": the rule's marks on the race the main window shows; the combination form follows.
    void KaimeCKBtnClick();
    // "ｼﾐｭﾚｰｼｮﾝ開始": after the question, the run over the period on a worker thread.
    void SimBtnClick();
    // "中止": the run stops after the race it is building; nothing is written.
    void CancelBtnClick();
    // "保存" and "読込": the rule as a rule file.
    void SaveBtnClick();
    void LoadBtnClick();
    // The period as texts yyyymmdd.
    std::string fromText() const;
    std::string toText() const;
    // The period reset as on opening: the end today, the start "年分" × 365 days before.
    void resetPeriod();

    bool running() const { return run_.running(); }
    TKenshoForm* kenshoForm() const { return KenshoForm; }

signals:
    // A run ended (the window has shown its outcome).
    void runFinished(solvane::BacktestOutcome outcome);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void toggleAll(QListWidget* list);
    void showPeriod();
    void SpinEdit1Change(int years);
    // Called on the window's thread for each progress report of the worker and once at its end.
    void showProgress();
    void finishRun(const BacktestResult& result);
    // Stops a running worker and waits for it; its result is shown quietly.
    void stopRun();
    void tell(MessageKind kind, const QString& text);

    TMainForm& main_;
    MessageSink inform_;
    YesNoQuestion ask_;
    Beeper beep_;
    SaveFileChooser chooseSave_;
    OpenFileChooser chooseOpen_;

    WorkerRun<BacktestProgress, BacktestResult> run_;

    std::array<std::array<QListWidget*, kRuleConditions>, kRuleGroups> lists_{};
    std::array<QButtonGroup*, kRuleGroups> OrAndRadioGroup{};
    QDateEdit* DateTimePicker1 = nullptr;
    QDateEdit* DateTimePicker2 = nullptr;
    QLabel* DateLabel1 = nullptr;
    QLabel* DateLabel2 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* OddsBeforeEdit = nullptr; // 0: final odds; 1-60: minutes before the post
    QPushButton* KaimeCKBtn = nullptr;
    QPushButton* SimBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* LoadBtn = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* ProgressLabel = nullptr;
    TKenshoForm* KenshoForm = nullptr;
};

} // namespace solvane
