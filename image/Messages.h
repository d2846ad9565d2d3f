#pragma once
// The fixed texts of the exception family: the only texts the library ever
// puts into an exception, shown to the player as they stand.

namespace messages {
inline constexpr const char* kExecError = "実行エラー";
inline constexpr const char* kNoImageMemory = "画像メモリを確保できません。";
inline constexpr const char* kNotSupported = "サポートされていません。";
inline constexpr const char* kUnsupportedFileFormat = "サポートされていないファイル形式です。";
inline constexpr const char* kFileError = "ファイルエラー。";
inline constexpr const char* kFormatError = "フォーマットエラー";
}  // namespace messages

// Captions an image operation posts when its main work starts. Arrays, not
// pointers: a posted caption's address is the same in every file.
namespace captions {
inline constexpr char kResizing[] = "サイズ変更中";
inline constexpr char kIncreasingColours[] = "増色処理中";
inline constexpr char kHistogram[] = "ヒストグラムの作成中";
inline constexpr char kPalette[] = "パレットの作成中";
inline constexpr char kMapping[] = "画像を作成中";
}  // namespace captions
