#pragma once
// The texts the whole-file routines report. An empty text means success.

namespace track {

inline constexpr char kFileNotFound[] = "ファイルが見つかりません";
inline constexpr char kCannotOpenFile[] = "ファイルをオープンできません";
inline constexpr char kCannotAllocate[] = "メモリを確保できませんでした";
inline constexpr char kReadError[] = "読込エラー";
inline constexpr char kCannotCreateFile[] = "ファイルを作成できませんでした";

}  // namespace track
