// The program's own texts, in one place: messages, log words and captions.
// They are shown and written exactly as they stand here.
#pragma once

#include <string_view>

namespace tavelin::texts {

// RESULT.DAT
inline constexpr std::string_view kResultOk = "正常終了";
inline constexpr std::string_view kResultComPort = "ＣＯＭポートエラー";
inline constexpr std::string_view kResultCommParam = "通信条件パラメータエラー";
inline constexpr std::string_view kResultHhtAddress = "ＨＨＴアドレスパラメータエラー";
inline constexpr std::string_view kResultDataParam = "データパラメータエラー";
inline constexpr std::string_view kResultIrlink = "ＩＲＬＩＮＫ接続エラー";
inline constexpr std::string_view kResultBaudRate = "通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ項目が範囲外です。";

// HISTORY.DAT, by transfer result 0, -1, ..., -5
inline constexpr std::string_view kHistoryOk = "正常終了";
inline constexpr std::string_view kHistoryFailed = "異常終了";
inline constexpr std::string_view kHistoryStopped = "中断";
inline constexpr std::string_view kHistoryTimeout = "タイムアウト";
inline constexpr std::string_view kHistoryModeError = "ＨＨＴモードエラー";
inline constexpr std::string_view kHistoryFileIo = "ファイルＩ／Ｏエラー";

// Start-up messages
inline constexpr std::string_view kMsgCommParamOutOfRange = "通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙの設定値が範囲外です。";
inline constexpr std::string_view kMsgCommParamFileError = "通信条件パラメータファイルにエラーがあります";
inline constexpr std::string_view kMsgBadHhtId = "ハンディIDが正しくありません";
inline constexpr std::string_view kMsgDataParamFileError = "データパラメータファイルにエラーがあります";
inline constexpr std::string_view kMsgBaudRateOutOfRange = "通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ設定値が範囲外です。";

// Transfer engines: history list texts and message lines
inline constexpr std::string_view kDownloadOk = "ダウンロード正常終了";
inline constexpr std::string_view kDownloadFailed = "ダウンロード異常終了";
inline constexpr std::string_view kDownloadStopped = "ダウンロード中断";
inline constexpr std::string_view kDownloadMax = "ダウンロード数ＭＡＸ";
inline constexpr std::string_view kModeError = "ＨＨＴモードエラー";
inline constexpr std::string_view kNameNotUsable = "ファイル名使用不可";

inline constexpr std::string_view kUploadOk = "アップロード正常終了";
inline constexpr std::string_view kUploadFailed = "アップロード異常終了";
inline constexpr std::string_view kUploadStopped = "アップロード中断";
inline constexpr std::string_view kProtectedFile = "システム OR 読み取り専用ファイル";
inline constexpr std::string_view kSameNameExists = "同名ファイルがあります";
inline constexpr std::string_view kCommitFailed = "ＴＭＰファイルからの変更に失敗しました";

inline constexpr std::string_view kDownloadingSuffix = " をダウンロードしています";
inline constexpr std::string_view kUploadingSuffix = " をアップロードしています";


// Automatic window
inline constexpr std::string_view kButtonEnd = "終　了";
inline constexpr std::string_view kButtonStop = "中　断";
inline constexpr std::string_view kConnectingPrefix = "ハンディ［";
inline constexpr std::string_view kConnectingSuffix = "］に接続しています";
inline constexpr std::string_view kApDownloading = "アプリケーションファイルをダウンロードしています";
inline constexpr std::string_view kDownloadingNoBlank = "をダウンロードしています";
inline constexpr std::string_view kApInstallOk = " ＡＰインストール正常終了";
inline constexpr std::string_view kApInstallStopped = " ＡＰインストール中断";
inline constexpr std::string_view kApInstallFailed = " ＡＰインストール異常終了";
inline constexpr std::string_view kHhtModeErrorListText = " ＨＨＴモードエラー";
inline constexpr std::string_view kDownloadOkListText = " ダウンロード正常終了";
inline constexpr std::string_view kDownloadStoppedListText = " ダウンロード中断";
inline constexpr std::string_view kDownloadFailedListText = " ダウンロード異常終了";
inline constexpr std::string_view kNameNotForHhtPrefix = "ファイル名［ ";
inline constexpr std::string_view kNameNotForHhtSuffix = " ］はＨＨＴで使用できません";
inline constexpr std::string_view kNotApFilePrefix = "ファイル［ ";
inline constexpr std::string_view kNotApFileSuffix = " ］はアプリケーションファイルではありません";

// Window captions
inline constexpr std::string_view kProductTitle = "Tavelin";
inline constexpr std::string_view kIdeographicSpace = "　";
inline constexpr std::string_view kVersionSuffix = "  Ver1.17";
inline constexpr std::string_view kCaptionAutoApInstall = "＜オート　ＡＰインストール＞";
inline constexpr std::string_view kCaptionAutoDownload = "＜オート　ダウンロード＞";
inline constexpr std::string_view kCaptionAutoUpload = "＜オート　アップロード＞";
inline constexpr std::string_view kCaptionManual = "＜マニュアルモード＞";

} // namespace tavelin::texts
