// SPDX-License-Identifier: MIT
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
// The work folder menu, and the message when a chosen folder cannot be entered.
inline constexpr std::string_view kMenuWorkFolder = "作業フォルダ(&W)";
inline constexpr std::string_view kMenuWorkFolderOpen = "フォルダを選ぶ(&O)...";
inline constexpr std::string_view kAskWorkFolder = "作業フォルダを選んでください";
inline constexpr std::string_view kMsgWorkFolderUnusable = "作業フォルダに移れません：";
// The message line after a desktop start that chose for the operator, and the
// box of a window start that gives way to a copy already running.
inline constexpr std::string_view kLastWorkFolderGonePrefix = "前回の作業フォルダ［ ";
inline constexpr std::string_view kLastWorkFolderGoneSuffix = " ］がないため、既定の作業フォルダで開きました。";
inline constexpr std::string_view kMsgStarterSettings = "初めての作業フォルダなので仮の設定を作りました。「設定」で確かめてください。";
inline constexpr std::string_view kMsgAlreadyRunning = "この作業フォルダでは Tavelin がすでに動いています。一つのフォルダで同時に動かせるのは一つだけです。";
inline constexpr std::string_view kHhtConnecting = "ハンディ接続中･･･";
// Both windows while a device that went away is waited for: the prefix, then the device.
inline constexpr std::string_view kLineGonePrefix = "回線切断: ";
inline constexpr std::string_view kHhtConnectError = "ハンディ接続エラー";
// The message line after a list reading that did not give the whole list.
inline constexpr std::string_view kHhtListUnread = "ファイル一覧を読み込めませんでした";
inline constexpr std::string_view kHhtListStopped = "ファイル一覧の読み込みを中断しました";
inline constexpr std::string_view kHhtListTruncated = "ファイルが多すぎます（先頭の129件だけを表示しています）";
// The message line after the PC pane's folder was deleted while shown (the
// folder gone, then the parent shown instead).
inline constexpr std::string_view kPcFolderGonePrefix = "フォルダ［ ";
inline constexpr std::string_view kPcFolderGoneMiddle = " ］がなくなったため、［ ";
inline constexpr std::string_view kPcFolderGoneSuffix = " ］を表示しています。";
// A USB serial adapter whose latency timer makes every block wait (the
// milliseconds go between prefix and ending): the batch start line, in
// English as the rest of that line, and the manual window's message line once
// connected; each names what lowers the timer on its system.
inline constexpr std::string_view kLatencyStartPrefix = "the USB serial adapter's latency timer is ";
inline constexpr std::string_view kLatencyStartUdev =
    " ms, which delays every block: the udev rule 60-tavelin-ftdi-latency.rules (an example in "
    "/usr/share/doc/tavelin/examples) sets it to 1 ms";
inline constexpr std::string_view kLatencyStartPortSettings =
    " ms, which delays every block: set it to 1 or 2 ms in Device Manager, the port's Properties, "
    "Port Settings, Advanced, Latency Timer";
inline constexpr std::string_view kLatencyWindowPrefix = "USBシリアル変換器の待ち時間タイマーが ";
inline constexpr std::string_view kLatencyWindowUdev =
    " ms です。udevルール 60-tavelin-ftdi-latency.rules で 1 ms にすると転送が速くなります";
inline constexpr std::string_view kLatencyWindowPortSettings =
    " ms です。デバイスマネージャーでポートの［ポートの設定］→［詳細設定］の Latency Timer を 1 ms "
    "にすると転送が速くなります";
// A serial device this user may not open, after "COMn (device): ". A group
// is named for joining only when it is one that serial devices are given
// to; joining any other (root, tty, disk) would hand the user far more than
// the port.
inline constexpr std::string_view kPermissionSerialGroupPrefix = "permission denied: the device belongs to group ";
inline constexpr std::string_view kPermissionSerialGroupJoin = "; add the user to it (usermod -aG ";
inline constexpr std::string_view kPermissionSerialGroupEnd = " USER) and log in again";
inline constexpr std::string_view kPermissionOtherGroupEnd =
    ", which is not a group for serial devices: do not add the user to it; have an administrator give the "
    "device to the serial devices' group (a udev rule) or this user the right to read and write it";
