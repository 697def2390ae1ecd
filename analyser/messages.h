#pragma once
// The analysis job's own texts, shown exactly as they stand. The file
// routines' texts live in track/file_messages.h.

namespace analyser {

inline constexpr char kNoCounter[] =
    "時間の計測ができません（高分解能パフォーマンスカウンタがサポートされていません）";
inline constexpr char kSpecifyWave[] = "ＷＡＶＥファイルを指定して下さい";
inline constexpr char kCannotHandleFile[] = "このファイルは扱えません";
inline constexpr char kBadDataLength[] = "データ長が正しくありません";
inline constexpr char kNot44100[] = "４４１００Ｈｚではありません";
inline constexpr char kNot16Bit[] = "データが16Bitではありません";
inline constexpr char kTooLong[] = "音声データが長すぎます";
inline constexpr char kStopped[] = "中止しました";
inline constexpr char kFinished[] = "終了しました";
// The remaining-time display: prefix, whole seconds, suffix.
inline constexpr char kRemainingPrefix[] = "残り時間約";
inline constexpr char kSecondsSuffix[] = "秒";

}  // namespace analyser
