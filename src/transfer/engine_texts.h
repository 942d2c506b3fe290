// The words the engines put into the history list and the message line.
#pragma once

#include <string_view>

namespace tavelin::transfer::texts {

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

} // namespace tavelin::transfer::texts