inline constexpr std::string_view kPermissionNoGroup = "permission denied: this user may not read and write the device";
// The hand-held list's columns, as a screen reader names them.
inline constexpr std::string_view kColumnFileName = "ファイル名";
inline constexpr std::string_view kColumnSize = "サイズ";
// The detail under kMsgComPortUnusable when the device goes away while connected.
inline constexpr std::string_view kDetailDeviceGone = "デバイスが取り外されました";
inline constexpr std::string_view kMsgBadBaud = "指定されたボーレイトは無効です";
inline constexpr std::string_view kMsgBadParity = "指定されたパリティは無効です";
inline constexpr std::string_view kMsgBadDataBits = "指定されたデータ長は無効です";
inline constexpr std::string_view kMsgBadStopBits = "指定されたストップビットは無効です";
inline constexpr std::string_view kMsgComPortUnusable = "指定されたＣＯＭポートは使用できません";
inline constexpr std::string_view kMsgIrlinkUnreachable = "irlinkと接続できません";
// Above the system's own words (device, error text) below a message.
inline constexpr std::string_view kDetailsCaption = "詳細：";

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

// Progress dialogs: the figures under the bar (%1, %2 filled in) and the
// names screen readers give their controls
inline constexpr std::string_view kA11yTransferMessage = "転送メッセージ";
inline constexpr std::string_view kA11yTransferProgress = "転送の進行状況";
inline constexpr std::string_view kA11yTransferFigures = "転送済みバイト数・速度・残り時間";
inline constexpr std::string_view kA11yAnimation = "転送アニメーション";
inline constexpr std::string_view kA11yHistory = "転送履歴";
inline constexpr std::string_view kA11yUploadQuestion = "パソコンにある同名ファイル";
// One family of units, in Japanese: bytes, and bytes or kilobytes (1,024
// bytes) a second.
inline constexpr std::string_view kFiguresBytes = "%1 / %2 バイト";
inline constexpr std::string_view kFiguresRateBytes = "%1 バイト/秒";
inline constexpr std::string_view kFiguresRateKBytes = "%1 Kバイト/秒";
inline constexpr std::string_view kFiguresLeft = "残り %1";
inline constexpr std::string_view kFiguresGap = "　　";

// Version dialog
inline constexpr std::string_view kCaptionVersion = "バージョン情報";
inline constexpr std::string_view kVersion = "Ver1.17";
inline constexpr std::string_view kButtonOk = "OK";

// Names that screen readers and automation give the controls without a
// caption of their own (the captioned ones are named by their caption).
inline constexpr std::string_view kA11yDrive = "パソコンのドライブ";
inline constexpr std::string_view kA11yDirectory = "パソコンのディレクトリ";
inline constexpr std::string_view kA11yPcFiles = "パソコンのファイル";
inline constexpr std::string_view kA11yHhtFiles = "ハンディのファイル";
inline constexpr std::string_view kA11yConnection = "接続メッセージ";
inline constexpr std::string_view kA11yFreeBytes = "ハンディの空きバイト数";
inline constexpr std::string_view kA11yHhtId = "ハンディID";
inline constexpr std::string_view kA11yDeleteMessage = "削除するファイル";
inline constexpr std::string_view kA11yNewName = "新しいファイル名";
inline constexpr std::string_view kA11yIcon = "プログラムのアイコン";

