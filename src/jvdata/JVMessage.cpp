#include "jvdata/JVMessage.h"

#include <span>

namespace solvane {
namespace {

struct CodeText {
    int code;
    std::string_view text;
};

constexpr std::string_view kSuccess = "正常に実行されました。";

constexpr CodeText kInit[] = {
    {-103, "sid が不正（sid の１桁目がスペース）です。"},
    {-102, "sid が64byte 以上あります。"},
    {-101, "sid が設定されていません。"},
    {0, kSuccess},
};

constexpr CodeText kSetUIProperties[] = {
    {-101, "すでにサービスキーが登録されています。"},
    {-100, "パラメータが不正あるいはレジストリへの保存に失敗しました。"},
    {0, kSuccess},
};

// JVOpen and JVRTOpen share one table.
constexpr CodeText kOpen[] = {
    {0, kSuccess},
    {-1, " 取得済みデータより最新のデータがありません。"},
    {-2, "セットアップダイアログでキャンセルが押されました。"},
    {-111, "dataspec パラメータが不正です。"},
    {-112, "fromdate パラメータが不正です。"},
    {-114, "key パラメータが不正です。"},
    {-115, "option パラメータが不正です。"},
    {-116, "dataspec とoption の組み合わせが不正です。"},
    {-201, "JVInit が行なわれていません。"},
    {-202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）"},
    {-211, "レジストリ内容が不正（レジストリ内容が不正に変更された）です。"},
    {-301, "認証エラーが発生しました。"},
    {-302, "サービスキーの有効期限切れです。"},
    {-303, "サービスキーが設定されていません。（サービスキーが空値）"},
    {-401, "JV- Link 内部エラーが発生しました。"},
    {-411, "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。"},
    {-412, "サーバーエラー（HTTP ステータス403 Forbidden ）が発生しました。"},
    {-413, "サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。"},
    {-421, "サーバーエラー（サーバーの応答が不正）が発生しました。"},
    {-431, "サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。"},
    {-501, "セットアップ処理においてＣＤ －ＲＯＭ が無効です。"},
    {-504, "サーバーがメンテナンス中です。"},
};

constexpr CodeText kStatus[] = {
    {-201, "JVInitが行なわれていません。"},
    {-203, "JVOpenが行なわれていません。"},
    {-502, "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）"},
    {0, kSuccess},
};

constexpr CodeText kRead[] = {
    {0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）"},
    {-1, "ファイルが切り替わりました。"},
    {-3, "ファイルダウンロード中"},
    {-201, "JVInitが行なわれていません。"},
    {-202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）"},
    {-203, "JVOpenが行なわれていません。"},
    {-402, "ダウンロードしたファイルサイズが異常です。"},
    {-403, "ダウンロードしたファイル内容が異常です。"},
    {-502, "ダウンロードに失敗しました。(通信エラーやディスクエラー)"},
    {-503, "ファイルが見つかりません。"},
};

constexpr CodeText kClose[] = {
    {0, kSuccess},
};

std::string lookup(std::span<const CodeText> table, int code)
{
    for (const CodeText& entry : table)
        if (entry.code == code)
            return std::string(entry.text);
    return {};
}

} // namespace

std::string JVMessageText(std::string_view operation, int code)
{
    if (operation == "JVInit")
        return lookup(kInit, code);
    if (operation == "JVSetUIProperties")
        return lookup(kSetUIProperties, code);
    if (operation == "JVOpen" || operation == "JVRTOpen")
        return lookup(kOpen, code);
    if (operation == "JVStatus")
        return code > 0 ? "ダウンロード済みファイル数" + std::to_string(code) : lookup(kStatus, code);
    if (operation == "JVRead")
        return code > 0 ? "バッファにセットしたデータのサイズ" + std::to_string(code) : lookup(kRead, code);
    if (operation == "JVClose")
        return lookup(kClose, code);
    return {};
}

std::string JVMessage(std::string_view operation, int code)
{
    return JVMessageText(operation, code) + "(" + std::to_string(code) + ")";
}

std::string JVAdvice(int code)
{
    switch (code) {
    case -402:
    case -403:
        return "データを取り込み直してください。";
    case -502:
    case -504:
        return "しばらくしてからやり直してください。";
    default:
        return {};
    }
}

std::string JVFailure(std::string_view operation, int code, std::string_view detail)
{
    std::string text = JVMessage(operation, code);
    if (!detail.empty())
        text += "（" + std::string(detail) + "）";
    if (const std::string advice = JVAdvice(code); !advice.empty())
        text += " " + advice;
    return text;
}

} // namespace solvane
