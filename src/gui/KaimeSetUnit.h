// The default-stake dialog "投資金設定": the stake every bet type of every race starts with when a day is
// loaded. Only the first amount is shown; the other seven are kept as loaded and stored back with it.
#pragma once

#include "kaime/BakenType.h"

#include <QDialog>
#include <array>
#include <functional>

class QLineEdit;
class QPushButton;

namespace solvane {

class SettingsFile;

class TKaimeSetForm : public QDialog {
    Q_OBJECT

public:
    // Loads [KaimeSet] DefaultAmountTan .. DefaultAmountSRT into the eight edits.
    explicit TKaimeSetForm(SettingsFile& settings, QWidget* parent = nullptr);

    // Runs after the amounts are stored: the main window re-selects its current race there.
    void setOnSaved(std::function<void()> onSaved) { onSaved_ = std::move(onSaved); }

    // "OK": every amount below 100 raised to 100, all eight stored, then the dialog closes.
    void BitBtn1Click();

private:
    SettingsFile& settings_;
    std::function<void()> onSaved_;
    std::array<QLineEdit*, kBakenTypes> amounts_{};
    QPushButton* BitBtn1 = nullptr;
};

} // namespace solvane
