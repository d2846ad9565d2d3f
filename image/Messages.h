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
