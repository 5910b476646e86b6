#pragma once
// The names of the output files, which the writers give them and the uploads send them under.
namespace zun {

inline constexpr const char* kPureTextFileName = "zuntextpure.txt";
inline constexpr const char* kOverallRankingFileName = "000.csv";

}  // namespace zun
