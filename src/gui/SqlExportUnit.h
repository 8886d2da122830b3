// The window "SQLite書き出し" of the main window's file menu: the stored race days of a period written into a
// SQLite database file (ExportToSqlite) on a worker thread, with its progress and "中止". The file, the
// period and whether the odds go too are chosen here; everything else is the export's.
#pragma once

#include "export/SqliteExport.h"
#include "gui/Dialogs.h"
#include "gui/WorkerProgress.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace solvane {

class AppShell;

class TSqlExportForm : public QDialog {
    Q_OBJECT

public:
    TSqlExportForm(AppShell& shell, QWidget* parent);
    ~TSqlExportForm() override;

    void setMessageSink(MessageSink sink) { inform_ = std::move(sink); }
    void setSaveFileChooser(SaveFileChooser chooser) { chooseSave_ = std::move(chooser); }

    // The period reset to the first and last stored days (today when nothing is stored).
    void resetPeriod();
    // "参照…": the database file by a save dialog.
    void BrowseBtnClick();
    // "書き出し": the checks, then the export on a worker thread.
    void ExportBtnClick();
    // "中止": the export stops between races; the day it was writing is rolled back.
    void CancelBtnClick();

    bool running() const { return run_.running(); }

signals:
    // An export ended (the window has shown its outcome).
    void exportFinished(solvane::SqliteExportOutcome outcome);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildControls();
    void showProgress();
    void finishExport(const SqliteExportResult& result);
    // Stops a running export and waits for it (closing the window, the program ending).
    void stopExport();
    void setRunning(bool on);
    void tell(MessageKind kind, const QString& text);

    AppShell& shell_;
    MessageSink inform_;
    SaveFileChooser chooseSave_;

    QLineEdit* FileEdit = nullptr;
    QPushButton* BrowseBtn = nullptr;
    QDateEdit* FromDate = nullptr;
    QDateEdit* ToDate = nullptr;
    QCheckBox* OddsCheck = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* ProgressLabel = nullptr;
    QPushButton* ExportBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* CloseBtn = nullptr;

    WorkerRun<SqliteExportProgress, SqliteExportResult> run_;
};

} // namespace solvane
