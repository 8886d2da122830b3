// The verification window "検証": the race-attribute filters, the listed races of the backtest file with
// their per-type results, the per-type totals and the cumulative recovery rate as a chart. Filtering,
// totalling and every cell text are Kensho's; the window holds the controls and shows what it returns.
#pragma once

#include "gui/Dialogs.h"
#include "verify/Kensho.h"

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;

class QChartView;

namespace solvane {

class TextGridModel;

class TKenshoForm : public QWidget {
    Q_OBJECT

public:
    // appFolder holds the backtest file "tmpData.dat".
    explicit TKenshoForm(std::filesystem::path appFolder, QWidget* parent = nullptr);
    ~TKenshoForm() override;

    void setMessageSink(MessageSink sink) { inform_ = std::move(sink); }
    void setSaveFileChooser(SaveFileChooser chooser) { chooseSave_ = std::move(chooser); }

    // "検証": reads the backtest file with the chosen filters and shows the listed races, the totals
    // and the chart. A missing file leaves everything as it was.
    void ReadDataBtnClick();
    // "CSV保存": the result grid as CSV (UTF-8 with a byte-order mark) into a chosen file.
    void CsvSaveBtnClick();

    // What the backtest run does before it starts: the period labels, an empty result grid, no filter
    // selected and the distance 1000–5000 m.
    void prepareRun(const QString& startDate, const QString& endDate);

    // The filters as the controls show them.
    KenshoFilter filter() const;

private:
    void buildControls();
    void showChart(const KenshoResult& result);
    void toggleAll(QListWidget* list);
    void fitSummaryHeight();

    std::filesystem::path appFolder_;
    MessageSink inform_;
    SaveFileChooser chooseSave_;

    std::array<QListWidget*, kKenshoLists> lists_{};
    QSpinBox* KyoriEdit01 = nullptr;
    QSpinBox* KyoriEdit02 = nullptr;
    QPushButton* ReadDataBtn = nullptr;
    QPushButton* CsvSaveBtn = nullptr;
    QCheckBox* CompareCheck = nullptr;
    QLabel* StartDateLabel = nullptr;
    QLabel* EndDateLabel = nullptr;
    QLabel* CtLabel = nullptr;
    QLabel* RunLabel = nullptr;
    QTableView* StringGrid1 = nullptr;
    QTableView* StringGrid2 = nullptr;
    TextGridModel* gridModel_ = nullptr;
    TextGridModel* summaryModel_ = nullptr;
    QChartView* ChartView = nullptr;
    QTabWidget* Pages = nullptr;
};

} // namespace solvane
