#pragma once
// The texts a conversion shows. The first five come from the settings checks
// and carry the exclamation icon; the others end a conversion without icon.

#include <cstdint>
#include <string>

namespace generator {

inline constexpr char kTempoOutOfRange[] = "テンポを75-320までに指定して下さい";
inline constexpr char kFineTempoOutOfRange[] = "テンポ補整値を正しく指定して下さい";
inline constexpr char kVolumeOutOfRange[] = "音量(%)を20-200までに指定して下さい";
inline constexpr char kCompensationOutOfRange[] =
    "補整値を0-191までに指定して下さい（全音符で192の計算です）";
inline constexpr char kNotDatFile[] = "ＤＡＴファイルを指定して下さい";

inline constexpr char kNoData[] = "データがありません";
inline constexpr char kDataTooLarge[] = "データが大き過ぎます";
inline constexpr char kPitchSortWithStagger[] =
    "音程ソートはできません（発音ずらし指定になっています）";
inline constexpr char kFinished[] = "終了しました";

// "発音単位が違います （1/30秒）" for a track stored at 30 frames a second.
inline std::string unitMismatchMessage(std::int32_t storedUnit) {
  return "発音単位が違います （1/" + std::to_string(storedUnit) + "秒）";
}

}  // namespace generator
