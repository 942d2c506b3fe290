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

// Manual window
inline constexpr std::string_view kButtonStart = "開　始";
inline constexpr std::string_view kButtonHhtDir = "HHT Dir";
inline constexpr std::string_view kButtonCopyToAll = "全コピー";
inline constexpr std::string_view kButtonInstallOnAll = "全インストール";
inline constexpr std::string_view kButtonInstall = "インストール";
inline constexpr std::string_view kButtonCopy = "コピー";
inline constexpr std::string_view kButtonDelete = "削除";
inline constexpr std::string_view kButtonRename = "名前変更";
inline constexpr std::string_view kFrameHandyTerminal = "HANDY TERMINAL";
inline constexpr std::string_view kFrameHostPc = "HOST PC";
inline constexpr std::string_view kLabelFree = "Free";
inline constexpr std::string_view kLabelHandyId = "HandyID";
inline constexpr std::string_view kMenuSettings = "設定...";
inline constexpr std::string_view kMenuVersion = "ﾊﾞｰｼﾞｮﾝ情報...";
inline constexpr std::string_view kHhtConnecting = "ハンディ接続中･･･";
inline constexpr std::string_view kHhtConnectError = "ハンディ接続エラー";
inline constexpr std::string_view kMsgBadBaud = "指定されたボーレイトは無効です";
inline constexpr std::string_view kMsgBadParity = "指定されたパリティは無効です";
inline constexpr std::string_view kMsgBadDataBits = "指定されたデータ長は無効です";
inline constexpr std::string_view kMsgBadStopBits = "指定されたストップビットは無効です";
inline constexpr std::string_view kMsgComPortUnusable = "指定されたＣＯＭポートは使用できません";
inline constexpr std::string_view kMsgIrlinkUnreachable = "irlinkと接続できません";
// Placeholder for the operations whose dialogs are still to come.
inline constexpr std::string_view kMsgNotYetAvailable = "この機能はこの版ではまだ使用できません";

// Hand-held files: delete and rename
inline constexpr std::string_view kAskDelete = "削除してもよろしいですか？";
inline constexpr std::string_view kMsgHhtWrongMode = "ＨＨＴのモードが違います";
inline constexpr std::string_view kMsgHhtDeleteFailed = "ファイル削除に失敗しました";
inline constexpr std::string_view kMsgPcDeleteFailed = "ファイルの削除に失敗しました";
inline constexpr std::string_view kMsgRenameFailed = "ファイル名の変更に失敗しました";
inline constexpr std::string_view kMsgNothingSelected = "選択ファイルがありません";
inline constexpr std::string_view kRenameNotForHhtPrefix = "ファイル名[ ";
inline constexpr std::string_view kRenameNotForHhtSuffix = " ]はＨＨＴで使用できません";
inline constexpr std::string_view kRenameHhtSide = "ハンディ側のファイル名を変更します";
inline constexpr std::string_view kRenamePcSide = "ＰＣ側のファイル名を変更します";
inline constexpr std::string_view kCaptionDelete = "ファイル削除";
inline constexpr std::string_view kButtonDeleteAll = "すべて削除";
inline constexpr std::string_view kButtonCancel = "キャンセル";
inline constexpr std::string_view kCaptionRename = "ファイル名変更";

// Manual transfers: progress dialogs, the overwrite question, copy and install to all
inline constexpr std::string_view kCaptionDownload = "ダウンロード";
inline constexpr std::string_view kCaptionUpload = "アップロード";
inline constexpr std::string_view kCaptionApInstall = "ＡＰインストール";
inline constexpr std::string_view kHandyIdLabel = "HandyID：";
inline constexpr std::string_view kMsgDownloadFailed = "ダウンロードに失敗しました";
inline constexpr std::string_view kMsgUploadFailed = "アップロードに失敗しました";
inline constexpr std::string_view kMsgApDownloadFailed = "アプリケーションファイルのダウンロードに失敗しました";
inline constexpr std::string_view kProtectedPcFilePrefix = "[";
inline constexpr std::string_view kProtectedPcFileMiddle = "]はパソコン側に同名の";
inline constexpr std::string_view kProtectedPcFileSuffix = "システム OR 読み取り専用ファイルがあります";
inline constexpr std::string_view kSameNameExistsOnPc = "同名ファイルが存在します";
inline constexpr std::string_view kMsgSeveralSelected = "選択ファイルが複数あります";
inline constexpr std::string_view kCaptionUploadQuestion = "アップロード　ファイル";
inline constexpr std::string_view kButtonOverwrite = "上書き";
inline constexpr std::string_view kButtonAppend = "追加";
inline constexpr std::string_view kCaptionCopyToAll = "マニュアルモード　＜全コピー＞";
inline constexpr std::string_view kCaptionInstallOnAll = "マニュアルモード　＜全インストール＞";

// Version dialog
inline constexpr std::string_view kCaptionVersion = "バージョン情報";
inline constexpr std::string_view kVersion = "Ver1.17";
inline constexpr std::string_view kButtonOk = "OK";

// Names that screen readers and automation give the controls without a
// caption of their own (the captioned ones are named by their caption).
inline constexpr std::string_view kA11yDrive = "PC drive";
inline constexpr std::string_view kA11yDirectory = "PC directory";
inline constexpr std::string_view kA11yPcFiles = "PC files";
inline constexpr std::string_view kA11yHhtFiles = "Hand-held files";
inline constexpr std::string_view kA11yConnection = "Connection message";
inline constexpr std::string_view kA11yFreeBytes = "Free bytes on the hand-held";
inline constexpr std::string_view kA11yHhtId = "Hand-held ID";
inline constexpr std::string_view kA11yDeleteMessage = "File to delete";
inline constexpr std::string_view kA11yNewName = "New file name";
inline constexpr std::string_view kA11yIcon = "Program icon";

} // namespace tavelin::texts
