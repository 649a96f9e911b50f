// Command ids. Each is also the id of its button picture and hint string;
// resources.cpp holds the one list that pairs them.
#pragma once

namespace vok {

inline constexpr int CM_EXIT = 101;
inline constexpr int CM_FILEOPEN = 102;
inline constexpr int CM_EXTRACT = 201;
inline constexpr int CM_CENTER = 301;
inline constexpr int CM_TILE = 302;
inline constexpr int CM_HELP = 401;
inline constexpr int CM_ABOUT = 402;

// Tool bar order; 0 marks a gap.
inline constexpr int kToolBarLayout[] = {CM_EXIT,   0,       CM_FILEOPEN, CM_EXTRACT, 0,
                                         CM_CENTER, CM_TILE, 0,           CM_HELP,    CM_ABOUT};

}  // namespace vok
