#include "jvdata/JVMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace solvane {
namespace {

struct MessageCase {
    const char* operation;
    int code;
    const char* text; // without the parenthesised code
};

const char* const kSuccess = "正常に実行されました。";

// Every entry of the program's message table, word for word.
const std::vector<MessageCase> kTable = {
    {"JVInit", -103, "sid が不正（sid の１桁目がスペース）です。"},
    {"JVInit", -102, "sid が64byte 以上あります。"},
    {"JVInit", -101, "sid が設定されていません。"},
    {"JVInit", 0, kSuccess},
    {"JVSetUIProperties", -101, "すでにサービスキーが登録されています。"},
    {"JVSetUIProperties", -100, "パラメータが不正あるいはレジストリへの保存に失敗しました。"},
    {"JVSetUIProperties", 0, kSuccess},
    {"JVOpen", 0, kSuccess},
    {"JVOpen", -1, " 取得済みデータより最新のデータがありません。"},
    {"JVOpen", -2, "セットアップダイアログでキャンセルが押されました。"},
    {"JVOpen", -111, "dataspec パラメータが不正です。"},
    {"JVOpen", -112, "fromdate パラメータが不正です。"},
    {"JVOpen", -114, "key パラメータが不正です。"},
    {"JVOpen", -115, "option パラメータが不正です。"},
    {"JVOpen", -116, "dataspec とoption の組み合わせが不正です。"},
    {"JVOpen", -201, "JVInit が行なわれていません。"},
    {"JVOpen", -202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）"},
    {"JVOpen", -211, "レジストリ内容が不正（レジストリ内容が不正に変更された）です。"},
    {"JVOpen", -301, "認証エラーが発生しました。"},
    {"JVOpen", -302, "サービスキーの有効期限切れです。"},
    {"JVOpen", -303, "サービスキーが設定されていません。（サービスキーが空値）"},
    {"JVOpen", -401, "JV- Link 内部エラーが発生しました。"},
    {"JVOpen", -411, "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。"},
    {"JVOpen", -412, "サーバーエラー（HTTP ステータス403 Forbidden ）が発生しました。"},
    {"JVOpen", -413, "サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。"},
    {"JVOpen", -421, "サーバーエラー（サーバーの応答が不正）が発生しました。"},
    {"JVOpen", -431, "サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。"},
    {"JVOpen", -501, "セットアップ処理においてＣＤ －ＲＯＭ が無効です。"},
    {"JVOpen", -504, "サーバーがメンテナンス中です。"},
    {"JVStatus", -201, "JVInitが行なわれていません。"},
    {"JVStatus", -203, "JVOpenが行なわれていません。"},
    {"JVStatus", -502, "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）"},
    {"JVStatus", 0, kSuccess},
    {"JVStatus", 5, "ダウンロード済みファイル数5"},
    {"JVStatus", 1234, "ダウンロード済みファイル数1234"},
    {"JVRead", 1272, "バッファにセットしたデータのサイズ1272"},
    {"JVRead", 0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）"},
    {"JVRead", -1, "ファイルが切り替わりました。"},
    {"JVRead", -3, "ファイルダウンロード中"},
    {"JVRead", -201, "JVInitが行なわれていません。"},
    {"JVRead", -202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）"},
    {"JVRead", -203, "JVOpenが行なわれていません。"},
    {"JVRead", -402, "ダウンロードしたファイルサイズが異常です。"},
    {"JVRead", -403, "ダウンロードしたファイル内容が異常です。"},
    {"JVRead", -502, "ダウンロードに失敗しました。(通信エラーやディスクエラー)"},
    {"JVRead", -503, "ファイルが見つかりません。"},
    {"JVClose", 0, kSuccess},
    // Codes a table does not hold: only the code in parentheses.
    {"JVInit", -201, ""},
    {"JVInit", 1, ""},
    {"JVSetUIProperties", -102, ""},
    {"JVOpen", -3, ""},
    {"JVOpen", -113, ""},
    {"JVOpen", -502, ""},
    {"JVOpen", 1, ""},
    {"JVStatus", -1, ""},
    {"JVStatus", -503, ""},
    {"JVRead", -2, ""},
    {"JVRead", -999, ""},
    {"JVRead", -504, ""},
    {"JVClose", -1, ""},
    {"JVClose", -201, ""},
    {"JVClose", 1, ""},
    // Not an operation of the table.
    {"JVCancel", 0, ""},
    {"jvopen", 0, ""},
    {"", -1, ""},
};

TEST(JVMessageTest, EveryTableEntryWithItsCode)
{
    for (const MessageCase& c : kTable) {
        SCOPED_TRACE(std::string(c.operation) + " " + std::to_string(c.code));
        EXPECT_EQ(JVMessageText(c.operation, c.code), c.text);
        EXPECT_EQ(JVMessage(c.operation, c.code), std::string(c.text) + "(" + std::to_string(c.code) + ")");
    }
}

TEST(JVMessageTest, JVRTOpenSharesTheOpenTable)
{
    for (const MessageCase& c : kTable) {
        if (std::string(c.operation) == "JVOpen") {
            SCOPED_TRACE(c.code);
            EXPECT_EQ(JVMessage("JVRTOpen", c.code), JVMessage("JVOpen", c.code));
        }
    }
}

TEST(JVMessageTest, EdgeCases)
{
    EXPECT_EQ(JVMessage("JVRead", -999), "(-999)");
    EXPECT_EQ(JVMessage("JVStatus", 5), "ダウンロード済みファイル数5(5)");
    EXPECT_EQ(JVMessage("JVOpen", -1), " 取得済みデータより最新のデータがありません。(-1)");
    EXPECT_EQ(JVMessage("JVOpen", -1).front(), ' ');
    EXPECT_EQ(JVMessage("JVRead", -503), "ファイルが見つかりません。(-503)");
    EXPECT_EQ(JVMessage("JVRead", 555), "バッファにセットしたデータのサイズ555(555)");
}

TEST(JVMessageTest, AFailureCarriesTheComponentsAccountAndWhatToDo)
{
    const struct {
        const char* operation;
        int code;
        const char* detail;
        std::string shown;
    } cases[] = {
        {"JVRead", -403, "", JVMessage("JVRead", -403) + " データを取り込み直してください。"},
        {"JVRead", -402, "", JVMessage("JVRead", -402) + " データを取り込み直してください。"},
        {"JVStatus", -502, "", JVMessage("JVStatus", -502) + " しばらくしてからやり直してください。"},
        {"JVOpen", -504, "", "サーバーがメンテナンス中です。(-504) しばらくしてからやり直してください。"},
        {"JVOpen", -401, "中継プログラム：応答なし",
         "JV- Link 内部エラーが発生しました。(-401)（中継プログラム：応答なし）"},
        {"JVRead", -503, "", JVMessage("JVRead", -503)},
        {"JVClose", -999, "", "(-999)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " " + std::to_string(c.code));
        EXPECT_EQ(JVFailure(c.operation, c.code, c.detail), c.shown);
    }
}

} // namespace
} // namespace solvane