// Settings dialog (F_Set)
inline constexpr std::string_view kCaptionSettings = "設定";
inline constexpr std::string_view kTabComm = "通信条件";
inline constexpr std::string_view kTabPolling = "ポーリング";
inline constexpr std::string_view kTabDataFiles = "データファイル";
inline constexpr std::string_view kButtonOkWide = "ＯＫ";
inline constexpr std::string_view kFrameBaud = "ボーレイト";
inline constexpr std::string_view kBaud4800 = "４８００";
inline constexpr std::string_view kBaud9600 = "９６００";
inline constexpr std::string_view kBaud19200 = "１９２００";
inline constexpr std::string_view kBaud38400 = "３８４００";
inline constexpr std::string_view kBaud115K = "１１５．２Ｋ";
inline constexpr std::string_view kFrameParity = "パリティ";
inline constexpr std::string_view kParityEven = "EVEN";
inline constexpr std::string_view kParityOdd = "ODD";
inline constexpr std::string_view kParityNone = "NON";
inline constexpr std::string_view kFrameDataBits = "データ長";
inline constexpr std::string_view kDataBits7 = "７ビット";
inline constexpr std::string_view kDataBits8 = "８ビット";
inline constexpr std::string_view kFrameStopBits = "ストップビット";
inline constexpr std::string_view kStopBits1 = "１ビット";
inline constexpr std::string_view kStopBits2 = "２ビット";
inline constexpr std::string_view kFrameComPort = "ＣＯＭポート";
inline constexpr std::string_view kCom1 = "ＣＯＭ１";
inline constexpr std::string_view kCom2 = "ＣＯＭ２";
inline constexpr std::string_view kCom3 = "ＣＯＭ３";
inline constexpr std::string_view kCom4 = "ＣＯＭ４";
inline constexpr std::string_view kFramePortKind = "外部接続";
inline constexpr std::string_view kPortRs232c = "RS-232C";
inline constexpr std::string_view kPortOptical = "光通信ﾕﾆｯﾄ";
inline constexpr std::string_view kPortJetEye = "JetEye PC";
inline constexpr std::string_view kPortIrlink = "irlink";
inline constexpr std::string_view kFrameCommTimeout = "通信TimeOut";
inline constexpr std::string_view kFramePollTimeout = "ポーリングTimeOut";
inline constexpr std::string_view kLabelMsec = "msec";
inline constexpr std::string_view kPollingRangePrompt = "ポーリングを行うハンディIDの範囲を指定してください";
inline constexpr std::string_view kIdRangeTilde = "～";
inline constexpr std::string_view kLabelApFile = "アプリケーション　ファイル名";
inline constexpr std::string_view kLabelDownDir = "ダウンロード用　ディレクトリ";
inline constexpr std::string_view kLabelUpDir = "アップロード用　ディレクトリ";
inline constexpr std::string_view kButtonBrowse = "参照...";
inline constexpr std::string_view kFrameSameName = "受信ファイルが同名";
inline constexpr std::string_view kUpOver = "上書き";
inline constexpr std::string_view kUpAdd = "追加";
inline constexpr std::string_view kUpNon = "取り込まない";
inline constexpr std::string_view kFrameHistory = "履歴ファイル";
inline constexpr std::string_view kHisNew = "新規作成";
inline constexpr std::string_view kHisAdd = "追加作成";
inline constexpr std::string_view kHisNon = "作成しない";
inline constexpr std::string_view kFramePollCount = "ポーリング回数";
inline constexpr std::string_view kMsgBadUpDir = "アップロードディレクトリ名が正しくありません";
inline constexpr std::string_view kMsgBadCommTimeout = "通信TimeOutの値が正しくありません";
inline constexpr std::string_view kMsgBadPollTimeout = "ポーリングTimeOutの値が正しくありません";
inline constexpr std::string_view kMsgBadPollCount = "オートモード・ポーリング回数が正しくありません";
// kMsgBadHhtId (above) when an ID row is wrong
inline constexpr std::string_view kMsgNoHhtId = "ハンディIDが指定されていません";
inline constexpr std::string_view kMsgBaudNotGiven = "ボーレートが指定されていません";
// A path that the parameter file cannot hold as typed (a character outside
// code page 932 or a line end) would come back from it as another path.
inline constexpr std::string_view kMsgPathNotStorable = "ファイル名・ディレクトリ名に使用できない文字があります";
// The serial devices beside the COM port group, and each COM button's device.
inline constexpr std::string_view kComDevicePrefix = "開くデバイス：";
inline constexpr std::string_view kComDeviceFound = "（あり）";
inline constexpr std::string_view kComDeviceMissing = "（見つかりません）";
inline constexpr std::string_view kComDeviceNone = "なし";
// The device each COM name opens on this PC, chosen beside the COM buttons.
inline constexpr std::string_view kLabelComDevice = "のデバイス：";
inline constexpr std::string_view kComDeviceDefaultPrefix = "標準：";
inline constexpr std::string_view kComDeviceByVariable = "環境変数 %1 が優先されます：%2";
inline constexpr std::string_view kComDeviceChoiceTip =
    "このCOMポートで開くデバイス。一覧から選ぶか、パスを入力してください。空欄なら標準のデバイスです。";
