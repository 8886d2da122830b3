#include "gui/KaimeSetUnit.h"

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "util/Text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace solvane {
namespace {

constexpr std::array<const IntKey*, kBakenTypes> kAmountKeys{
    &keys::DefaultAmountTan, &keys::DefaultAmountFuk, &keys::DefaultAmountWR,  &keys::DefaultAmountUR,
    &keys::DefaultAmountWD,  &keys::DefaultAmountUT,  &keys::DefaultAmountSRF, &keys::DefaultAmountSRT};

} // namespace

TKaimeSetForm::TKaimeSetForm(SettingsFile& settings, QWidget* parent) : QDialog(parent), settings_(settings)
{
    setObjectName("KaimeSetForm");
    setWindowTitle("投資金設定");
    auto* root = new QVBoxLayout(this);
    auto* heading = new QLabel("投資金額初期設定", this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    root->addWidget(heading);
    auto* explanation = new QLabel("買い目を作成するための1レースあたりの投資金額を設定します。", this);
    explanation->setWordWrap(true);
    root->addWidget(explanation);
    auto* row = new QHBoxLayout;
    root->addLayout(row);
    for (std::size_t i = 0; i < amounts_.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString("SaNumEdit%1").arg(i + 1));
        edit->setMaxLength(8);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,8}"), edit));
        edit->setAlignment(Qt::AlignRight);
        edit->setText(QString::number(settings_.get(*kAmountKeys[i])));
        amounts_[i] = edit;
        if (i == 0) {
            row->addWidget(edit);
            row->addWidget(new QLabel("円", this));
        } else {
            edit->hide();
        }
    }
    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    root->addWidget(BitBtn1, 0, Qt::AlignRight);
    connect(BitBtn1, &QPushButton::clicked, this, &TKaimeSetForm::BitBtn1Click);
}

void TKaimeSetForm::BitBtn1Click()
{
    for (std::size_t i = 0; i < amounts_.size(); ++i) {
        const int amount = DefaultStakeToStore(toIntDef(amounts_[i]->text().toStdString(), 0));
        amounts_[i]->setText(QString::number(amount));
        settings_.set(*kAmountKeys[i], amount);
    }
    if (onSaved_)
        onSaved_();
    accept();
}

} // namespace solvane
