#include "CliCommands.h"

#include <algorithm>

namespace solvane::cli {
namespace {

// Sorted by name: the help lists the commands in this order.
constexpr CliCommand kCommands[] = {
    {"backtest",
     "--from YYYYMMDD --to YYYYMMDD --rule FILE [--odds-before N] [--yes]  "
     "買い目設定ファイルの条件で期間の全レースを集計し tmpData.dat に書く。"
     "--odds-before N で発走N分前（1～60）の時系列オッズを使う",
     backtestCommand},
    {"card",
     "DAY RACE [--sort 列]… [--marks ◎=1,2 ○=3 ▲=4]  出馬表（見出し3行と表）を表示する。--sort は見出しの1クリック",
     cardCommand},
    {"days", " 保存済みの開催日を新しい順に表示する", daysCommand},
    {"export",
     "--sqlite FILE [--from YYYYMMDD] [--to YYYYMMDD] [--odds]  "
     "保存された開催日をSQLiteのデータベースに書き出す（同じ日は置き換える）。"
     "--odds で全券種の確定オッズも",
     exportCommand},
    {"fetch", "odds|results|mining|changes DAY [RACE]  速報ｵｯｽﾞ・結果情報・ﾏｲﾆﾝｸﾞ・変更情報を一回取得", fetchCommand},
    {"forecast",
     "fi|tf FILE [--yes]  貼り付けテキスト（UTF-8 か Shift-JIS）の FI 予想印（fi）かトリプルファクター予想印（tf）を"
     "その日の .FI / .TF ファイルに取り込む。--yes で確認に「はい」と答える。--yes がないと、端末では確認を求め、"
     "端末でなければ確認文を表示して終了コード 1 で止まる",
     forecastCommand},
    {"import", "[--from YYYYMMDDhhnnss] [--normal|--setup] [--final-odds|--no-final-odds]  JV-Linkからデータを取り込む",
     importCommand},
    {"kaime",
     "DAY RACE --marks \"◎=1,2 ○=3,4 ▲=5\" [--stake N] [--haibun 0-3] "
     "[--multi all,12,23,13|none] [--type 単勝|複勝|枠連|馬連|ワイド|馬単|３連複|３連単]  "
     "買い目表を作る",
     kaimeCommand},
    {"odds",
     "DAY RACE [--type 単勝|複勝|枠連|馬連|ワイド|馬単|３連複|３連単] [--list]  レースのオッズと人気を"
     "オッズページの表で表示する（--list は組番ごとに一行）",
     oddsCommand},
    {"paths", "  アプリケーションフォルダ、設定ファイル、フィードフォルダを表示", pathsCommand},
    {"races", "DAY  開催日のレース一覧（slot、レース、発走）を表示する", racesCommand},
    {"results", "DAY RACE  レースの結果（券種、結果、人気、配当）を表示する", resultsCommand},
    {"run-day", "DAY --from hh:nn:ss --to hh:nn:ss  当日として自動取得を模擬時計で再生", runDayCommand},
    {"schedule", "DAY  各レースのオッズ自動取得時刻", scheduleCommand},
    {"settings", "get SECTION KEY | set SECTION KEY VALUE  設定ファイルの値を表示・変更", settingsCommand},
    {"timeseries", "DAY  時系列オッズから各レースの自動取得時刻に最も近いオッズを取込", timeSeriesCommand},
    {"verify",
     "[--track 東京,…] [--surface 芝|ダート|障害] [--age ２歳|３歳|３歳上|４歳上] "
     "[--class 新馬|未勝利|1勝ｸﾗｽ|2勝ｸﾗｽ|3勝ｸﾗｽ|オープン|Listed|G３|G２|G１] [--weight ハンデ|別定|馬齢|定量] "
     "[--runners 5,…,18] [--distance 1000-5000] [--list] [--compare]  "
     "検証ファイルを条件で絞って集計する（各項目はカンマ区切りで複数可。--compare は前回の実行と共通のレースで比べる）",
     verifyCommand},
    {"vote",
     "DAY RACE TYPE --marks \"◎=1 ○=2,3 ▲=4\" [--stake N] [--haibun 0-3] "
     "[--multi all,12,23,13|none] [--yes] [--no-launch]  "
     "買い目を投票ファイルに書き、Kelvo投票プラグイン２を起動する",
     voteCommand},
};

static_assert(std::ranges::is_sorted(kCommands, {}, &CliCommand::name), "the help lists the commands by name");

} // namespace

std::span<const CliCommand> allCommands()
{
    return kCommands;
}

const CliCommand* findCommand(std::string_view name)
{
    const auto it = std::ranges::find(kCommands, name, &CliCommand::name);
    return it == std::end(kCommands) ? nullptr : &*it;
}

} // namespace solvane::cli