inline constexpr std::string_view kDeviceTipDescription = "説明：";
inline constexpr std::string_view kDeviceTipMaker = "メーカー：";
inline constexpr std::string_view kDeviceTipSerial = "シリアル番号：";
inline constexpr std::string_view kDeviceTipVidPid = "VID:PID：";
inline constexpr std::string_view kDeviceTipDevice = "デバイス：";
// The settings dialog's OK when a parameter file cannot be written (the
// file after the prefix, the system's words below).
inline constexpr std::string_view kMsgSettingsNotSaved = "設定を保存できませんでした。次のファイルに書き込めません：";
// A close (or a switch of work folder) that cannot write TAV0001.INF: the
// file and the system's words go below.
inline constexpr std::string_view kMsgTavInfNotSaved = "ハンディIDと表示中のフォルダを保存できませんでした（TAV0001.INF に書き込めません）";
inline constexpr std::string_view kMsgDeviceMapNotSaved = "COMポートのデバイスの設定を保存できませんでした";
// The device choices saved for all users of this PC, or for this user only.
inline constexpr std::string_view kCheckDevAllUsers = "このPCのすべてのユーザーに保存";
inline constexpr std::string_view kDevAllUsersTip =
    "選んだデバイスを、このPCのすべてのユーザー（タスクスケジューラなどで別のアカウントから実行する場合も）に使います。"
    "各ユーザーが自分で選んだデバイスが優先されます。保存には管理者の権限が必要です。";
inline constexpr std::string_view kComDeviceForPc = "（このPCのすべてのユーザー）";
inline constexpr std::string_view kMsgDeviceMapNotSavedForPc =
    "COMポートのデバイスの設定をこのPCのすべてのユーザーに保存できませんでした（%1 に書き込めません）。"
    "このユーザーの設定として保存します。すべてのユーザーに保存するには、管理者として実行してください。";
// Why the settings file for all users of the PC is not read, after "the
// settings file for all users of this PC PATH ": somebody else than an
// administrator or the user running the program could have written it.
// After the prefix: the file itself, a folder above it or the file a link
// leads to (its name between kOpenToOthersTarget and kOpenToOthersTargetEnd),
// then what is wrong with that.
inline constexpr std::string_view kOpenToOthersPrefix = "is open to other users: ";
inline constexpr std::string_view kOpenToOthersItself = "it";
inline constexpr std::string_view kOpenToOthersFolder = "the folder ";
inline constexpr std::string_view kOpenToOthersTarget = "the file it leads to, ";
inline constexpr std::string_view kOpenToOthersTargetEnd = ",";
inline constexpr std::string_view kOpenToOthersWritable = " can be written by every user";
inline constexpr std::string_view kOpenToOthersOwner = " belongs to the user ";
inline constexpr std::string_view kOpenToOthersOwnerEnd = ", neither an administrator nor this user";
inline constexpr std::string_view kOpenToOthersWriter = " can be changed by ";
inline constexpr std::string_view kOpenToOthersCannotTell = "cannot be checked: the system does not say who may write it";
// The manual window's message line when the per-user settings file is there
// but cannot be read: the devices chosen for the COM names are not known.
inline constexpr std::string_view kMsgUserSettingsUnreadable =
    "設定ファイル（tavelin.conf）を読めません。COMポートのデバイスの選択は使われません";

// Directory chooser (F_Dir)
inline constexpr std::string_view kCaptionDirChooser = "ディレクトリ参照";
inline constexpr std::string_view kPromptApDir = "アプリケーションディレクトリを選択してください";
inline constexpr std::string_view kPromptDownDir = "ダウンロードディレクトリを選択してください";
inline constexpr std::string_view kPromptUpDir = "アップロードディレクトリを選択してください";

// Names for screen readers and automation in the settings dialog and the
// directory chooser (%1: the range's number, the COM number).
inline constexpr std::string_view kA11yIdFrom = "範囲%1の最初のハンディID";
inline constexpr std::string_view kA11yIdTo = "範囲%1の最後のハンディID";
inline constexpr std::string_view kA11ySettingsTabs = "設定のページ";
inline constexpr std::string_view kA11yComDevice = "COM%1で開くデバイス";
inline constexpr std::string_view kA11yChooserPrompt = "選ぶディレクトリの説明";
inline constexpr std::string_view kA11yChooserDrive = "ドライブ";
inline constexpr std::string_view kA11yChooserDirectory = "ディレクトリ";

// The line monitor (Frm_Line): its menu item, columns, row words and status
// (%1, %2: numbers, or the file's name).
inline constexpr std::string_view kMenuLineMonitor = "ライン表示(&L)";
inline constexpr std::string_view kCaptionLineMonitor = "ライン表示";
inline constexpr std::string_view kColumnTime = "時刻(ms)";
inline constexpr std::string_view kColumnDirection = "方向";
inline constexpr std::string_view kColumnId = "ID";
inline constexpr std::string_view kColumnCommand = "コマンド";
inline constexpr std::string_view kColumnSequence = "順番";
inline constexpr std::string_view kColumnLength = "長さ";
inline constexpr std::string_view kColumnResult = "結果";
inline constexpr std::string_view kColumnRetries = "再送";
inline constexpr std::string_view kColumnData = "データ";
inline constexpr std::string_view kLineSent = "送信";
inline constexpr std::string_view kLineReceived = "受信";
inline constexpr std::string_view kLinePort = "ポート";
inline constexpr std::string_view kLineOk = "正常";
inline constexpr std::string_view kLineBadCheck = "チェック文字異常";
inline constexpr std::string_view kLineWrongId = "ID違い";
inline constexpr std::string_view kLineResynchronised = "正常（前に雑音）";
inline constexpr std::string_view kLineShortFrame = "短すぎるフレーム";
inline constexpr std::string_view kLineTimedOut = "タイムアウト（%1 ms）";
inline constexpr std::string_view kLinePortOpen = "ポートを開きました";
inline constexpr std::string_view kLinePortClosed = "ポートを閉じました";
inline constexpr std::string_view kLinePortLost = "ポートの装置が外れました";
inline constexpr std::string_view kButtonLinePause = "一時停止";
inline constexpr std::string_view kButtonLineResume = "再開";
inline constexpr std::string_view kButtonLineClear = "消去";
inline constexpr std::string_view kButtonLineSave = "保存...";
inline constexpr std::string_view kButtonLineOpen = "開く...";
inline constexpr std::string_view kButtonLineClose = "閉じる";
inline constexpr std::string_view kLineRows = "%1 行";
inline constexpr std::string_view kLinePausedRows = "%1 行（一時停止中：%2 行を保留）";
inline constexpr std::string_view kLineOtherMonitor = "別のライン表示がこの回線を表示しています";
inline constexpr std::string_view kLineSaved = "%1 に保存しました";
inline constexpr std::string_view kLineNotSaved = "%1 に保存できませんでした";
inline constexpr std::string_view kLineLoaded = "%1 を開きました（%2 行）";
inline constexpr std::string_view kLineLoadedSkipped = "%1 を開きました（%2 行。トレースの行でない %3 行は除きました）";
inline constexpr std::string_view kLineLoadCut = "。ファイルが大きすぎるため先頭の 16 MB だけ読みました";
inline constexpr std::string_view kLineLoadDroppedHeld = "。一時停止中に保留していた %1 行は捨てました";
inline constexpr std::string_view kLineNotLoaded = "%1 を開けませんでした";
inline constexpr std::string_view kLineFileFilter = "トレースファイル (*.txt *.log *.trace);;すべてのファイル (*)";
inline constexpr std::string_view kA11yLineFrames = "回線のフレーム";
inline constexpr std::string_view kA11yLineState = "ライン表示の状態";
// The line scan's dialog, opened from the manual window's 診断 menu item.
inline constexpr std::string_view kMenuScan = "診断...";
inline constexpr std::string_view kScanTitle = "診断";
inline constexpr std::string_view kScanAll = "すべての通信設定・外部接続で試す";
inline constexpr std::string_view kScanStart = "開　始";
inline constexpr std::string_view kScanTakeSettings = "設定に反映...";
inline constexpr std::string_view kScanTakeId = "IDに反映";
inline constexpr std::string_view kScanClose = "閉じる";
inline constexpr std::string_view kScanTrying = "試行中：";
inline constexpr std::string_view kScanFoundNone = "応答したハンディはありません";
inline constexpr std::string_view kScanFoundSome = "診断が終わりました。応答した設定を選んでください";
inline constexpr std::string_view kScanStopped = "診断を中断しました";
inline constexpr std::string_view kScanPortError = "ポートを開けません：";
inline constexpr std::string_view kA11yScanProgress = "診断の進み具合";
inline constexpr std::string_view kA11yScanFound = "応答したハンディ";
inline constexpr std::string_view kA11yScanStatus = "診断の状況";

} // namespace tavelin::texts
